// Code guessing and conversion on arbitrary bytes: no read past the end, no
// undefined behaviour, and the converters' invariants hold; CP932 to UTF-8
// through the table is what iconv makes of the whole text, written within the
// room it asks for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/code_convert.h"
#include "core/text/text_codec.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const int code = quillet::DetectCode(text);
  Check(code >= quillet::kCodeAscii && code <= quillet::kCodeEucOrSjis);

  const std::string euc = quillet::EucToSjis(text);
  const std::string jis = quillet::JisToSjis(text);
  Check(euc.size() <= text.size());
  Check(jis.size() <= text.size());

  // The guessing converter is one of the direct ones, or the identity.
  const std::string converted = quillet::ConvertTo(text, quillet::kCodeSjis);
  if (code == quillet::kCodeJisB || code == quillet::kCodeJisAt) {
    Check(converted == jis);
  } else if (code == quillet::kCodeEuc) {
    Check(converted == euc);
  } else {
    Check(converted == text);
  }
  Check(quillet::ConvertTo(text, quillet::kCodeEuc) == text);

  if (size >= 2) quillet::JisPairToSjis(data[0], data[1]);

  std::vector<char> utf8(quillet::Cp932ToUtf8Room(size));
  const char* end = quillet::WriteCp932AsUtf8(utf8.data(), text);
  Check(std::string_view(utf8.data(), static_cast<size_t>(end - utf8.data())) ==
        quillet::Cp932ToUtf8ByIconv(text));
  return 0;
}
