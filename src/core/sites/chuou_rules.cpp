// 中央日報 cutting rules: three passes over the page lines (top and latest,
// features and genre lists, editorials), each writing the catalogue's marker
// lines. Headlines span two lines, so rules reach ahead in the page lines.
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kTopCategory = "Chuou/top.log";
constexpr std::string_view kLatestCategory = "Chuou/latest1.log";
constexpr std::string_view kTokusyuCategory = "Chuou/tokusyu.log";
constexpr std::string_view kNanbokuCategory = "Chuou/nanboku.log";
constexpr std::string_view kGenreCategories[] = {  // one per genre heading, in their order
    "Chuou/politics.log", "Chuou/business.log", "Chuou/society.log",
    "Chuou/chousen.log",  "Chuou/sports.log",   "Chuou/culture.log"};
constexpr std::string_view kCartoonCategory = "Chuou/cartoon.log";
constexpr std::string_view kObitCategory = "Chuou/obit.log";
constexpr std::string_view kColumnCategory = "Chuou/column.log";

std::string Joined(const Lines& page, size_t first, size_t second) {
  std::string joined = PageLine(page, first);
  joined += PageLine(page, second);
  return joined;
}

// Pass 1: top news (line i with line i + 2) and the latest list (line i with
// line i + 1), whose marker is written once.
void CutTopAndLatest(const Lines& page, Lines& document) {
  bool latestWritten = false;
  auto appendLatest = [&](size_t i) {
    if (!latestWritten) {
      document.push_back(SectionMarker(kLatestCategory));
      latestWritten = true;
    }
    document.push_back(Joined(page, i, i + 1));
  };
  for (size_t i = 0; i < page.size(); ++i) {
    const std::string& line = page[i];
    if (LineContains(line, "<font class=headline ")) {
      document.push_back(SectionMarker(kTopCategory));
      document.push_back(Joined(page, i, i + 2));
    }
    if (LineContains(line, "<font class=headline2 ")) appendLatest(i);
    if (LineContains(line, "<font class=headline3>")) appendLatest(i);
  }
}

// Pass 2: the two features, the genre lists and the cartoon. Once a genre
// heading has been seen, every later list item belongs to the last genre.
void CutFeaturesAndGenres(const Lines& page, Lines& document) {
  const std::string& tokusyu = CP932("<font color=#AC0030><b>[特集]");
  const std::string& nanboku = CP932("<font color=#AC0030><b>[南北新時代]");
  const std::string* const genres[] = {
      &CP932("<font color=#AC0030><b> 政治 "),    &CP932("<font color=#AC0030><b> 経済 "),
      &CP932("<font color=#AC0030><b> 社会 "),    &CP932("<font color=#AC0030><b> 北朝鮮 "),
      &CP932("<font color=#AC0030><b>スポーツ "), &CP932("<font color=#AC0030><b>文化・芸能"),
  };

  bool genreOpen = false;
  for (size_t i = 0; i < page.size(); ++i) {
    const std::string& line = page[i];
    if (LineContains(line, tokusyu)) {
      document.push_back(SectionMarker(kTokusyuCategory));
      document.push_back(PageLine(page, i + 2));
    }
    if (LineContains(line, nanboku)) {
      document.push_back(SectionMarker(kNanbokuCategory));
      document.push_back(PageLine(page, i + 2));
    }
    for (int g = 0; g < 6; ++g) {
      if (LineContains(line, *genres[g])) {
        genreOpen = true;
        document.push_back(SectionMarker(kGenreCategories[g]));
      }
    }
    if (line.starts_with("<a href=\"/php/manhwa.php\">")) {
      document.push_back(SectionMarker(kCartoonCategory));
      document.push_back(line);
    }
    if (genreOpen && line.starts_with("<li><a href=\"")) document.push_back(Joined(page, i, i + 1));
  }
}

// Pass 3: editorial and column, each the two lines after its heading.
void CutEditorials(const Lines& page, Lines& document) {
  const std::string& obit = CP932("<font color=#000000><b>社説");
  const std::string& column = CP932("<font color=#000000><b>コラム");
  for (size_t i = 0; i < page.size(); ++i) {
    const std::string& line = page[i];
    if (LineContains(line, obit)) {
      document.push_back(SectionMarker(kObitCategory));
      document.push_back(Joined(page, i + 1, i + 2));
    }
    if (LineContains(line, column)) {
      document.push_back(SectionMarker(kColumnCategory));
      document.push_back(Joined(page, i + 1, i + 2));
    }
  }
}

}  // namespace

Lines CutChuou(const Lines& page) {
  Lines document;
  CutTopAndLatest(page, document);
  CutFeaturesAndGenres(page, document);
  CutEditorials(page, document);
  return document;
}

}  // namespace quillet
