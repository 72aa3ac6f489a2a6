// The whole feed parse on arbitrary documents, XML or JSON: it gives a feed
// that holds what feed_checks.h asks or raises QuilletError, never anything
// else. Printable text before a first NUL byte is the document's
// Content-Type, so that every road of the decoding is taken (UTF-16 documents
// keep their NUL bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/sys/error.h"
#include "feed_checks.h"
#include "net/feed_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view document(reinterpret_cast<const char*>(data), size);
  std::string_view contentType;
  const size_t nul = document.find('\0');
  if (nul < 64 && std::all_of(document.begin(), document.begin() + static_cast<long>(nul),
                              [](char c) { return c >= ' ' && c < '\x7F'; })) {
    contentType = document.substr(0, nul);
    document.remove_prefix(nul + 1);
  }
  try {
    quillet::fuzz::CheckFeed(quillet::ParseFeed(document, {"http://fuzz.example/f/", contentType}));
  } catch (const quillet::QuilletError& error) {
    quillet::fuzz::Check(*error.what() != '\0');
  }
  return 0;
}
