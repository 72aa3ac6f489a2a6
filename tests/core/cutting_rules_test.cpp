// The sites' cutting rules case by case, and each bundled sample page cut as a run cuts it.
// Lines are UTF-8 read as CP932; "@N" ("@N.k") is category N's (k-th) section marker,
// and a line that is not valid UTF-8 stands for its own bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/sites/catalogue.h"
#include "core/sites/front_page.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/code_convert.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "core/text/text_ops.h"
#include "sample_pages.h"

namespace quillet {
namespace {

std::string Cp(std::string_view text) {
  int category = 0, k = 0;
  if (std::sscanf(std::string(text).c_str(), "@%d.%d", &category, &k) >= 1)
    return Categories().at(static_cast<size_t>(category)).markers.at(static_cast<size_t>(k));
  std::string cp932 = Utf8ToCp932(text);
  return Cp932ToUtf8(cp932) == text ? cp932 : std::string(text);
}

Lines Cp(const std::vector<std::string_view>& lines) {
  Lines out;
  for (std::string_view line : lines)
    out.push_back(Cp(line));
  return out;
}

struct CutCase {
  int site;
  const char* name;
  std::vector<std::string_view> page;
  // What the rules make of the page, or the message of the QuilletError they raise.
  std::vector<std::string_view> document;
};

// Lines the cases share: section ends, table starts and ends, headings.
// clang-format off
constexpr const char* kYolKokusaiEnd = "<!-- /news/kokusai=end -->";
constexpr const char* kYolLink1 = "<a href=\"/1\">見出し</a> <a href=\"/1\">[全文へ]</a>";
constexpr const char* kYolLink2 = "<a href=\"/2\" target=\"_top\">[全文へ]</a>";
constexpr const char* kAsahiNationalEnd = "<!-- End of national -->";
constexpr const char* kImprTop = "<table border=\"0\" width=\"468\" cellspacing=\"5\" cellpadding=\"0\">";
constexpr const char* kImprTopEnd = "</a></b></td></tr>";
constexpr const char* kImprList = "<table border=0 width=468 cellspacing=3 cellpadding=0>";
constexpr const char* kImprRowEnd = "</a></td></tr>";
constexpr const char* kZakFinal = "<SPAN style=\"font-size: 12pt\">";
constexpr const char* kCnnWorld = "<!-- __________[ WORLD ]_________________________________[ JAPAN ]__________ -->";
constexpr const char* kChuTop = "<td><font class=headline ><a href=\"/t\">";
constexpr const char* kChuTokusyu = "<font color=#AC0030><b>[特集]</b>";
constexpr const char* kChuCartoon = "<a href=\"/php/manhwa.php\"><img src=\"c.gif\"></a>";
constexpr const char* kMaiTop = "<!---- ニュースセレクション----><a href=\"/t\">トップ</a><br>";
constexpr const char* kMaiLatest = "<!-----ニュースセレクション2---->";
constexpr const char* kMaiShakai = "<!-----　Shakai　----->";

const CutCase kCutCases[] = {
  {0, "a section runs from its start line to its end line",
   {"before", "@2", "", "x", kYolKokusaiEnd, "y", "@2", "z"}, {"@2", "", "x", "@2", "z"}},
  {0, "any end line stops the open section; an end line alone only stops",
   {"@2", "a", "<!-- /news/shakai=end -->", "b", kYolKokusaiEnd, "c"}, {"@2", "a"}},
  {0, "top lines take the last [全文へ] link, the link's own line the one before",
   {"@0", "a", kYolLink1, "b", kYolLink2, "c", "<!-- /topnews/headline=end -->", "d"},
   {"@0", "a", kYolLink1, "<a href=\"/1\">b", "<a href=\"/1\"><a href=\"/2\" target=\"_top\">[全文へ]</a>",
    "<a href=\"/2\" target=\"_top\">c"}},
  {0, "a link before the top section counts; start lines never take it",
   {kYolLink2, "@0", "t", "@2", "k"}, {"@0", "<a href=\"/2\" target=\"_top\">t", "@2", "<a href=\"/2\" target=\"_top\">k"}},
  {0, "no link: from the first byte to one byte past '>'", {"[全文へ] x>yz", "@0", "t"}, {"@0", "[全文へ] x>yt"}},
  {0, "[全文へ] matches on character boundaries only",
   {"<a href=\"/real\">[全文へ]</a>", "<a href=\"/fake\">ー全文へ]</a>", "@0", "t"}, {"@0", "<a href=\"/real\">t"}},

  {1, "paired lines follow a ・; an odd line stays pending",
   {"x", "@12", "a", "b", "c", kAsahiNationalEnd, "y"}, {"@12", "\x81\x45" "ab"}},
  {1, "a pending line waits through TopTitle for the next paired section",
   {"@12", "a", kAsahiNationalEnd, "@9", "t", "", "<!-- End of TopTitle -->", "@13", "d", "e", "f"},
   {"@12", "@9", "t", "", "@13", "・ad", "・ef"}},
  {1, "an empty line is absorbed while nothing is pending, else ends a pair",
   {"@12", "", "a", "", "", "b", "c"}, {"@12", "・a", "・bc"}},

  {2, "top news: the first row of its table, glued through its end line",
   {"@19", "x", kImprTop, "<b>", "<a href=\"/1\">1", kImprTopEnd, "2", kImprTopEnd},
   {"@19", "<b><a href=\"/1\">1</a></b></td></tr>"}},
  {2, "lists: rows glued without their end line, from the table start line; </table> drops the open row",
   {"@21", "a", kImprRowEnd, kImprList, "x", kImprRowEnd, "z", kImprRowEnd, "part", "</table>", "w", kImprRowEnd,
    "@23", kImprList, kImprRowEnd},
   {"@21", "<table border=0 width=468 cellspacing=3 cellpadding=0>x", "z", "@23", kImprList}},
  {2, "any ●●●●● comment closes the table and drops the open row",
   {"@30", kImprList, kImprRowEnd, "held", "<td><!--●●●●●広告●●●●●-->", "y", kImprRowEnd, "@21", kImprList, kImprRowEnd},
   {"@30", kImprList, "@21", kImprList}},
  {2, "top news comes first; its marker closes an open list",
   {"@22", "a", kImprRowEnd, "@19", kImprTop, "t", kImprTopEnd, "b", kImprRowEnd},
   {"@19", "t</a></b></td></tr>", "@22", "a"}},

  {3, "final edition: pairs after the items line, </A><BR> skipped, until an empty line",
   {"@31.0", " <SPAN style=\"font-size: 12pt\">", "", kZakFinal, "", "p", "</A><BR>", "q", "r", "s", "", "t", "u"},
   {"@31.0", "pq", "rs"}},
  {3, "top news: pairs from the first upper-case link after the ready line",
   {"@31.1", "<A HREF=\"/0\">", "<FONT SIZE=3><SPAN style=\"font-size: 12pt\">", "<a href=\"/1\">", "x", "<A HREF=\"/2\">2", "</A><BR>", "d", "", "e"},
   {"@31.1", "<A HREF=\"/2\">2d"}},
  {3, "sports: single lines up to the right-aligned div; only the first block is cut",
   {"@31.2", "<FONT SIZE=+1><SPAN style=\"font-size: 12pt\">", "x", "<FONT SIZE=+1><SPAN STYLE=\"font-size: 12pt\">", "a", "", "</A><BR>",
    "<DIV ALIGN=\"right\">more", "@31.0", kZakFinal, "p", "q"},
   {"@31.2", "a", "</A><BR>"}},

  {4, "each top line gets a marker of its own",
   {"<span class=\"headline\">1</span>", "<LI><a href=\"/x\">", "<b><span class=\"headline\">2"},
   {"@32", "<span class=\"headline\">1</span>", "@32", "<b><span class=\"headline\">2"}},
  {4, "a block: the left column, the right one after a </div>, closed after the next",
   {kCnnWorld, "<LI><a href=\"/a\">", " </div>", "</DIV>", "<li><a href=\"/b\">", "</div><td>", "<LI><a href=\"/c\">",
    "</div>", "<LI><a href=\"/d\">"},
   {"@35", "<LI><a href=\"/a\">", "@36", "<LI><a href=\"/c\">"}},
  {4, "the other blocks; one </div> advances every open block",
   {"<!-- __________[ U.S. ]_________________________________[ BUSINESS ]__________ -->", "<!--// __________[ SPORTS ]_________________________________[ TECH ]__________ -->", "<LI><a href=\"/1\">", "</div>", "</div>", "<!--// __________[ FRINGE ]_________________________________[ SHOWBIZ ]__________ -->", "</div>", "</div>"},
   {"@37", "@39", "<LI><a href=\"/1\">", "<LI><a href=\"/1\">", "@38", "@40", "@41", "@42"}},
  {4, "a layout comment seen again restarts the left column; a near miss is no comment",
   {kCnnWorld, "</div>", kCnnWorld, "</div>", "<!-- _________[ WORLD ]_________________________________[ JAPAN ]__________ -->"},
   {"@35", "@36", "@35", "@36"}},
  {4, "latest: list items and links without images up to a </div>, items twice in a block",
   {"<td><span class=\"t2header\">最新ニュース</span></td>", "<LI><a href=\"/1\">", "<a href=\"/2\"><img src=\"p.gif\"></a>", "<a href=\"/3\">", " <a href=\"/4\">",
    kCnnWorld, "<LI><a href=\"/w\">", "</div>", "<a href=\"/5\">", "<LI><a href=\"/6\">"},
   {"@33", "<LI><a href=\"/1\">", "<a href=\"/3\">", "@35", "<LI><a href=\"/w\">", "<LI><a href=\"/w\">", "@36",
    "<LI><a href=\"/6\">"}},

  {5, "top: line i with line i + 2; latest: one marker, each line with the next",
   {kChuTop, "b", "c", "<font class=headline3><a href=\"/m\">", "1", "<font class=headline2 ><a href=\"/l\">", "2", "<font class=headline>", "x"},
   {"@43", "<td><font class=headline ><a href=\"/t\">c", "@44", "<font class=headline3><a href=\"/m\">1",
    "<font class=headline2 ><a href=\"/l\">2"}},
  {5, "features: the line two below their heading; the cartoon line as it is",
   {kChuTokusyu, "x", "f", "<font color=#AC0030><b>[南北新時代]</b>", "x", "n", kChuCartoon, " <a href=\"/php/manhwa.php\">"},
   {"@45", "f", "@46", "n", "@53", kChuCartoon}},
  {5, "genre lists: items joined with the next line under the last heading, never closed",
   {"<li><a href=\"/0\">", "0", "<tr><td><font color=#AC0030><b> 政治 </b></font>", "<li><a href=\"/p\">", "p", "</table>", "<font color=#AC0030><b> 経済 </b>",
    "<LI><a href=\"/x\">", " <li><a href=\"/y\">", "<li><a href=\"/q\">", "r"},
   {"@47", "<li><a href=\"/p\">p", "@48", "<li><a href=\"/q\">r"}},
  {5, "editorial and column: the two lines after the heading; the passes in order",
   {"<font color=#000000><b>社説</b>", "o1", "o2", "<font color=#000000><b>コラム</b>", "c1", "c2", kChuTokusyu, "x", "f", kChuTop, "t1", "t2"},
   {"@43", "<td><font class=headline ><a href=\"/t\">t2", "@45", "f", "@54", "o1o2", "@55", "c1c2"}},
  {5, "a rule reaching past the last line raises with the index asked", {"x", kChuTop, "y"}, {"List index out of bounds (3)"}},

  {6, "top: the marker and the line; latest: lines up to \"</a>\" but the clear breaks",
   {kMaiTop, kMaiLatest, "a<br>", "<br clear=\"all\">", "</font>", "<br clear=\"all\" >", "</a>", "b"},
   {"@56", kMaiTop, "@57", "a<br>", "</font>", "<br clear=\"all\" >"}},
  {6, "lists: lines that begin with ■, joined with the next, up to \"</font>\"",
   {"<!-----　Kokusai　----->", "■a", "1", " ■b", "x", "</a>", "■c", "</font>", "■d", "y"}, {"@58", "■a1", "■c</font>"}},
  {6, "society: lines that contain ■; IT: joined with the line two below",
   {kMaiShakai, " ■a", "1", "</font>", "<!-----　IT　----->", "■b", "■c", "2", "3", "</font>", "■", "x", "y"},
   {"@59", " ■a1", "@60", "■b2", "■c3"}},
  {6, "a heading switches the mode without a closing line",
   {kMaiLatest, "a", "<!-----　Sports　----->", "■b", "1"}, {"@57", "a", "@61", "■b1"}},
  {6, "■ outside a mode, and off a character start, is not taken",
   {"■a", "b", kMaiShakai, "\x81\x81\xA1", "x", "\x81\x40\x81\xA1", "y"}, {"@59", "\x81\x40\x81\xA1y"}},
};
// clang-format on

// Beyond EXPECTED.md's counts: the categories with a marker per headline, the code
// guessed (-1: not guessed), and one headline with its link.
struct SamplePage {
  std::set<int> markerPerHeadline;
  int guessedCode;
  int category;
  size_t headline;
  const char* text;
  const char* link;
};

// clang-format off
const SamplePage kSamplePages[kSiteCount] = {
  {{}, -1, 0, 0, "来年度予算の概算要求、総額１２２兆円で過去最大に （11時02分）", "/politics/news/20261124ia01.htm"},
  {{}, -1, 10, 0, "・新宿の雑居ビル火災、約２時間後に鎮火(11:05)", "national/update/1124/011.html"},
  {{}, kCodeJisB, 19, 0, "次世代ノートPC向けCPU、国内メーカー各社が搭載機を一斉発表", "/pc/docs/2026/1124/pcw01.htm"},
  {{}, -1, 31, 0, "年末ジャンボ発売、西銀座に早朝から行列２００人", "top/2026_11/t2026112401.html"},
  {{32}, -1, 33, 0, "韓国大統領、来月中旬に訪日へ 11:20", "/2026/WORLD/asiapcf/11/24/korea.japan.visit/index.html"},
  {{43, 53}, kCodeEuc, 54, 1, "【社説】韓日首脳会談、未来志向の成果を", "/html/2026/1124/20261124070011501.html"},
  {{56}, kCodeSjis, 58, 1, "■インドネシアでＭ６．２の地震（11/24 09:40）", "/news/20261124k0000m030102000c.html"},
};
// clang-format on

class SiteCut : public testing::TestWithParam<int> {
 protected:
  const Site& site_ = Sites()[static_cast<size_t>(GetParam())];
};

TEST_P(SiteCut, CutsEachCaseIntoItsDocument) {
  int cases = 0;
  for (const CutCase& c : kCutCases) {
    if (c.site != GetParam()) continue;
    SCOPED_TRACE(c.name);
    ++cases;
    try {
      EXPECT_EQ(site_.cut(Cp(c.page)), Cp(c.document));
    } catch (const QuilletError& e) {
      EXPECT_EQ(Lines{e.what()}, Cp(c.document));
    }
  }
  EXPECT_GE(cases, 3);
}

TEST_P(SiteCut, SamplePageYieldsWhatExpectedMdSays) {
  const SamplePage& expected = kSamplePages[GetParam()];
  const std::string file(kSamplePageFiles[static_cast<size_t>(GetParam())]);
  std::string body;
  ASSERT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/" + file, body), ReadResult::kOk);
  const bool guessed = site_.pageLines == PageLinesFrom::kConvert;
  EXPECT_EQ(guessed ? DetectCode(body) : -1, expected.guessedCode);
  const Lines document = SectionDocument(site_, body);
  // Per category: its marker lines, and the text and link of each content line.
  std::map<int, int> markers;
  std::map<int, std::vector<std::pair<std::string, std::string>>> headlines;
  int category = -1;
  for (const std::string& line : document) {
    if (std::optional<int> opened = CategoryOfMarker(site_.shortLabel, line)) {
      category = *opened;
      ++markers[category];
    } else if (std::string text = RemoveTags(line); !text.empty()) {
      ASSERT_NE(category, -1) << "content line before the first marker";
      headlines[category].emplace_back(std::move(text), ExtractHref(line));
    }
  }
  // Headline counts per category from EXPECTED.md's "| category | genre | headlines |" rows.
  std::string expectedMd;
  ASSERT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/EXPECTED.md", expectedMd), ReadResult::kOk);
  Lines rows;
  StreamToLines(rows, expectedMd);
  std::map<int, int> counts;
  for (const std::string& row : rows) {
    int c = 0, n = 0;
    if (std::sscanf(row.c_str(), "| %d | %*[^|]| %d |", &c, &n) == 2 && c >= site_.firstCategory &&
        c <= site_.lastCategory)
      counts[c] = n;
  }
  ASSERT_EQ(counts.size(), static_cast<size_t>(site_.lastCategory - site_.firstCategory + 1));
  for (const auto& [c, count] : counts) {
    SCOPED_TRACE(c);
    const auto& items = headlines[c];
    EXPECT_EQ(items.size(), static_cast<size_t>(count));
    EXPECT_EQ(markers[c], expected.markerPerHeadline.count(c) != 0 ? count : 1);
    for (const auto& [text, link] : items) {
      // The URL the extraction makes: one "http://", a host, then a single '/'.
      const bool absolute = Categories()[static_cast<size_t>(c)].absoluteLinks;
      const std::string url = absolute ? link : site_.baseUrl + link;
      const size_t slash = url.find('/', 7);
      EXPECT_TRUE(url.starts_with("http://") && url.find("//", 7) == std::string::npos &&
                  (absolute ? slash != std::string::npos : slash == 7 + site_.host.size()))
          << url;
    }
  }
  ASSERT_GT(headlines[expected.category].size(), expected.headline);
  EXPECT_EQ(headlines[expected.category][expected.headline],
            std::make_pair(Cp(expected.text), std::string(expected.link)));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, SiteCut, testing::Range(0, kSiteCount),
                         [](const testing::TestParamInfo<int>& site) {
                           return Sites()[static_cast<size_t>(site.param)].logDirectory;
                         });

}  // namespace
}  // namespace quillet
