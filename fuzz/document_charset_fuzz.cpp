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
#include "core/text/utf8_check.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
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
  Check(quillet::IsValidUtf8(decoded.utf8));
  Check(!decoded.charset.empty());

  const std::string parameter = quillet::ContentTypeCharset(bytes);
  Check(parameter.size() <= bytes.size());
  return 0;
}
