// 毎日新聞 cutting rules: headings switch the mode, the mode picks the lines;
// nothing is split at "<br>", and reaching past the last line raises.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"
#include "support/cutting.h"

namespace quillet {
namespace {

using test::Sj;

constexpr const char* kTop = "<!---- ニュースセレクション----><a href=\"/t\">トップ</a><br>";
constexpr const char* kLatest = "<!-----ニュースセレクション2---->";
constexpr const char* kKokusai = "<!-----　Kokusai　----->";
constexpr const char* kShakai = "<!-----　Shakai　----->";
constexpr const char* kIt = "<!-----　IT　----->";
constexpr const char* kSports = "<!-----　Sports　----->";
constexpr const char* kSeiji = "<!-----　Seiji　----->";
constexpr const char* kKeizai = "<!-----　Keizai　----->";
constexpr const char* kJinji = "<!-----　Jinji　----->";

TEST(CutMainichi, CutsSectionsAsTheRulesSay) {
  const test::CutCase cases[] = {
      {"top: the marker, then the fragment's line unsplit",
       Sj({"<p>", kTop, "<a href=\"/x\">x</a>"}), Sj({"<!-- Mainichi top -->", kTop})},
      {"latest: every line up to the line \"</a>\" but the clear breaks",
       Sj({kLatest, "<a href=\"/1\">一<br>", "<br clear=\"all\">", "", "二</a>",
           "<br clear=\"all\" >", "</a>", "<a href=\"/3\">"}),
       Sj({"<!-- Mainichi latest -->", "<a href=\"/1\">一<br>", "", "二</a>",
           "<br clear=\"all\" >"})},
      {"list mode: lines that begin with ■, joined with the next, up to \"</font>\"",
       Sj({kKokusai, "■<a href=\"/1\">一", "</a><br>", " ■<a href=\"/2\">", "x", "■最後", "</font>",
           "■<a href=\"/3\">", "y"}),
       Sj({"<!-- Mainichi kokusai -->", "■<a href=\"/1\">一</a><br>", "■最後</font>"})},
      {"society mode: lines that contain ■",
       Sj({kShakai, " ■<a href=\"/2\">", "二</a>", "</font> ", "a■b", "c", "</font>", "■z", "w"}),
       Sj({"<!-- Mainichi shakai -->", " ■<a href=\"/2\">二</a>", "a■bc"})},
      {"IT mode: ■ lines joined with the line two below; the line between only if it has ■",
       Sj({kIt, "■<a href=\"/1\">", "skip", "一</a>", "■<a href=\"/2\">", "■<a href=\"/3\">",
           "二</a>", "三</a>", "</font>", "■", "x", "y"}),
       Sj({"<!-- Mainichi IT -->", "■<a href=\"/1\">一</a>", "■<a href=\"/2\">二</a>",
           "■<a href=\"/3\">三</a>"})},
      {"a heading switches the mode without a closing line",
       Sj({kKokusai, "■a", "b", kSports, "■c", "d", kSeiji, "■e", "f", kKeizai, "■g", "h", kJinji,
           "■i", "j", "</font>", "■k", "l"}),
       Sj({"<!-- Mainichi kokusai -->", "■ab", "<!-- Mainichi sports -->", "■cd",
           "<!-- Mainichi seiji -->", "■ef", "<!-- Mainichi keizai -->", "■gh",
           "<!-- Mainichi jinji -->", "■ij"})},
      {"a latest list without its \"</a>\" runs until a genre heading",
       Sj({kLatest, "a", kShakai, "■b", "c"}),
       Sj({"<!-- Mainichi latest -->", "a", "<!-- Mainichi shakai -->", "■bc"})},
      {"\"</font>\" ends only the genre modes, \"</a>\" only the latest",
       Sj({kLatest, "</font>", "</a>", kKokusai, "</a>", "■a", "b"}),
       Sj({"<!-- Mainichi latest -->", "</font>", "<!-- Mainichi kokusai -->", "■ab"})},
      {"■ outside any mode is not taken; the top line does not need ■",
       Sj({"■a", "b", "<!----ニュースセレクション---->", "<!----- ニュースセレクション---->"}),
       {}},
      {"■ matches only at a character start",
       {Utf8ToCp932(kShakai), "\x81\x81\xA1", "x", "\x81\x40\x81\xA1", "y"},
       {Utf8ToCp932("<!-- Mainichi shakai -->"), "\x81\x40\x81\xA1y"}},
  };
  test::ExpectCuts(CutMainichi, cases);
}

TEST(CutMainichi, ReachingPastTheLastLineRaisesWithTheIndexAsked) {
  const test::CutErrorCase cases[] = {
      {"list item on the last line", Sj({kKokusai, "■a"}), "List index out of bounds (2)"},
      {"society item on the last line", Sj({"x", kShakai, "a■"}), "List index out of bounds (3)"},
      {"IT item on the last line but one", Sj({kIt, "■a", "b"}), "List index out of bounds (3)"},
      {"IT item on the last line asks for i + 2", Sj({kIt, "■a"}), "List index out of bounds (3)"},
  };
  test::ExpectCutErrors(CutMainichi, cases);
}

}  // namespace
}  // namespace quillet
