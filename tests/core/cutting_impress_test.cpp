// Impress Watch cutting rules: the top news in a first pass, the headline
// lists in a second, table rows glued into single lines.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"
#include "support/cutting.h"

namespace quillet {
namespace {

const std::string& TopMarker() {
  return CP932("<!--●●●●●トップニュース●●●●●-->");
}
const std::string& PcMarker() {
  return CP932("<!--●●●●●ヘッドライン・パソコン●●●●●-->");
}
const std::string& AkibaMarker() {
  return CP932("<!--●●●●●ヘッドライン・アキバ●●●●●-->");
}
const std::string& CinemaMarker() {
  return CP932("<!--●●●●●ヘッドライン・シネマ情報●●●●●-->");
}

const std::string kTopTable =
    "<table border=\"0\" width=\"468\" cellspacing=\"5\" cellpadding=\"0\">";
const std::string kTopEnd = "</a></b></td></tr>";
const std::string kTable = "<table border=0 width=468 cellspacing=3 cellpadding=0>";
const std::string kQuotedTable =
    "<table border=\"0\" width=\"468\" cellspacing=\"3\" cellpadding=\"0\">";
const std::string kRowEnd = "</a></td></tr>";

TEST(CutImpress, TopNewsKeepsOnlyItsFirstRowGluedWithItsEndLine) {
  const test::CutCase cases[] = {
      {"first row only",
       {TopMarker(), "before table", kTopTable, "<tr><td><b>", "<a href=\"/1\">One", kTopEnd,
        "<a href=\"/2\">Two", kTopEnd},
       {TopMarker(), "<tr><td><b><a href=\"/1\">One" + kTopEnd}},
      {"no table start: marker only", {TopMarker(), "a", kTopEnd}, {TopMarker()}},
      {"no end line: marker only", {TopMarker(), kTopTable, "a", "b"}, {TopMarker()}},
      {"table start before the marker does not count",
       {kTopTable, TopMarker(), "a", kTopEnd},
       {TopMarker()}},
      {"the list table start does not open the top table",
       {TopMarker(), kTable, "a", kTopEnd},
       {TopMarker()}},
  };
  test::ExpectCuts(CutImpress, cases);
}

TEST(CutImpress, ListRowsAreGluedWithoutTheirEndLine) {
  const test::CutCase cases[] = {
      {"pc example",
       {PcMarker(), kTable, "x", "y", kRowEnd, "z", kRowEnd, "</table>", "w", kRowEnd},
       {PcMarker(), kTable + "xy", "z"}},
      {"quoted table start",
       {PcMarker(), "not yet", kRowEnd, kQuotedTable, "x", kRowEnd},
       {PcMarker(), kQuotedTable + "x"}},
      {"akiba opens its table at the marker",
       {AkibaMarker(), "x", kRowEnd, "y", kRowEnd},
       {AkibaMarker(), "x", "y"}},
      {"no table end: rows to the end of the page, open row dropped",
       {CinemaMarker(), kTable, kRowEnd, "a", kRowEnd, "b"},
       {CinemaMarker(), kTable, "a"}},
      {"table start outside a section is ignored", {kTable, "x", kRowEnd}, {}},
  };
  test::ExpectCuts(CutImpress, cases);
}

TEST(CutImpress, AnyFiveCircleCommentClosesTheOpenTable) {
  const std::string& other = CP932("<!--●●●●●広告●●●●●-->");
  const test::CutCase cases[] = {
      {"unknown comment closes and opens nothing",
       {PcMarker(), kTable, "x", kRowEnd, "held", other, "y", kRowEnd},
       {PcMarker(), kTable + "x"}},
      {"next marker closes and opens its own section; held row dropped",
       {PcMarker(), kTable, "x", kRowEnd, "held", AkibaMarker(), "y", kRowEnd},
       {PcMarker(), kTable + "x", AkibaMarker(), "y"}},
      {"contained anywhere in the line",
       {AkibaMarker(), "x", kRowEnd, "<td>" + other, "y", kRowEnd},
       {AkibaMarker(), "x"}},
  };
  test::ExpectCuts(CutImpress, cases);
}

TEST(CutImpress, TopNewsComesFirstAndIsNotReopenedByTheSecondPass) {
  // The top marker in the middle of a list closes the list table in pass 2.
  const Lines page = {AkibaMarker(), "a",     kRowEnd, TopMarker(), kTopTable,
                      "t",           kTopEnd, kRowEnd, "b",         kRowEnd};
  EXPECT_EQ(CutImpress(page), (Lines{TopMarker(), "t" + kTopEnd, AkibaMarker(), "a"}));
}

TEST(CutImpress, RecognisesAllElevenListMarkers) {
  const char* const names[] = {"インターネット",
                               "パソコン",
                               "アキバ",
                               "ブロードバンド",
                               "ケータイ",
                               "デジタルオーディオ／ビジュアル",
                               "ゲーム",
                               "投資情報",
                               "Windows用オンラインソフト",
                               "Mac用オンラインソフト",
                               "シネマ情報"};
  Lines page, doc;
  for (const char* name : names) {
    const std::string marker =
        CP932("<!--●●●●●ヘッドライン・") + Utf8ToCp932(name) + CP932("●●●●●-->");
    page.insert(page.end(), {marker, kTable, kRowEnd, "row", kRowEnd, "</table>"});
    doc.insert(doc.end(), {marker, kTable, "row"});
  }
  EXPECT_EQ(CutImpress(page), doc);
}

}  // namespace
}  // namespace quillet
