// Document decoding on arbitrary bytes under a charset the first byte picks:
// no read past the input, no undefined behaviour, and the text that comes out
// is valid UTF-8 (no surrogates, nothing above U+10FFFF, no overlong forms)
// with a charset named. The Content-Type parser takes the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text/document_charset.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
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
      const auto next = static_cast<unsigned char>(text[pos + i]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    pos += length;
  }
  return true;
}

// Browsers' names, names iconv takes as written, stateful and wide
// encodings, and names no decoder knows.
constexpr std::string_view kCharsets[] = {
    "",         "utf-8",         "Shift_JIS", "euc-jp",        "iso-2022-jp", "utf-16",
    "utf-16be", "UTF-32LE",      "UTF-32",    "windows-1252",  "koi8-r",      "gb2312",
    "gb18030",  "big5",          "euc-kr",    "ISO-2022-KR",   "ISO-2022-CN", "UTF-7",
    "IBM037",   "ISO-2022-JP-3", "x-unknown", "utf-8//IGNORE",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view charset = kCharsets[data[0] % std::size(kCharsets)];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  const quillet::DecodedDocument decoded = quillet::DecodeDocument(bytes, charset);
  Check(IsValidUtf8(decoded.utf8));
  Check(!decoded.charset.empty());

  const std::string parameter = quillet::ContentTypeCharset(bytes);
  Check(parameter.size() <= bytes.size());
  return 0;
}
