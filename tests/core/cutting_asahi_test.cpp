// アサヒ・コム cutting rules: TopTitle copied line by line, the other sections
// joined two by two behind "・", with a pending line that waits across sections.
#include <gtest/gtest.h>

#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"
#include "support/cutting.h"

namespace quillet {
namespace {

const std::string kTopStart = "<!-- Start of TopTitle -->";
const std::string kTopEnd = "<!-- End of TopTitle -->";
const std::string kNationalStart = "<!-- Start of national -->";
const std::string kNationalEnd = "<!-- End of national -->";
const std::string kSportsStart = "<!-- Start of sports -->";
const std::string kSportsEnd = "<!-- End of sports -->";

// "・" followed by the two lines, as the pairs are appended.
std::string Pair(const std::string& first, const std::string& second) {
  return CP932("・") + first + second;
}

TEST(CutAsahi, PairsLinesAndKeepsTheOddOnePending) {
  const test::CutCase cases[] = {
      {"odd line stays pending",
       {"x", kNationalStart, "a", "b", "c", kNationalEnd, "y"},
       {kNationalStart, Pair("a", "b")}},
      {"pending line joins the next paired section after its start line",
       {kNationalStart, "a", "b", "c", kNationalEnd, "gap", kSportsStart, "d", "e", "f",
        kSportsEnd},
       {kNationalStart, Pair("a", "b"), kSportsStart, Pair("c", "d"), Pair("e", "f")}},
      {"pending line waits through the TopTitle section",
       {kNationalStart, "a", kNationalEnd, kTopStart, "t", kTopEnd, kSportsStart, "d"},
       {kNationalStart, kTopStart, "t", kSportsStart, Pair("a", "d")}},
      {"start without end pairs to the end of the page",
       {kSportsStart, "a", "b", "c", "d"},
       {kSportsStart, Pair("a", "b"), Pair("c", "d")}},
      {"end without start only stops", {"a", kSportsEnd, "b", "c"}, {}},
      {"near misses are ordinary lines",
       {"<!-- start of national -->", "a", "<!-- Start of national --> ", "b", "c"},
       {}},
  };
  test::ExpectCuts(CutAsahi, cases);
  // The dot is the two CP932 bytes 0x81 0x45.
  EXPECT_EQ(CutAsahi({kNationalStart, "a", "b"})[1],
            "\x81\x45"
            "ab");
}

TEST(CutAsahi, EmptyLineIsAbsorbedOrCompletesAPair) {
  const test::CutCase cases[] = {
      {"absorbed while nothing is pending",
       {kNationalStart, "", "a", "", "", "b", "c"},
       {kNationalStart, Pair("a", ""), Pair("b", "c")}},
      {"completes a pair as its second line",
       {kNationalStart, "a", "", "b", "c"},
       {kNationalStart, Pair("a", ""), Pair("b", "c")}},
  };
  test::ExpectCuts(CutAsahi, cases);
}

TEST(CutAsahi, TopTitleIsCopiedUnchanged) {
  const test::CutCase cases[] = {
      {"lines, empty ones too, copied as they are",
       {"x", kTopStart, "a", "", "b", kTopEnd, "y"},
       {kTopStart, "a", "", "b"}},
      {"a paired section's end line ends TopTitle too",
       {kTopStart, "a", kNationalEnd, "b"},
       {kTopStart, "a"}},
  };
  test::ExpectCuts(CutAsahi, cases);
}

TEST(CutAsahi, RecognisesAllTenSections) {
  const std::pair<std::string, std::string> paired[] = {
      {"<!-- Start of Top 5 -->", "<!-- End of Top 5 -->"},
      {"<!-- Start of international -->", "<!-- End of international -->"},
      {kNationalStart, kNationalEnd},
      {kSportsStart, kSportsEnd},
      {"<!-- Start of business -->", "<!-- End of business -->"},
      {"<!-- Start of politics -->", "<!-- End of politics -->"},
      {"<!-- Start of culture -->", "<!-- End of culture -->"},
      {"<!-- Start of people -->", "<!-- End of people -->"},
      {"<!-- Start of obituaries -->", "<!-- End of obituaries -->"},
  };
  Lines page = {kTopStart, "top", kTopEnd, "out"};
  Lines doc = {kTopStart, "top"};
  for (const auto& [start, end] : paired) {
    page.insert(page.end(), {start, "1", "2", end, "out"});
    doc.insert(doc.end(), {start, Pair("1", "2")});
  }
  EXPECT_EQ(CutAsahi(page), doc);
}

}  // namespace
}  // namespace quillet
