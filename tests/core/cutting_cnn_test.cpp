// CNN cutting rules: marker lines for headings and layout comments, lists up to
// the first "</div>", two-column blocks split at their column ends.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "support/cutting.h"

namespace quillet {
namespace {

using test::Sj;

constexpr const char* kWorld =
    "<!-- __________[ WORLD ]_________________________________[ JAPAN ]__________ -->";
constexpr const char* kUs =
    "<!-- __________[ U.S. ]_________________________________[ BUSINESS ]__________ -->";
constexpr const char* kSports =
    "<!--// __________[ SPORTS ]_________________________________[ TECH ]__________ -->";
constexpr const char* kFringe =
    "<!--// __________[ FRINGE ]_________________________________[ SHOWBIZ ]__________ -->";
constexpr const char* kLatest = "<td><span class=\"t2header\">最新ニュース</span></td>";
constexpr const char* kChumoku = "<td><span class=\"t2header\">注目のニュース</span></td>";

TEST(CutCnn, CutsSectionsAsTheRulesSay) {
  const test::CutCase cases[] = {
      {"two top lines get a marker each, nothing after belongs to them",
       Sj({"<p>", "<span class=\"headline\"><a href=\"/1\">一</a></span>",
           "<LI><a href=\"/x\">x</a>", "<b><span class=\"headline\"><a href=\"/2\">二</a></span>"}),
       Sj({"<!-- CNN Top News -->", "<span class=\"headline\"><a href=\"/1\">一</a></span>",
           "<!-- CNN Top News -->", "<b><span class=\"headline\"><a href=\"/2\">二</a></span>"})},
      {"World block: left column, right column after the first </div>, closed after the second",
       Sj({kWorld, "<LI><a href=\"/a\">a", "<LI><a href=\"/b\">b", "</div>", "<LI><a href=\"/c\">c",
           "</div>", "<LI><a href=\"/d\">d"}),
       Sj({"<!-- CNN World News -->", "<LI><a href=\"/a\">a", "<LI><a href=\"/b\">b",
           "<!-- CNN Japan News -->", "<LI><a href=\"/c\">c"})},
      {"the other three blocks and their right-hand markers",
       Sj({kUs, "<LI><a href=\"/1\">", "</div><td>", "<LI><a href=\"/2\">", "</div>", kSports,
           "</div>", "<LI><a href=\"/3\">", "</div>", kFringe, "<LI><a href=\"/4\">", "</div>",
           "</div>"}),
       Sj({"<!-- CNN U.S. News -->", "<LI><a href=\"/1\">", "<!-- CNN Business News -->",
           "<LI><a href=\"/2\">", "<!-- CNN Sports News -->", "<!-- CNN Tech News -->",
           "<LI><a href=\"/3\">", "<!-- CNN Fringe News -->", "<LI><a href=\"/4\">",
           "<!-- CNN Showbiz News -->"})},
      {"a blank before </div> closes nothing; only <LI><a href=\" lines, case counting",
       Sj({kWorld, " </div>", "<li><a href=\"/low\">", "<a href=\"/plain\">", "<LI><a href=\"/a\">",
           "</DIV>", "<LI><a href=\"/b\">"}),
       Sj({"<!-- CNN World News -->", "<LI><a href=\"/a\">", "<LI><a href=\"/b\">"})},
      {"a layout comment seen again while open restarts the left column",
       Sj({kWorld, "<LI><a href=\"/a\">", "</div>", "<LI><a href=\"/b\">", kWorld,
           "<LI><a href=\"/c\">", "</div>", "<LI><a href=\"/d\">"}),
       Sj({"<!-- CNN World News -->", "<LI><a href=\"/a\">", "<!-- CNN Japan News -->",
           "<LI><a href=\"/b\">", "<!-- CNN World News -->", "<LI><a href=\"/c\">",
           "<!-- CNN Japan News -->", "<LI><a href=\"/d\">"})},
      {"layout comments count in full: nine underscores match nothing",
       Sj({"<!-- _________[ WORLD ]_________________________________[ JAPAN ]__________ -->",
           "<LI><a href=\"/a\">", "</div>"}),
       {}},
      {"latest list: items, plain links without images, up to the first </div>",
       Sj({kLatest, "<LI><a href=\"/1\">一", "<a href=\"/2\"><img src=\"p.gif\"></a>",
           "<a href=\"/3\">三</a>", "  <a href=\"/4\">", "</div>", "<LI><a href=\"/5\">",
           "<a href=\"/6\">"}),
       Sj({"<!-- CNN Latest News -->", "<LI><a href=\"/1\">一", "<a href=\"/3\">三</a>"})},
      {"featured list; its heading line is not copied",
       Sj({kChumoku, "<a href=\"/1\">一</a>", "</div></td>", "<a href=\"/2\">"}),
       Sj({"<!-- CNN Chumoku News -->", "<a href=\"/1\">一</a>"})},
      {"a heading line that begins with a link opens the list first, so it is taken",
       Sj({"<a href=\"/latest\"><span class=\"t2header\">最新ニュース</span></a>", "</div>"}),
       Sj({"<!-- CNN Latest News -->",
           "<a href=\"/latest\"><span class=\"t2header\">最新ニュース</span></a>"})},
      {"an item in the World block while the latest list is open is taken twice",
       Sj({kLatest, kWorld, "<LI><a href=\"/a\">a", "</div>", "<LI><a href=\"/b\">b"}),
       Sj({"<!-- CNN Latest News -->", "<!-- CNN World News -->", "<LI><a href=\"/a\">a",
           "<LI><a href=\"/a\">a", "<!-- CNN Japan News -->", "<LI><a href=\"/b\">b"})},
      {"one </div> advances every open block in block order",
       Sj({kWorld, kUs, "<LI><a href=\"/a\">", "</div>", "<LI><a href=\"/b\">"}),
       Sj({"<!-- CNN World News -->", "<!-- CNN U.S. News -->", "<LI><a href=\"/a\">",
           "<LI><a href=\"/a\">", "<!-- CNN Japan News -->", "<!-- CNN Business News -->",
           "<LI><a href=\"/b\">", "<LI><a href=\"/b\">"})},
      {"a page without any fragment", Sj({"<html>", "<LI><a href=\"/a\">", "</div>"}), {}},
  };
  test::ExpectCuts(CutCnn, cases);
}

}  // namespace
}  // namespace quillet
