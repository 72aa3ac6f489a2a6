// The JSON Feed parser on arbitrary documents: it gives items or raises
// QuilletError, never anything else; every text it gives is one line with no
// control character and no spaces at its ends; items have a title and a link.
// Text before a first NUL byte is the feed's address, so that links are
// resolved against arbitrary addresses too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/sys/error.h"
#include "net/feed_parser.h"
#include "net/json_feed.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckText(const std::string& text) {
  for (const char c : text)
    Check(static_cast<unsigned char>(c) >= ' ' && c != '\x7F');
  Check(text.empty() || (text.front() != ' ' && text.back() != ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view document(reinterpret_cast<const char*>(data), size);
  std::string_view feedUrl = "https://fuzz.example/feeds/ja/feed.json?page=2";
  if (const size_t nul = document.find('\0'); nul != std::string_view::npos) {
    feedUrl = document.substr(0, nul);
    document.remove_prefix(nul + 1);
  }
  quillet::Feed feed;
  try {
    feed = quillet::ParseJsonFeed(document, feedUrl);
  } catch (const quillet::QuilletError& error) {
    Check(*error.what() != '\0');
    return 0;
  }
  CheckText(feed.title);
  Check(feed.items.size() <= quillet::kMaxFeedItems);
  for (const quillet::FeedItem& item : feed.items) {
    Check(!item.title.empty() && !item.link.empty());
    CheckText(item.title);
    CheckText(item.link);
    CheckText(item.category);
  }
  return 0;
}
