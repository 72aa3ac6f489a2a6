// 中央日報 cutting rules: three passes, joined lines, and the error raised when
// a rule reaches past the last page line.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fetch/catalogue.h"
#include "fetch/code_convert.h"
#include "fetch/cutting_rules.h"
#include "fetch/text_ops.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

namespace quillet {
namespace {

Lines Sj(std::initializer_list<std::string_view> utf8) {
  Lines lines;
  for (std::string_view line : utf8)
    lines.push_back(Utf8ToCp932(line));
  return lines;
}

// What a cut document holds per category: its marker lines and the headline
// texts of its content lines (tags removed; lines left empty give none).
struct SectionTally {
  int markers = 0;
  std::vector<std::string> headlines;
};

std::map<int, SectionTally> TallySections(const Lines& document, const std::string& siteLabel) {
  std::map<int, SectionTally> sections;
  int current = -1;
  for (const std::string& line : document) {
    if (std::optional<int> category = CategoryOfMarker(siteLabel, line)) {
      current = *category;
      ++sections[current].markers;
      continue;
    }
    EXPECT_NE(current, -1) << "content line before the first marker";
    std::string text = RemoveTags(line);
    if (!text.empty()) sections[current].headlines.push_back(std::move(text));
  }
  return sections;
}

// Headline counts of the categories first..last from the tables of the sample
// pages' EXPECTED.md ("| category | genre | headlines |" rows).
std::map<int, int> ExpectedHeadlines(int first, int last) {
  std::string text;
  EXPECT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/EXPECTED.md", text), ReadResult::kOk);
  std::map<int, int> counts;
  std::istringstream in(text);
  for (std::string row; std::getline(in, row);) {
    int category = 0;
    int headlines = 0;
    if (std::sscanf(row.c_str(), "| %d | %*[^|]| %d |", &category, &headlines) == 2 &&
        category >= first && category <= last)
      counts[category] = headlines;
  }
  return counts;
}

constexpr const char* kTop = "<td><font class=headline ><a href=\"/t\">";
constexpr const char* kLatest2 = "<font class=headline2 ><a href=\"/l\">";
constexpr const char* kLatest3 = "<font class=headline3><a href=\"/m\">";
constexpr const char* kPolitics = "<tr><td><font color=#AC0030><b> 政治 </b></font>";
constexpr const char* kBusiness = "<font color=#AC0030><b> 経済 </b>";
constexpr const char* kSports = "<font color=#AC0030><b>スポーツ </b>";
constexpr const char* kCulture = "<font color=#AC0030><b>文化・芸能</b>";
constexpr const char* kTokusyu = "<font color=#AC0030><b>[特集]</b>";
constexpr const char* kNanboku = "<font color=#AC0030><b>[南北新時代]</b>";
constexpr const char* kCartoon = "<a href=\"/php/manhwa.php\"><img src=\"c.gif\"></a>";
constexpr const char* kObit = "<font color=#000000><b>社説</b>";
constexpr const char* kColumn = "<font color=#000000><b>コラム</b>";

struct Case {
  const char* name;
  Lines page;
  Lines document;
};

TEST(CutChuou, CutsSectionsAsTheRulesSay) {
  const Case cases[] = {
      {"top: line i joined with line i + 2, the line between unused", Sj({kTop, "b", "c</a>"}),
       Sj({"<!-- Chuou top -->", std::string(kTop) + "c</a>"})},
      {"every top line writes its own marker", Sj({kTop, "x", "1", kTop, "y", "2"}),
       Sj({"<!-- Chuou top -->", std::string(kTop) + "1", "<!-- Chuou top -->",
           std::string(kTop) + "2"})},
      {"latest: one marker for headline2 and headline3 lines, each joined with the next",
       Sj({kLatest3, "一</a>", kLatest2, "二</a>", kLatest3, "三</a>"}),
       Sj({"<!-- Chuou latest -->", std::string(kLatest3) + "一</a>",
           std::string(kLatest2) + "二</a>", std::string(kLatest3) + "三</a>"})},
      {"\"<font class=headline\" without its blank is no top line",
       Sj({"<font class=headline>", "<font class=headline3 >", "x"}),
       {}},
      {"features take the line two below their heading",
       Sj({kTokusyu, "skip", "<a href=\"/f\">f</a>", kNanboku, "skip", "<a href=\"/n\">n</a>"}),
       Sj({"<!-- Chuou tokusyu -->", "<a href=\"/f\">f</a>", "<!-- Chuou nanboku -->",
           "<a href=\"/n\">n</a>"})},
      {"genre lists: items joined with the next line, under the last heading",
       Sj({kPolitics, "<li><a href=\"/p\">", "p</a>", kBusiness, "<li><a href=\"/q\">", "q</a>"}),
       Sj({"<!-- Chuou politics -->", "<li><a href=\"/p\">p</a>", "<!-- Chuou business -->",
           "<li><a href=\"/q\">q</a>"})},
      {"no item before the first genre heading; the genre lists never close",
       Sj({"<li><a href=\"/0\">", "0", kSports, "</ul></table>", kCartoon, "<li><a href=\"/s\">",
           "s", " <li><a href=\"/blank\">", "x", "<LI><a href=\"/caps\">", "y"}),
       Sj({"<!-- Chuou sports -->", "<!-- Chuou cartoon -->", kCartoon, "<li><a href=\"/s\">s"})},
      {"the other genre headings, in table order within a line",
       Sj({std::string(kCulture) + "<font color=#AC0030><b> 北朝鮮 </b>",
           "<font color=#AC0030><b> 社会 </b>"}),
       Sj({"<!-- Chuou chousen -->", "<!-- Chuou culture -->", "<!-- Chuou society -->"})},
      {"a genre fragment needs its blanks",
       Sj({"<font color=#AC0030><b>政治</b>", "<li><a href=\"/p\">", "p"}),
       {}},
      {"the cartoon line must begin with its link", Sj({std::string(" ") + kCartoon}), {}},
      {"editorial and column: the two lines after the heading, never the heading",
       Sj({kObit, "<a href=\"/o\">", "o</a>", kColumn, "<a href=\"/c\">", "c</a>"}),
       Sj({"<!-- Chuou obit -->", "<a href=\"/o\">o</a>", "<!-- Chuou column -->",
           "<a href=\"/c\">c</a>"})},
      {"passes: top and latest first, then pass 2, then pass 3, whatever the page order",
       Sj({kObit, "o1", "o2", kPolitics, "<li><a href=\"/p\">", "p", kTokusyu, "x", "f", kLatest2,
           "l", kTop, "t1", "t2"}),
       Sj({"<!-- Chuou latest -->", std::string(kLatest2) + "l", "<!-- Chuou top -->",
           std::string(kTop) + "t2", "<!-- Chuou politics -->", "<li><a href=\"/p\">p",
           "<!-- Chuou tokusyu -->", "f", "<!-- Chuou obit -->", "o1o2"})},
      {"a page without any fragment", Sj({"<html>", "<li><a href=\"/p\">", "</html>"}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CutChuou(c.page), c.document);
  }
}

TEST(CutChuou, ReachingPastTheLastLineRaisesWithTheIndexAsked) {
  struct ErrorCase {
    const char* name;
    Lines page;
    const char* message;
  };
  const ErrorCase cases[] = {
      {"top on the last line but one", Sj({"x", kTop, "y"}), "List index out of bounds (3)"},
      {"top on the last line asks for i + 2", Sj({kTop}), "List index out of bounds (2)"},
      {"latest on the last line", Sj({"a", "b", kLatest3}), "List index out of bounds (3)"},
      {"feature on the last line but one", Sj({kTokusyu, "x"}), "List index out of bounds (2)"},
      {"genre item on the last line", Sj({kPolitics, "<li><a href=\"/p\">"}),
       "List index out of bounds (2)"},
      {"editorial on the last line asks for i + 1 first", Sj({"a", kObit}),
       "List index out of bounds (2)"},
      {"column on the last line but one", Sj({kColumn, "a"}), "List index out of bounds (2)"},
      {"pass 1 fails before a pass 2 rule earlier in the page", Sj({kNanboku, kTop}),
       "List index out of bounds (3)"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      CutChuou(c.page);
      ADD_FAILURE() << "no error raised";
    } catch (const QuilletError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(CutChuou, SamplePageGivesTheExpectedSections) {
  std::string body;
  ASSERT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/chuou.html", body), ReadResult::kOk);
  Lines page;
  StreamToLines(page, ConvertTo(std::string_view(body).substr(0, body.find('\0')), kCodeSjis));
  Lines document = CutChuou(page);
  SplitBreaks(document);

  const std::map<int, int> expected = ExpectedHeadlines(43, 55);
  ASSERT_EQ(expected.size(), 13u);
  std::map<int, SectionTally> sections = TallySections(document, CP932("中央日報"));
  EXPECT_EQ(sections.size(), expected.size());
  for (const auto& [category, headlines] : expected) {
    SCOPED_TRACE(category);
    // Top news and cartoon items each get a marker of their own.
    const bool markerPerItem = category == 43 || category == 53;
    EXPECT_EQ(sections[category].markers, markerPerItem ? headlines : 1);
    EXPECT_EQ(sections[category].headlines.size(), static_cast<size_t>(headlines));
  }
  ASSERT_FALSE(sections[43].headlines.empty());
  EXPECT_EQ(sections[43].headlines.front(),
            CP932("韓国銀行、２６日に金融政策会議　金利据え置きの観測強まる"));
  ASSERT_FALSE(sections[44].headlines.empty());
  EXPECT_EQ(sections[44].headlines.front(),
            CP932("・大手財閥グループ、年末の役員人事を発表 [11:05]"));
  EXPECT_EQ(sections[54].headlines,
            (std::vector<std::string>{CP932("【社説】家計負債の管理、先送りは許されない"),
                                      CP932("【社説】韓日首脳会談、未来志向の成果を")}));
}

}  // namespace
}  // namespace quillet
