#include "core/headlines/feed_items.h"

namespace quillet {

std::vector<HeadlineItem> FeedItems(const settings::FeedSource& source, const Feed& feed) {
  // Keys of the feeds among the headlines met: below 0, so never a category's.
  const int seenKey = -source.id;
  const std::string logFile = settings::FeedLogFile(source.id);
  std::vector<HeadlineItem> items;
  items.push_back({.site = source.name,
                   .genre = settings::FeedGenre(),
                   .headline = {},
                   .url = {},
                   .logFile = logFile,
                   .seenKey = seenKey,
                   .imageIndex = -1,
                   .enabled = true,
                   .opensSection = true});
  for (const FeedItem& item : feed.items) {
    if (item.title.empty()) continue;
    items.push_back({.site = source.name,
                     .genre = item.category.empty() ? settings::FeedGenre() : item.category,
                     .headline = item.title,
                     .url = item.link,
                     .logFile = logFile,
                     .seenKey = seenKey,
                     .imageIndex = -1,
                     .enabled = true,
                     .opensSection = false});
  }
  return items;
}

}  // namespace quillet
