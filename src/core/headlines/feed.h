// A news feed as read: its title and its items, the texts in CP932. The
// parser (net/feed_parser.h) makes it; the feed merge records its items.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// One item (RSS) or entry (Atom).
struct FeedItem {
  std::string title;
  std::string link;
  std::string category;  // the item's own, else the feed's; "" when neither has one
};

struct Feed {
  std::string title;  // the channel's (RSS) or the feed's (Atom)
  std::vector<FeedItem> items;
};

}  // namespace quillet
