// Yomiuri On Line: each section runs from its start line (the category's
// section marker) to its end line. Top-news lines carry the opening link tag
// of the last "[全文へ]" (full article) link seen earlier on the page.
#include <array>
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The first is the top news; its lines take the anchor prefix.
constexpr std::array<std::string_view, 9> kCategories = {
    "YOL/top.log",   "YOL/shuyou.log", "YOL/kokusai.log", "YOL/shakai.log", "YOL/sports.log",
    "YOL/seiji.log", "YOL/keizai.log", "YOL/okuyami.log", "YOL/column.log",
};
constexpr std::array<std::string_view, 9> kEndLines = {
    "<!-- /topnews/headline=end -->", "<!-- /news/shuyo end -->",   "<!-- /news/kokusai=end -->",
    "<!-- /news/shakai=end -->",      "<!-- /news/sports=end -->",  "<!-- /news/seiji=end -->",
    "<!-- /news/keizai=end -->",      "<!-- /news/okuyami end -->", "<!-- /news/column end -->",
};

// The part of `line` from its first "<a href" through its first ">", both
// included, counted in 1-based positions p and q (0 when absent): the q - p + 1
// bytes from p (from the first byte when p is 0), cut at the end of the line,
// and empty when q - p + 1 is 0 or less.
std::string AnchorPrefix(const std::string& line) {
  const size_t a = Cp932Find(line, "<a href");
  const size_t g = Cp932Find(line, ">");
  const long p = a == std::string::npos ? 0 : static_cast<long>(a) + 1;
  const long q = g == std::string::npos ? 0 : static_cast<long>(g) + 1;
  const long count = q - p + 1;
  if (count <= 0) return {};
  const size_t start = p == 0 ? 0 : static_cast<size_t>(p - 1);
  return line.substr(start, static_cast<size_t>(count));
}

}  // namespace

Lines CutYomiuri(const Lines& page) {
  const std::string& fullArticle = CP932("[全文へ]");
  bool collecting = false;
  bool top = false;
  std::string anchorPrefix;
  Lines doc;
  for (const std::string& line : page) {
    bool startLine = false;
    for (size_t row = 0; row < kEndLines.size(); ++row) {
      if (line == SectionMarker(kCategories[row])) {
        collecting = true;
        top = top || row == 0;
        startLine = true;
      }
      if (line == kEndLines[row]) {
        collecting = false;
        if (row == 0) top = false;
      }
    }
    if (collecting) {
      // A start line is the section's marker and must stay equal to it, so
      // it never takes the prefix (not even the top-news start line itself).
      doc.push_back(top && !startLine ? anchorPrefix + line : line);
    }
    if (Cp932Find(line, fullArticle) != std::string::npos) anchorPrefix = AnchorPrefix(line);
  }
  return doc;
}

}  // namespace quillet
