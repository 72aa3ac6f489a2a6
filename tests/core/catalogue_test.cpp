// The catalogue's look-ups: category ranges, log files and markers.
#include <gtest/gtest.h>

#include <set>

#include "core/sites/catalogue.h"

namespace quillet {
namespace {

// Consecutive categories per site, each with its own log and search marker (none for 毎日新聞);
// a marker names its category among its own site's markers only, as the whole line.
TEST(Catalogue, SitesOwnConsecutiveCategoriesWithLogsAndMarkersOfTheirOwn) {
  int next = 0;
  std::set<std::string> logs, searchMarkers = {""};
  for (const Site& site : Sites()) {
    EXPECT_EQ(site.firstCategory, next);
    for (; next <= site.lastCategory; ++next) {
      const Category& c = Categories().at(static_cast<size_t>(next));
      EXPECT_TRUE(c.index == next && c.site == site.number) << next;
      EXPECT_TRUE(logs.insert(c.logFile).second) << c.logFile;
      EXPECT_EQ(searchMarkers.insert(c.searchMarker).second, site.number != 6) << next;
      for (const std::string& marker : c.markers) {
        for (const Site& other : Sites())
          EXPECT_EQ(CategoryOfMarker(other.shortLabel, marker),
                    other.number == site.number ? std::optional<int>(next) : std::nullopt);
        for (const std::string& nearMiss : {" " + marker, marker + " "})
          EXPECT_EQ(CategoryOfMarker(site.shortLabel, nearMiss), std::nullopt);
      }
    }
  }
  EXPECT_EQ(next, kCategoryCount);
  EXPECT_EQ(CategoryOfMarker("YOL", "<!-- /NEWS/shuyo start -->"), std::nullopt);
}

}  // namespace
}  // namespace quillet
