// The log search's block scan against the plain line filter on any text and
// keyword: the first byte gives the keyword's length (0-7), which byte pads
// the text and whether widths are folded, the keyword follows, the rest is
// the log text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/log/keyword_scan.h"
#include "support/reference_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillet;
  if (size == 0) return 0;
  const size_t length = std::min<size_t>(data[0] % 8, size - 1);
  const std::string keyword(reinterpret_cast<const char*>(data + 1), length);
  const std::string text(reinterpret_cast<const char*>(data + 1 + length), size - 1 - length);
  const bool foldWidth = (data[0] & 16) != 0;
  const KeywordScan scan(keyword, foldWidth);

  Lines expected = ParseLogText(text);
  for (const std::string& line : expected) {
    Lines one{line};
    test::ReferenceFilterByKeyword(one, keyword, foldWidth);
    if (scan.Keeps(line) != !one.empty()) std::abort();
  }
  test::ReferenceFilterByKeyword(expected, keyword, foldWidth);

  // Exactly the bytes the scan may read past the text, on the heap so that
  // ASan reports a read beyond them; what they hold must not matter.
  std::vector<char> padded(text.begin(), text.end());
  padded.resize(text.size() + scan.Overrun(), data[0] & 8 ? '<' : '\0');
  Lines found;
  const bool whole = scan.Scan(std::string_view(padded.data(), text.size()),
                               [&](std::string_view line) { found.emplace_back(line); });
  if (found != expected || whole != (text.find('\0') == std::string::npos)) std::abort();
  return 0;
}
