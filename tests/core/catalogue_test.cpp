// The catalogue's look-ups: category ranges, markers and image indexes.
#include <gtest/gtest.h>

#include <set>

#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// Each site owns the categories after the previous site's, each with a log
// file and a search marker of its own (毎日新聞's logs are not searched).
TEST(Catalogue, SitesOwnConsecutiveCategoriesWithLogsOfTheirOwn) {
  int next = 0;
  std::set<std::string> logs, searchMarkers = {""};
  for (const Site& site : Sites()) {
    EXPECT_EQ(site.firstCategory, next);
    for (; next <= site.lastCategory; ++next) {
      const Category& c = Categories().at(static_cast<size_t>(next));
      EXPECT_TRUE(c.index == next && c.site == site.number) << next;
      EXPECT_TRUE(logs.insert(c.logFile).second) << c.logFile;
      EXPECT_EQ(searchMarkers.insert(c.searchMarker).second, site.number != 6) << next;
    }
  }
  EXPECT_EQ(next, kCategoryCount);
}

// A marker line names its category only among its own site's markers, and
// only as the whole line.
TEST(Catalogue, EveryMarkerLeadsBackToItsCategoryAsAWholeLine) {
  for (const Category& c : Categories()) {
    for (const std::string& marker : c.markers) {
      SCOPED_TRACE(Cp932ToUtf8(marker));
      for (const Site& site : Sites()) {
        EXPECT_EQ(CategoryOfMarker(site.shortLabel, marker),
                  site.number == c.site ? std::optional<int>(c.index) : std::nullopt);
      }
      for (const std::string& nearMiss : {" " + marker, marker + " "})
        EXPECT_EQ(CategoryOfMarker(Sites()[static_cast<size_t>(c.site)].shortLabel, nearMiss),
                  std::nullopt);
    }
  }
  EXPECT_EQ(CategoryOfMarker("YOL", "<!-- /NEWS/shuyo start -->"), std::nullopt);
}

}  // namespace
}  // namespace quillet
