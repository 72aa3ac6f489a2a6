// The bundled sample front pages of the seven sites, turned into page lines,
// cut and normalised as each site's row says: every category must hold the
// markers and the headline count that EXPECTED.md gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"
#include "core/text/text_ops.h"
#include "support/cutting.h"

namespace quillet {
namespace {

class SamplePageCut : public testing::Test {
 protected:
  // Cuts the served page of `site` as the fetch run does and checks the
  // document against the site's table in EXPECTED.md: it opens with a marker,
  // each category has one marker (one per headline for the categories in
  // `markerPerItem`) and the table's headline count, and every headline
  // carries its own link.
  void CutAndCheck(int site, const std::string& file, const std::set<int>& markerPerItem = {}) {
    const Lines page = test::SamplePageLines(site, file);
    ASSERT_FALSE(page.empty());
    document_ = test::SectionDocument(site, page);
    const Site& s = Sites()[static_cast<size_t>(site)];
    ASSERT_FALSE(document_.empty());
    ASSERT_TRUE(CategoryOfMarker(s.shortLabel, document_.front()).has_value())
        << Cp932ToUtf8(document_.front());

    const std::map<int, int> expected = test::ExpectedHeadlines(site);
    ASSERT_EQ(expected.size(), static_cast<size_t>(s.lastCategory - s.firstCategory + 1));
    sections_ = test::TallySections(document_, s.shortLabel);
    EXPECT_EQ(sections_.size(), expected.size());
    for (const auto& [category, headlines] : expected) {
      SCOPED_TRACE(category);
      const test::SectionTally& section = sections_[category];
      EXPECT_EQ(section.markers, markerPerItem.count(category) != 0 ? headlines : 1);
      EXPECT_EQ(section.headlines.size(), static_cast<size_t>(headlines));
      for (size_t i = 0; i < section.links.size(); ++i)
        EXPECT_FALSE(section.links[i].empty()) << Cp932ToUtf8(section.headlines[i]);
    }
  }

  Lines document_;
  std::map<int, test::SectionTally> sections_;
};

TEST_F(SamplePageCut, Yomiuri) {
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(0, "yomiuri.html"));
  // The first top-news story: its headline line has no link of its own, it
  // takes the anchor prefix.
  auto it = std::find_if(document_.begin() + 1, document_.end(),
                         [](const std::string& line) { return !RemoveTags(line).empty(); });
  ASSERT_NE(it, document_.end());
  EXPECT_EQ(RemoveTags(*it),
            CP932("来年度予算の概算要求、総額１２２兆円で過去最大に （11時02分）"));
  EXPECT_EQ(ExtractHref(*it), "/politics/news/20261124ia01.htm");
}

TEST_F(SamplePageCut, Asahi) {
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(1, "asahi.html"));
}

TEST_F(SamplePageCut, Impress) {
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(2, "impress.html"));
}

TEST_F(SamplePageCut, Zakzak) {
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(3, "zakzak.html"));
  // Only the final-edition block: the sports block further down is not read.
  EXPECT_EQ(document_.front(), Categories()[31].markers[0]);
}

TEST_F(SamplePageCut, Cnn) {
  // Every top-news line gets a marker of its own.
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(4, "cnn.html", {32}));
  ASSERT_FALSE(sections_[33].headlines.empty());
  EXPECT_EQ(sections_[33].headlines.front(), CP932("韓国大統領、来月中旬に訪日へ 11:20"));
  ASSERT_FALSE(sections_[36].headlines.empty());
  EXPECT_EQ(sections_[36].headlines.front(), CP932("日本の来年度予算要求、過去最大の１２２兆円"));
}

TEST_F(SamplePageCut, Chuou) {
  // Top news and cartoon items each get a marker of their own.
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(5, "chuou.html", {43, 53}));
  ASSERT_FALSE(sections_[43].headlines.empty());
  EXPECT_EQ(sections_[43].headlines.front(),
            CP932("韓国銀行、２６日に金融政策会議　金利据え置きの観測強まる"));
  ASSERT_FALSE(sections_[44].headlines.empty());
  EXPECT_EQ(sections_[44].headlines.front(),
            CP932("・大手財閥グループ、年末の役員人事を発表 [11:05]"));
  EXPECT_EQ(sections_[54].headlines,
            (std::vector<std::string>{CP932("【社説】家計負債の管理、先送りは許されない"),
                                      CP932("【社説】韓日首脳会談、未来志向の成果を")}));
}

TEST_F(SamplePageCut, Mainichi) {
  // Every top line gets a marker of its own; the row asks for no break
  // splitting, so "<br>" stays in the lines and goes with the tags.
  ASSERT_NO_FATAL_FAILURE(CutAndCheck(6, "mainichi.html", {56}));
  ASSERT_FALSE(sections_[57].headlines.empty());
  EXPECT_EQ(sections_[57].headlines.front(),
            CP932("新宿の雑居ビル火災、約２時間後に鎮火（11:10）"));
  ASSERT_EQ(sections_[58].headlines.size(), 4u);
  EXPECT_EQ(sections_[58].headlines[1], CP932("■インドネシアでＭ６．２の地震（11/24 09:40）"));
  ASSERT_FALSE(sections_[60].headlines.empty());
  EXPECT_EQ(sections_[60].headlines.front(), CP932("■次世代通信「６Ｇ」、国内初の屋外実験を公開"));
}

}  // namespace
}  // namespace quillet
