#include "core/feeds/feed_text.h"

#include <cstdint>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The length of the white space character at the start of `text`, or 0.
size_t SpaceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  // Control characters too: a log line holds no TAB, CR or LF of its own.
  if (byte(0) <= ' ' || byte(0) == 0x7F) return 1;
  switch (byte(0)) {
    case 0xC2:  // U+0085 NEXT LINE, U+00A0 NO-BREAK SPACE
      return text.size() >= 2 && (byte(1) == 0x85 || byte(1) == 0xA0) ? 2 : 0;
    case 0xE1:  // U+1680 OGHAM SPACE MARK
      return text.size() >= 3 && byte(1) == 0x9A && byte(2) == 0x80 ? 3 : 0;
    case 0xE2:  // U+2000-U+200A, U+2028, U+2029, U+202F, U+205F
      if (text.size() < 3) return 0;
      if (byte(1) == 0x80 &&
          (byte(2) <= 0x8A || byte(2) == 0xA8 || byte(2) == 0xA9 || byte(2) == 0xAF))
        return 3;
      return byte(1) == 0x81 && byte(2) == 0x9F ? 3 : 0;
    default:
      return 0;
  }
}

}  // namespace

std::string FeedText(std::string_view utf8) {
  std::string collapsed;
  collapsed.reserve(utf8.size());
  bool pendingSpace = false;
  while (!utf8.empty()) {
    if (const size_t space = SpaceLength(utf8)) {
      pendingSpace = !collapsed.empty();
      utf8.remove_prefix(space);
      continue;
    }
    if (pendingSpace) collapsed += ' ';
    pendingSpace = false;
    collapsed += utf8.front();
    utf8.remove_prefix(1);
  }
  return Utf8ToCp932(collapsed, kGetaMark);
}

}  // namespace quillet
