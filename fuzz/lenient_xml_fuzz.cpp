// The mending pass before the feed parser: whatever comes in, what goes out
// holds no control character XML forbids, every "&" in it outside comments,
// CDATA sections, processing instructions and the DOCTYPE starts a complete
// reference, and it is at most the growth bound longer than what came in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/feeds/lenient_xml.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const quillet::LenientXml out = quillet::MakeLenientXml(in);
  const std::string_view text = out.text;
  // One cut past the bound, by at most one mend's own growth.
  Check(text.size() <= in.size() + quillet::kMaxXmlGrowth + 64);
  Check((out.firstMend.line != 0) == (out.firstMend.column != 0));
  if (out.cut) Check(out.firstMend.line != 0);
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    Check(byte >= 0x20 || c == '\t' || c == '\n' || c == '\r');
  }
  // References outside markup that copies its text as it is.
  if (text.find("<!") != std::string_view::npos || text.find("<?") != std::string_view::npos)
    return 0;
  for (size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
    const size_t end = text.find(';', at);
    Check(end != std::string_view::npos && end > at + 1);
    for (size_t i = at + 1; i < end; ++i)
      Check(text[i] != '&' && text[i] != '<' && text[i] != ' ');
  }
  return 0;
}
