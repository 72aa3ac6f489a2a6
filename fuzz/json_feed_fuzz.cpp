// The JSON Feed parser on arbitrary documents: it gives a feed that holds
// what feed_checks.h asks or raises QuilletError, never anything else. Text
// before a first NUL byte is the feed's address, so that links are resolved
// against arbitrary addresses too.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/sys/error.h"
#include "feed_checks.h"
#include "net/json_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view document(reinterpret_cast<const char*>(data), size);
  std::string_view feedUrl = "https://fuzz.example/feeds/ja/feed.json?page=2";
  if (const size_t nul = document.find('\0'); nul != std::string_view::npos) {
    feedUrl = document.substr(0, nul);
    document.remove_prefix(nul + 1);
  }
  try {
    quillet::fuzz::CheckFeed(quillet::ParseJsonFeed(document, feedUrl));
  } catch (const quillet::QuilletError& error) {
    quillet::fuzz::Check(*error.what() != '\0');
  }
  return 0;
}
