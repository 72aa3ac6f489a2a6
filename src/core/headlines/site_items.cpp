#include "core/headlines/site_items.h"

#include <optional>
#include <utility>

namespace quillet {

std::vector<HeadlineItem> SiteItems(const Site& site, const Lines& document,
                                    const std::array<bool, kCategoryCount>& enabled) {
  std::vector<HeadlineItem> items;
  std::optional<int> category;
  std::string genre;
  std::string logFile;
  bool absoluteLinks = false;
  bool opensSection = false;
  for (const std::string& line : document) {
    const std::string previousGenre = genre;
    std::string text = line;
    if (auto marker = CategoryOfMarker(site.shortLabel, line)) {
      const Category& c = Categories()[static_cast<size_t>(*marker)];
      category = marker;
      genre = c.genre;
      logFile = c.logFile;
      absoluteLinks = c.absoluteLinks;
      opensSection = true;
      if (site.markersAreText) text.clear();
    } else if (!category) {
      continue;
    }
    std::string headline = RemoveTags(text);
    if (genre == previousGenre && headline.empty()) continue;
    const std::string target = ExtractHref(text);
    items.push_back({.site = site.shortLabel,
                     .genre = genre,
                     .headline = std::move(headline),
                     .url = absoluteLinks ? target : site.baseUrl + target,
                     .logFile = logFile,
                     .seenKey = *category,
                     .imageIndex = site.number,
                     .enabled = enabled[static_cast<size_t>(*category)],
                     .opensSection = std::exchange(opensSection, false)});
  }
  return items;
}

}  // namespace quillet
