// The feed parser on arbitrary documents: it gives items or raises
// QuilletError, never anything else, and every text it gives is one line with
// no spaces at its ends; items have a title and a link.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/sys/error.h"
#include "net/feed_parser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckText(const std::string& text) {
  Check(text.find_first_of("\t\r\n") == std::string::npos);
  Check(text.empty() || (static_cast<unsigned char>(text.front()) > ' ' &&
                         static_cast<unsigned char>(text.back()) > ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  quillet::Feed feed;
  try {
    feed = quillet::ParseFeed(document);
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
