// Yomiuri On Line cutting rules: sections between start and end lines, and the
// anchor prefix that top-news lines take from the last "[全文へ]" link.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"
#include "support/cutting.h"

namespace quillet {
namespace {

const std::string kTopStart = "<!-- /topnews/headline=start -->";
const std::string kTopEnd = "<!-- /topnews/headline=end -->";
const std::string kKokusaiStart = "<!-- /news/kokusai=start -->";
const std::string kKokusaiEnd = "<!-- /news/kokusai=end -->";

TEST(CutYomiuri, CopiesEachSectionFromItsStartLineUpToItsEndLine) {
  const test::CutCase cases[] = {
      {"kokusai",
       {kKokusaiStart, "<a href=\"/k\">K</a>", kKokusaiEnd, "after"},
       {kKokusaiStart, "<a href=\"/k\">K</a>"}},
      {"lines outside sections are dropped",
       {"before", kKokusaiStart, "", "x", kKokusaiEnd, "y"},
       {kKokusaiStart, "", "x"}},
      {"start without end runs to the end", {kKokusaiStart, "a", "b"}, {kKokusaiStart, "a", "b"}},
      {"end without start only stops", {"a", kKokusaiEnd, "b"}, {}},
      // Any end line stops collecting, not only the section's own.
      {"foreign end line",
       {kKokusaiStart, "a", "<!-- /news/shakai=end -->", "b"},
       {kKokusaiStart, "a"}},
      {"near misses are ordinary lines",
       {"<!-- /news/shuyo=start -->", "a", " <!-- /news/kokusai=start -->", "b",
        "<!-- /NEWS/kokusai=start -->", "c", "<!-- /news/okuyami=start -->", "d"},
       {}},
  };
  test::ExpectCuts(CutYomiuri, cases);
}

TEST(CutYomiuri, RecognisesAllNineStartAndEndLines) {
  const std::pair<std::string, std::string> rows[] = {
      {kTopStart, kTopEnd},
      {"<!-- /news/shuyo start -->", "<!-- /news/shuyo end -->"},
      {kKokusaiStart, kKokusaiEnd},
      {"<!-- /news/shakai=start -->", "<!-- /news/shakai=end -->"},
      {"<!-- /news/sports=start -->", "<!-- /news/sports=end -->"},
      {"<!-- /news/seiji=start -->", "<!-- /news/seiji=end -->"},
      {"<!-- /news/keizai=start -->", "<!-- /news/keizai=end -->"},
      {"<!-- /news/okuyami start -->", "<!-- /news/okuyami end -->"},
      {"<!-- /news/column start -->", "<!-- /news/column end -->"},
  };
  Lines page, doc;
  for (const auto& [start, end] : rows) {
    page.insert(page.end(), {start, "item " + start, end, "gap"});
    doc.insert(doc.end(), {start, "item " + start});
  }
  EXPECT_EQ(CutYomiuri(page), doc);
}

TEST(CutYomiuri, TopNewsLinesTakeTheLastFullArticleLinkAsPrefix) {
  const std::string link1 =
      CP932("<a href=\"/t/1.htm\">見出し</a> <a href=\"/t/1.htm\">[全文へ]</a>");
  const std::string link2 = CP932("<a href=\"/t/2.htm\" target=\"_top\">[全文へ]</a>");
  const std::string prefix1 = "<a href=\"/t/1.htm\">";
  const std::string prefix2 = "<a href=\"/t/2.htm\" target=\"_top\">";
  const test::CutCase cases[] = {
      {"unchanged until the first link",
       {kTopStart, "a", link1, "b", link2, "c", kTopEnd, "d"},
       // The link line itself still carries the prefix before it.
       {kTopStart, "a", link1, prefix1 + "b", prefix1 + link2, prefix2 + "c"}},
      {"a link anywhere earlier counts; other sections take no prefix",
       {kKokusaiStart, link2, kKokusaiEnd, kTopStart, "t", kTopEnd, kKokusaiStart, "k"},
       {kKokusaiStart, link2, kTopStart, prefix2 + "t", kKokusaiStart, "k"}},
      {"the prefix outlives the top section",
       {link1, kTopStart, "t", kTopEnd, kTopStart, "u"},
       {kTopStart, prefix1 + "t", kTopStart, prefix1 + "u"}},
  };
  test::ExpectCuts(CutYomiuri, cases);
}

// The top-news start line is the category's marker: a prefix in front of it
// would hide the category from the extraction.
TEST(CutYomiuri, StartLinesNeverTakeThePrefix) {
  const std::string link = CP932("<a href=\"/z.htm\">[全文へ]</a>");
  const Lines doc = CutYomiuri({link, kTopStart, "t", kKokusaiStart, "k"});
  EXPECT_EQ(doc, (Lines{kTopStart, "<a href=\"/z.htm\">t", kKokusaiStart, "<a href=\"/z.htm\">k"}));
}

TEST(CutYomiuri, AnchorPrefixRunsFromFirstLinkToFirstClosingBracket) {
  struct PrefixCase {
    const char* name;
    std::string line;
    std::string prefix;
  };
  const PrefixCase cases[] = {
      {"plain link", CP932("<a href=\"/a.htm\">[全文へ]</a>"), "<a href=\"/a.htm\">"},
      {"text before the link", CP932("本文 <a href=\"/a\" class=\"m\">[全文へ]</a>"),
       "<a href=\"/a\" class=\"m\">"},
      {"'>' before the link gives empty", CP932("<p><a href=\"/a.htm\">[全文へ]</a>"), ""},
      {"link without '>' gives empty", CP932("<a href=\"/a.htm\" [全文へ]"), ""},
      // Without "<a href" the count starts at the first byte and takes one
      // byte past the first '>'.
      {"no link: one byte past '>'", CP932("[全文へ] x>yz"), CP932("[全文へ] x>y")},
      {"capital link is no link", CP932("<A HREF=\"/u\">[全文へ]"), CP932("<A HREF=\"/u\">[")},
      {"neither link nor '>': first byte", CP932("[全文へ]"), "["},
      {"'>' is the last byte", CP932("[全文へ]>"), CP932("[全文へ]>")},
  };
  for (const PrefixCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CutYomiuri({c.line, kTopStart, "t"}), (Lines{kTopStart, c.prefix + "t"}));
  }
}

TEST(CutYomiuri, FullArticleMarkIsMatchedOnCharacterBoundaries) {
  // "ー" is 0x83 0x5B: its trail byte is '[', but "ー全文へ]" holds no "[全文へ]".
  const std::string fake = CP932("<a href=\"/fake\">ー全文へ]</a>");
  ASSERT_NE(fake.find(CP932("[全文へ]")), std::string::npos);
  const std::string real = CP932("<a href=\"/real\">[全文へ]</a>");
  EXPECT_EQ(CutYomiuri({real, fake, kTopStart, "t"}), (Lines{kTopStart, "<a href=\"/real\">t"}));
}

}  // namespace
}  // namespace quillet
