// 中央日報 cutting rules: three passes, joined lines, and the error raised when
// a rule reaches past the last page line.
#include <gtest/gtest.h>

#include <string>

#include "core/sites/cutting_rules.h"
#include "support/cutting.h"

namespace quillet {
namespace {

using test::Sj;

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

TEST(CutChuou, CutsSectionsAsTheRulesSay) {
  const test::CutCase cases[] = {
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
  test::ExpectCuts(CutChuou, cases);
}

TEST(CutChuou, ReachingPastTheLastLineRaisesWithTheIndexAsked) {
  const test::CutErrorCase cases[] = {
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
  test::ExpectCutErrors(CutChuou, cases);
}

}  // namespace
}  // namespace quillet
