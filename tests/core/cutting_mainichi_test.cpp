// 毎日新聞 cutting rules: headings switch the mode, the mode picks the lines;
// nothing is split at "<br>", and reaching past the last line raises.
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

constexpr const char* kTop = "<!---- ニュースセレクション----><a href=\"/t\">トップ</a><br>";
constexpr const char* kLatest = "<!-----ニュースセレクション2---->";
constexpr const char* kKokusai = "<!-----　Kokusai　----->";
constexpr const char* kShakai = "<!-----　Shakai　----->";
constexpr const char* kIt = "<!-----　IT　----->";
constexpr const char* kSports = "<!-----　Sports　----->";
constexpr const char* kSeiji = "<!-----　Seiji　----->";
constexpr const char* kKeizai = "<!-----　Keizai　----->";
constexpr const char* kJinji = "<!-----　Jinji　----->";

struct Case {
  const char* name;
  Lines page;
  Lines document;
};

TEST(CutMainichi, CutsSectionsAsTheRulesSay) {
  const Case cases[] = {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CutMainichi(c.page), c.document);
  }
}

TEST(CutMainichi, ReachingPastTheLastLineRaisesWithTheIndexAsked) {
  struct ErrorCase {
    const char* name;
    Lines page;
    const char* message;
  };
  const ErrorCase cases[] = {
      {"list item on the last line", Sj({kKokusai, "■a"}), "List index out of bounds (2)"},
      {"society item on the last line", Sj({"x", kShakai, "a■"}), "List index out of bounds (3)"},
      {"IT item on the last line but one", Sj({kIt, "■a", "b"}), "List index out of bounds (3)"},
      {"IT item on the last line asks for i + 2", Sj({kIt, "■a"}), "List index out of bounds (3)"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      CutMainichi(c.page);
      ADD_FAILURE() << "no error raised";
    } catch (const QuilletError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(CutMainichi, SamplePageGivesTheExpectedSections) {
  std::string body;
  ASSERT_EQ(ReadWholeFile(QUILLET_SAMPLE_DIR "/mainichi.html", body), ReadResult::kOk);
  Lines page;
  StreamToLines(page, ConvertTo(std::string_view(body).substr(0, body.find('\0')), kCodeSjis));
  const Lines document = CutMainichi(page);  // no break splitting for this site

  const std::map<int, int> expected = ExpectedHeadlines(56, 64);
  ASSERT_EQ(expected.size(), 9u);
  std::map<int, SectionTally> sections = TallySections(document, CP932("毎日"));
  EXPECT_EQ(sections.size(), expected.size());
  for (const auto& [category, headlines] : expected) {
    SCOPED_TRACE(category);
    // Every top line gets a marker of its own.
    EXPECT_EQ(sections[category].markers, category == 56 ? headlines : 1);
    EXPECT_EQ(sections[category].headlines.size(), static_cast<size_t>(headlines));
  }
  ASSERT_FALSE(sections[57].headlines.empty());
  EXPECT_EQ(sections[57].headlines.front(), CP932("新宿の雑居ビル火災、約２時間後に鎮火（11:10）"));
  ASSERT_EQ(sections[58].headlines.size(), 4u);
  EXPECT_EQ(sections[58].headlines[1], CP932("■インドネシアでＭ６．２の地震（11/24 09:40）"));
  ASSERT_FALSE(sections[60].headlines.empty());
  EXPECT_EQ(sections[60].headlines.front(), CP932("■次世代通信「６Ｇ」、国内初の屋外実験を公開"));
}

}  // namespace
}  // namespace quillet
