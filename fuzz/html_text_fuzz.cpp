// HTML fragments to text on arbitrary bytes: no read past the end, no
// undefined behaviour; the text is at most 6/5 of the input (the longest
// output per input byte is &nLt;'s), valid UTF-8 stays valid, text without
// "<", "&" and NUL comes out as it went in, and every name the table knows
// decodes in text to what the table says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/text/html_text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[i + k]); };
    const uint8_t lead = byte(0);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      const uint8_t b = byte(k);
      if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  const std::string text = quillet::HtmlToText(html);
  Check(text.size() * 5 <= size * 6);
  if (IsUtf8(html)) Check(IsUtf8(text));
  if (html.find_first_of(std::string_view("<&\0", 3)) == std::string_view::npos)
    Check(text == html);

  const std::string_view named = quillet::HtmlNamedReference(html);
  if (!named.empty()) Check(quillet::HtmlToText("&" + std::string(html) + ";") == named);
  return 0;
}
