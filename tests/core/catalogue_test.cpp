// The category catalogue: marker look-up, enabled flags, site labels.
#include <gtest/gtest.h>

#include <set>

#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

TEST(Catalogue, RowsCoverEverySiteInOrderWithUniqueLogs) {
  ASSERT_EQ(Categories().size(), 65u);
  std::set<std::string> logs;
  for (const Category& c : Categories()) {
    const Site& s = Sites()[static_cast<size_t>(c.site)];
    EXPECT_GE(c.index, s.firstCategory);
    EXPECT_LE(c.index, s.lastCategory);
    EXPECT_EQ(c.logFile.rfind(s.logDirectory + "/", 0), 0u) << c.logFile;
    EXPECT_TRUE(logs.insert(c.logFile).second) << c.logFile;
    EXPECT_EQ(c.searchMarker.empty(), c.site == 6);
  }
  EXPECT_EQ(Categories()[1].logFile, "YOL/shuyou.log");
  EXPECT_EQ(Categories()[64].genre, CP932("人事訃報"));
  EXPECT_EQ(Categories()[42].genre, "\xB4\xDD\xC0\xC3\xB2\xDD\xD2\xDD\xC4");  // ｴﾝﾀﾃｲﾝﾒﾝﾄ
}

TEST(Catalogue, MarkerMustMatchTheWholeLineOfTheRightSite) {
  const std::string yol = "YOL";
  EXPECT_EQ(CategoryOfMarker(yol, "<!-- /news/shuyo start -->"), 1);
  EXPECT_EQ(CategoryOfMarker(yol, "<!-- /NEWS/shuyo start -->"), std::nullopt);
  EXPECT_EQ(CategoryOfMarker(yol, " <!-- /news/shuyo start -->"), std::nullopt);
  EXPECT_EQ(CategoryOfMarker(yol, "<!-- /news/shuyo start --> "), std::nullopt);
  EXPECT_EQ(CategoryOfMarker("CNN", "<!-- /news/shuyo start -->"), std::nullopt);
  EXPECT_EQ(CategoryOfMarker("Impress", CP932("<!--●●●●●ヘッドライン・ケータイ●●●●●-->")), 24);
  EXPECT_TRUE(Categories()[24].absoluteLinks);
}

TEST(Catalogue, AnyOfTheThreeZakzakMarkersOpensCategory31) {
  const char* markers[] = {
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆ニュース最終版◆◆◆"
      "</SPAN></FONT><BR>",
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN style=\"font-size: 10pt\">◆◆◆TODAY'S TOP "
      "NEWS◆◆◆</SPAN></FONT><BR>",
      "<FONT SIZE=2 COLOR=\"#0000CC\"><SPAN STYLE=\"font-size: "
      "10pt\">◆◆◆サンスポＮＥＷＳ◆◆◆</SPAN></FONT><BR>",
  };
  for (const char* m : markers)
    EXPECT_EQ(CategoryOfMarker("ZAKZAK", Utf8ToCp932(m)), 31) << m;
}

TEST(Catalogue, SiteImageIndexComparesWholeDisplayLabels) {
  EXPECT_EQ(SiteImageIndex("CNN.co.jp"), 4);
  EXPECT_EQ(SiteImageIndex(CP932("毎日新聞")), 6);
  EXPECT_EQ(SiteImageIndex("YOL"), -1);
  EXPECT_EQ(SiteImageIndex(""), -1);
  EXPECT_EQ(SiteImageIndex("yomiuri on line"), -1);
}

TEST(Catalogue, ChecklistLabelsJoinDisplayLabelAndChecklistGenre) {
  EXPECT_EQ(Cp932ToUtf8(ChecklistLabel(0)), "Yomiuri On Line (トップ)");
  EXPECT_EQ(Cp932ToUtf8(ChecklistLabel(10)), "アサヒ・コム (最新５ニュース)");
  EXPECT_EQ(Cp932ToUtf8(ChecklistLabel(64)), "毎日新聞 (人事・訃報)");
}

TEST(Catalogue, EnabledFlagsAreReadAfreshFromTheSettingsFile) {
  test::TempHome home;
  EXPECT_TRUE(IsCategoryEnabled(5));  // empty settings: everything enabled
  test::WriteBytes(home.Path("quillet.ini"), "[CheckRoute]\r\n5=0\r\n");
  EXPECT_FALSE(IsCategoryEnabled(5));
  EXPECT_TRUE(IsCategoryEnabled(6));
}

}  // namespace
}  // namespace quillet
