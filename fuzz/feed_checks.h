// What every feed a parser gives must hold, for the feed parsers' fuzz
// targets: every text one line with no control character and no spaces at
// its ends, at most kMaxFeedItems items, each with a title and a link.
#pragma once

#include <cstdlib>
#include <string>

#include "core/feeds/xml_feed.h"
#include "core/headlines/feed.h"

namespace quillet::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline void CheckText(const std::string& text) {
  for (const char c : text)
    Check(static_cast<unsigned char>(c) >= ' ' && c != '\x7F');
  Check(text.empty() || (text.front() != ' ' && text.back() != ' '));
}

inline void CheckFeed(const Feed& feed) {
  CheckText(feed.title);
  Check(feed.items.size() <= kMaxFeedItems);
  for (const FeedItem& item : feed.items) {
    Check(!item.title.empty() && !item.link.empty());
    CheckText(item.title);
    CheckText(item.link);
    CheckText(item.category);
  }
}

}  // namespace quillet::fuzz
