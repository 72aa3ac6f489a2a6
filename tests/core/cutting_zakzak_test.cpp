// ZAKZAK cutting rules: the first of three blocks is cut; final edition and top
// news join two lines per headline, sports takes single lines.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"
#include "support/cutting.h"

namespace quillet {
namespace {

const std::string& FinalMarker() {
  return CP932(
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">"
      "◆◆◆ニュース最終版◆◆◆</SPAN></FONT><BR>");
}
const std::string& TopMarker() {
  return CP932(
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">"
      "◆◆◆TODAY'S TOP NEWS◆◆◆</SPAN></FONT><BR>");
}
const std::string& SportsMarker() {
  return CP932(
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN STYLE=\"font-size: 10pt\">"
      "◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>");
}

const std::string kFinalItems = "<SPAN style=\"font-size: 12pt\">";
const std::string kTopReady = "<FONT SIZE=3><SPAN style=\"font-size: 12pt\">";
const std::string kSportsItems = "<FONT SIZE=+1><SPAN STYLE=\"font-size: 12pt\">";
const std::string kSportsEnd = "<DIV ALIGN=\"right\">";

TEST(CutZakzak, FinalEditionJoinsTwoLinesAndStopsAtAnEmptyLine) {
  const test::CutCase cases[] = {
      {"empty lines before the first headline do not stop",
       {"x", FinalMarker(), "", kFinalItems + "<B>", "", "p", "</A><BR>", "q", "r", "s", "", "t",
        "u"},
       {FinalMarker(), "pq", "rs"}},
      {"pending line at the end is dropped",
       {FinalMarker(), kFinalItems, "p", "q", "r"},
       {FinalMarker(), "pq"}},
      {"no items line: marker only", {FinalMarker(), "p", "q"}, {FinalMarker()}},
      {"items line must begin the line",
       {FinalMarker(), " " + kFinalItems, "p", "q"},
       {FinalMarker()}},
  };
  test::ExpectCuts(CutZakzak, cases);
}

TEST(CutZakzak, TopNewsItemsBeginAtTheFirstLinkAfterTheReadyLine) {
  const test::CutCase cases[] = {
      {"joined pairs from the link on",
       {TopMarker(), "<A HREF=\"/early\">no", kTopReady + "x", "lead text", "<A HREF=\"/1\">One",
        "</A><BR>", "detail 1", "<A HREF=\"/2\">Two", "detail 2", "", "<A HREF=\"/3\">Three", "d"},
       {TopMarker(), "<A HREF=\"/1\">Onedetail 1", "<A HREF=\"/2\">Twodetail 2"}},
      {"lower-case link does not begin the items",
       {TopMarker(), kTopReady, "<a href=\"/1\">one", "x", "<A HREF=\"/2\">Two", "y"},
       {TopMarker(), "<A HREF=\"/2\">Twoy"}},
  };
  test::ExpectCuts(CutZakzak, cases);
}

TEST(CutZakzak, SportsTakesSingleLinesUpToTheRightAlignedDiv) {
  const test::CutCase cases[] = {
      {"single lines, empty ones skipped",
       {SportsMarker(), "before", kSportsItems + "x", "a", "", "b", "</A><BR>", kSportsEnd + "more",
        "c"},
       {SportsMarker(), "a", "b", "</A><BR>"}},
      {"runs to the end without its end line",
       {SportsMarker(), kSportsItems, "a", "b"},
       {SportsMarker(), "a", "b"}},
      {"lower-case STYLE is not the sports items line",
       {SportsMarker(), "<FONT SIZE=+1><SPAN style=\"font-size: 12pt\">", "a"},
       {SportsMarker()}},
  };
  test::ExpectCuts(CutZakzak, cases);
}

TEST(CutZakzak, OnlyTheFirstBlockThatEndsIsCut) {
  const test::CutCase cases[] = {
      {"top news then sports",
       {TopMarker(), kTopReady, "<A HREF=\"/1\">One", "d1", "", SportsMarker(), kSportsItems, "s",
        kSportsEnd},
       {TopMarker(), "<A HREF=\"/1\">Oned1"}},
      {"no marker: empty document", {kFinalItems, "p", "q", kSportsItems, "s"}, {}},
      // The sports marker differs from the other two only by "STYLE".
      {"marker case counts",
       {CP932("<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: "
              "10pt\">◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>"),
        kSportsItems, "s"},
       {}},
  };
  test::ExpectCuts(CutZakzak, cases);
}

}  // namespace
}  // namespace quillet
