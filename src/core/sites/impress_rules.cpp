// Impress Watch: headlines are table rows spread over several lines; each
// row's lines are glued into one line. The first pass takes the top news, the
// second the headline lists.
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kTopNews = "Impress/top.log";
constexpr std::string_view kListCategories[] = {
    "Impress/internet.log", "Impress/pc.log",      "Impress/akiba.log", "Impress/broadband.log",
    "Impress/keitai.log",   "Impress/av.log",      "Impress/game.log",  "Impress/toushi.log",
    "Impress/winsoft.log",  "Impress/macsoft.log", "Impress/cinema.log"};
constexpr std::string_view kAkiba = "Impress/akiba.log";  // its marker line opens the table itself

constexpr std::string_view kTopTableStart =
    "<table border=\"0\" width=\"468\" cellspacing=\"5\" cellpadding=\"0\">";
constexpr std::string_view kTopItemEnd = "</a></b></td></tr>";
constexpr std::string_view kListTableStart =
    "<table border=0 width=468 cellspacing=3 cellpadding=0>";
constexpr std::string_view kListTableStartQuoted =
    "<table border=\"0\" width=\"468\" cellspacing=\"3\" cellpadding=\"0\">";
constexpr std::string_view kListItemEnd = "</a></td></tr>";
constexpr std::string_view kTableEnd = "</table>";

// The top news: the first row of its table, glued up to and including the
// row's end line.
void CutTopNews(const Lines& page, Lines& doc) {
  const std::string& marker = SectionMarker(kTopNews);
  bool top = false;
  bool table = false;
  std::string held;
  for (const std::string& line : page) {
    if (line == marker) {
      top = true;
      doc.push_back(line);
      continue;
    }
    if (top && line == kTopTableStart) {
      table = true;
      continue;
    }
    if (top && table) {
      held += line;
      if (line == kTopItemEnd) {
        doc.push_back(held);
        return;
      }
    }
  }
}

// The headline lists: every row glued into one line without its end line.
// The table start line itself begins the first row.
void CutHeadlineLists(const Lines& page, Lines& doc) {
  const std::string& anyMarker = CP932("<!--●●●●●");
  bool section = false;
  bool table = false;
  std::string held;
  for (const std::string& line : page) {
    if (section && table && line == kTableEnd) {
      section = table = false;
      held.clear();
    }
    if (section && table && Cp932Find(line, anyMarker) != std::string::npos) {
      section = table = false;
      held.clear();
    }
    bool opened = false;
    for (std::string_view category : kListCategories) {
      if (line == SectionMarker(category)) {
        section = true;
        table = table || category == kAkiba;
        doc.push_back(line);
        opened = true;
        break;
      }
    }
    if (opened) continue;
    if (section && (line == kListTableStart || line == kListTableStartQuoted)) table = true;
    if (section && table) {
      if (line == kListItemEnd) {
        doc.push_back(held);
        held.clear();
      } else {
        held += line;
      }
    }
  }
}

}  // namespace

Lines CutImpress(const Lines& page) {
  Lines doc;
  CutTopNews(page, doc);
  CutHeadlineLists(page, doc);
  return doc;
}

}  // namespace quillet
