// A news feed as read: its title and its items, the texts in CP932. The
// parsers (net/feed_parser.h) make it; the feed merge records its items.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// One item (RSS) or entry (Atom).
struct FeedItem {
  std::string title;
  std::string link;
  std::string category;  // the item's own, else the feed's; "" when neither has one

  bool operator==(const FeedItem&) const = default;
};

struct Feed {
  std::string title;  // the channel's (RSS) or the feed's (Atom)
  std::vector<FeedItem> items;
  // What was wrong with a document that could still be read, such as the
  // first XML error mended; "" when nothing was.
  std::string warning;
};

}  // namespace quillet
