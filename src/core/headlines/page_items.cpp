#include "core/headlines/page_items.h"

#include <string>

namespace quillet {

std::vector<HeadlineItem> PageItems(const PageSource& page, const std::vector<FeedItem>& rows) {
  std::vector<HeadlineItem> items;
  for (size_t n = 1; n <= page.sections.size(); ++n) {
    HeadlineItem item{.site = page.name,
                      .genre = page.sections[n - 1].name,
                      .headline = {},
                      .url = {},
                      .logFile = PageLogFile(page.id, n),
                      .seenKey = PageSeenKey(page.id, n),
                      .imageIndex = -1,
                      .enabled = true,
                      .opensSection = true};
    items.push_back(item);
    item.opensSection = false;
    const std::string number = std::to_string(n);
    for (const FeedItem& row : rows) {
      if (row.category != number || row.title.empty()) continue;
      item.headline = row.title;
      item.url = row.link;
      items.push_back(item);
    }
  }
  return items;
}

}  // namespace quillet
