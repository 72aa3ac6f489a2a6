// The log search and the log browser rows over real log files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/log/log_rows.h"
#include "core/log/log_search.h"
#include "core/sites/catalogue.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

class LogSearch : public ::testing::Test {
 protected:
  void Log(int category, const std::string& text) { test::WriteBytes(LogFilePath(category), text); }

  std::vector<SearchRow> Search(const std::string& keyword) {
    std::vector<SearchRow> rows;
    statuses.clear();
    for (int site = 0; site < kSearchedSites; ++site) {
      ScanSiteLogs(
          site, keyword, [&](const std::string& s) { statuses.push_back(s); }, rows);
    }
    return rows;
  }
  static std::vector<std::string> Headlines(const std::vector<SearchRow>& rows) {
    std::vector<std::string> out;
    for (const SearchRow& r : rows)
      out.push_back(r.item.headline);
    return out;
  }

  test::TempHome home;
  std::vector<std::string> statuses;
};

TEST_F(LogSearch, FindsByHeadlineOnlyFoldingSingleByteLetters) {
  Log(1,
      "Tokyo STOCKS "
      "rise\thttp://y/stocks\t2026/12/05\t1\r\nRain\thttp://y/tokyo\t2026/12/04\t1\r\n");
  Log(3, "tokyo stocks fall\thttp://y/2\t2026/12/03\t0\r\n");
  Log(60, "Tokyo IT\thttp://m/1\t2026/12/03\t1\r\n");  // 毎日新聞: never searched
  auto rows = Search("tokyo");
  EXPECT_EQ(Headlines(rows), (std::vector<std::string>{"Tokyo STOCKS rise", "tokyo stocks fall"}));
  EXPECT_EQ(rows[0].genre, CP932("主要"));
  EXPECT_EQ(rows[1].genre, CP932("社会"));
  EXPECT_EQ(rows[0].siteLabel, "YOL");
  EXPECT_EQ(rows[0].item.date, "2026/12/05");
  EXPECT_EQ(rows[1].item.url, "http://y/2");
  EXPECT_EQ(Search("STOCKS").size(), 2u);
  EXPECT_TRUE(Search("").empty());
  EXPECT_TRUE(Search("http").empty());  // the URL is not searched
}

TEST_F(LogSearch, KeywordMatchesOnlyAtCharacterStarts) {
  // "ソ" ends in 0x5C and "ア" in 0x41 ('A'): neither may match "\" or "a".
  Log(9, CP932("ソフト") + "\tu\td\t1\r\n" + CP932("アジア") + "\tu\td\t1\r\nA\\B\tu\td\t1\r\n");
  EXPECT_EQ(Headlines(Search("\\")), std::vector<std::string>{"A\\B"});
  EXPECT_EQ(Headlines(Search("a")), std::vector<std::string>{"A\\B"});
  EXPECT_EQ(Headlines(Search(CP932("ジア"))), std::vector<std::string>{CP932("アジア")});
}

TEST_F(LogSearch, CommentLikeRecordsAlwaysStayAndRowsFollowCategoryOrder) {
  Log(32, "<!-- odd record\tu\td\t1\r\nCNN one\tu\td\t1\r\n");
  Log(34, "CNN two\tu\td\t1\r\n");
  Log(31, "ZAK\tu\td\t1\r\n");
  auto rows = Search("CNN");
  EXPECT_EQ(Headlines(rows), (std::vector<std::string>{"<!-- odd record", "CNN one", "CNN two"}));
  EXPECT_EQ(rows[2].genre, CP932("注目"));
  EXPECT_EQ(rows[2].site, 4);
  EXPECT_EQ(Search("nothing at all").size(), 1u);  // the comment-like record again
}

TEST_F(LogSearch, StatusTextsCountCategoriesExceptForZakzak) {
  Search("x");
  ASSERT_EQ(statuses.size(), 9u + 10 + 12 + 1 + 11 + 13);
  EXPECT_EQ(Cp932ToUtf8(statuses[0]), "Yomiuri On Line を検索しています...(1/9)");
  EXPECT_EQ(Cp932ToUtf8(statuses[18]), "アサヒ・コム を検索しています...(10/10)");
  EXPECT_EQ(Cp932ToUtf8(statuses[31]), "ZAKZAK を検索しています...");
  EXPECT_EQ(Cp932ToUtf8(statuses[32]), "CNN.co.jp を検索しています...(1/11)");
  EXPECT_EQ(Cp932ToUtf8(FoundCountText(0)), "0件見つかりました");
}

TEST_F(LogSearch, UnreadableLogStopsTheSearchWithTheRowsSoFar) {
  Log(0, "Alpha\tu\td\t1\r\n");
  // A FIFO where Impress' first log should be: it exists but is no readable
  // file, and reading it must neither hang nor pass silently.
  ForceDirectories(DirectoryOf(LogFilePath(19)));
  ASSERT_EQ(mkfifo(LogFilePath(19).c_str(), 0644), 0);
  std::vector<SearchRow> rows;
  auto ignore = [](const std::string&) {};
  ScanSiteLogs(0, "alpha", ignore, rows);
  ScanSiteLogs(1, "alpha", ignore, rows);
  EXPECT_THROW(ScanSiteLogs(2, "alpha", ignore, rows), QuilletError);
  EXPECT_EQ(rows.size(), 1u);
}

TEST_F(LogSearch, LogViewListsEveryLineInFileOrder) {
  EXPECT_TRUE(LoadLogView(5).empty());
  Log(5, "New\thttp://n\t2026/12/06\t1\r\n\r\nOld\thttp://o\t2026/12/01\t0");
  auto rows = LoadLogView(5);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].headline, "New");
  EXPECT_EQ(rows[1].headline, "");  // blank lines give rows too
  EXPECT_EQ(rows[2].date, "2026/12/01");
  Log(6, "");
  EXPECT_TRUE(LoadLogView(6).empty());
}

}  // namespace
}  // namespace quillet
