#include "core/text/utf8_check.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const auto c = static_cast<uint8_t>(text[pos]);
    size_t length;
    char32_t code;
    if (c < 0x80) {
      ++pos;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (text.size() - pos < length) return false;
    for (size_t i = 1; i < length; ++i) {
      const auto next = static_cast<uint8_t>(text[pos + i]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    pos += length;
  }
  return true;
}

}  // namespace quillet
