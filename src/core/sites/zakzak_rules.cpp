// ZAKZAK: one category whose headlines stand in one of three blocks (final
// edition, top news, sports). The first block found is cut; the cut stops
// where that block ends.
#include <string>
#include <string_view>
#include <vector>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"

namespace quillet {
namespace {

constexpr std::string_view kCategory = "ZAKZAK/top.log";
// The catalogue holds the three block markers in this order.
constexpr size_t kFinalMarker = 0;
constexpr size_t kTopNewsMarker = 1;
constexpr size_t kSportsMarker = 2;

constexpr std::string_view kFinalItemsAfter = "<SPAN style=\"font-size: 12pt\">";
constexpr std::string_view kTopNewsReady = "<FONT SIZE=3><SPAN style=\"font-size: 12pt\">";
constexpr std::string_view kTopNewsItemsFrom = "<A HREF=\"";
constexpr std::string_view kSportsItemsAfter = "<FONT SIZE=+1><SPAN STYLE=\"font-size: 12pt\">";
constexpr std::string_view kSportsEnd = "<DIV ALIGN=\"right\">";
constexpr std::string_view kLinkClose = "</A><BR>";

}  // namespace

Lines CutZakzak(const Lines& page) {
  const std::vector<std::string>& markers = CategoryNamed(kCategory).markers;
  // None of these flags is switched off again within one cut.
  bool finalEdition = false;
  bool topNews = false;
  bool sports = false;
  bool ready = false;
  bool items = false;
  bool hasPending = false;
  std::string pending;
  Lines doc;
  // Final edition and top news: each headline is two lines joined.
  auto pairLine = [&](const std::string& line) {
    if (hasPending) {
      doc.push_back(pending + line);
      hasPending = false;
    } else {
      pending = line;
      hasPending = true;
    }
  };

  for (const std::string& line : page) {
    if (line == markers[kFinalMarker]) {
      finalEdition = true;
      doc.push_back(line);
    }
    if (line == markers[kTopNewsMarker]) {
      topNews = true;
      doc.push_back(line);
    }
    if (line == markers[kSportsMarker]) {
      sports = true;
      doc.push_back(line);
    }
    if (finalEdition && LineBeginsWith(line, kFinalItemsAfter)) {
      items = true;
      continue;
    }
    if (topNews && LineBeginsWith(line, kTopNewsReady)) ready = true;
    if (ready && topNews && LineBeginsWith(line, kTopNewsItemsFrom)) items = true;
    if (sports && LineBeginsWith(line, kSportsItemsAfter)) {
      items = true;
      continue;
    }
    // An empty line ends a joined block only once a headline may have been
    // appended; one right after the marker does not.
    if (items && finalEdition && doc.size() > 1 && line.empty()) break;
    if (items && topNews && doc.size() > 1 && line.empty()) break;
    if (items && sports && LineBeginsWith(line, kSportsEnd)) break;
    if (items && finalEdition && !line.empty() && line != kLinkClose) pairLine(line);
    if (items && topNews && !line.empty() && line != kLinkClose) pairLine(line);
    if (items && sports && !line.empty()) doc.push_back(line);
  }
  return doc;
}

}  // namespace quillet
