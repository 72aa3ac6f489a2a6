// CNN cutting rules: the page's headings and layout comments are recognised by
// fragments, and each section gets the catalogue's marker line in front of it.
// The two-column blocks are split at their "</div>" column ends.
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kTopCategory = "CNN/top.log";
constexpr std::string_view kLatestCategory = "CNN/latest.log";
constexpr std::string_view kChumokuCategory = "CNN/chumoku.log";

constexpr std::string_view kHeadline = "<span class=\"headline\">";
constexpr std::string_view kDivEnd = "</div>";
constexpr std::string_view kListItem = "<LI><a href=\"";
constexpr std::string_view kLink = "<a href=\"";
constexpr std::string_view kImage = "<img src=\"";

// A two-column block: its layout comment opens the left column's category;
// the first "</div>" line after it opens the right column's.
struct Block {
  std::string_view comment;
  std::string_view leftCategory;  // log files
  std::string_view rightCategory;
};

constexpr Block kBlocks[] = {
    {"<!-- __________[ WORLD ]_________________________________[ JAPAN ]__________ -->",
     "CNN/world.log", "CNN/japan.log"},
    {"<!-- __________[ U.S. ]_________________________________[ BUSINESS ]__________ -->",
     "CNN/us.log", "CNN/business.log"},
    {"<!--// __________[ SPORTS ]_________________________________[ TECH ]__________ -->",
     "CNN/sports.log", "CNN/tech.log"},
    {"<!--// __________[ FRINGE ]_________________________________[ SHOWBIZ ]__________ -->",
     "CNN/fringe.log", "CNN/showbiz.log"},
};
constexpr int kBlockCount = sizeof(kBlocks) / sizeof(kBlocks[0]);

}  // namespace

Lines CutCnn(const Lines& page) {
  const std::string& latestHeading = CP932("<span class=\"t2header\">最新ニュース");
  const std::string& chumokuHeading = CP932("<span class=\"t2header\">注目のニュース");

  Lines document;
  bool listOpen = false;
  // Per block: 2 while the left column is read, 1 for the right, 0 closed.
  int columns[kBlockCount] = {};

  for (const std::string& line : page) {
    if (LineContains(line, kHeadline)) {
      document.push_back(SectionMarker(kTopCategory));
      document.push_back(line);
    }
    if (LineContains(line, latestHeading)) {
      document.push_back(SectionMarker(kLatestCategory));
      listOpen = true;
    }
    if (LineContains(line, chumokuHeading)) {
      document.push_back(SectionMarker(kChumokuCategory));
      listOpen = true;
    }
    for (int b = 0; b < kBlockCount; ++b) {
      if (LineContains(line, kBlocks[b].comment)) {
        document.push_back(SectionMarker(kBlocks[b].leftCategory));
        columns[b] = 2;
      }
    }
    const bool divEnd = line.starts_with(kDivEnd);
    if (listOpen && divEnd) listOpen = false;
    for (int b = 0; b < kBlockCount; ++b) {
      if (columns[b] > 0 && divEnd) {
        if (columns[b] == 2) document.push_back(SectionMarker(kBlocks[b].rightCategory));
        --columns[b];
      }
    }
    const bool listItem = line.starts_with(kListItem);
    for (int b = 0; b < kBlockCount; ++b) {
      if (columns[b] > 0 && listItem) document.push_back(line);
    }
    if (listOpen) {
      if (listItem) document.push_back(line);
      if (line.starts_with(kLink) && !LineContains(line, kImage)) document.push_back(line);
    }
  }
  return document;
}

}  // namespace quillet
