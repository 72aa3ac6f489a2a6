// The extraction core against real log files in a temporary program folder.
#include <gtest/gtest.h>

#include <random>

#include "core/headlines/extraction.h"
#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/reference_walk.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

const std::string kYolTop = "<!-- /topnews/headline=start -->";
const std::string kYolMain = "<!-- /news/shuyo start -->";

std::string Link(const std::string& target, const std::string& text) {
  return "<a href=\"" + target + "\">" + text + "</a>";
}

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting(1796515200); }

  // Runs one site's walk as a site extractor would: state reset, then the walk.
  test::RecordingList Run(const Lines& document, const std::string& siteLabel = "YOL",
                          const std::string& siteName = "Yomiuri On Line",
                          const std::string& baseUrl = "http://www.yomiuri.co.jp") {
    state.siteLabel = siteLabel;
    state.siteName = siteName;
    state.baseUrl = baseUrl;
    state.genre.clear();
    test::RecordingList list;
    ExtractHeadlines(state, document, list);
    return list;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    settings::WriteString(section, key, value);
  }
  Lines Log(int category) { return LoadLogFile(LogFilePath(category)); }

  test::TempHome home;
  FetchState state;
};

TEST_F(Extraction, RowsCarryTextUrlGenreAndSiteImage) {
  auto list = Run({kYolTop, "<li>" + Link("/n/1.htm", "Headline <b>one</b>") + "</li>",
                   "<A  HREF = \"/n/2.htm\">Two</A>", "<a href='/n/3.htm'>Three</a>"});
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].caption, "YOL");
  EXPECT_EQ(list.rows[0].genre, CP932("トップ"));
  EXPECT_EQ(list.rows[0].headline, "Headline one");
  EXPECT_EQ(list.rows[0].imageIndex, 0);
  EXPECT_EQ(list.rows[0].item.url, "http://www.yomiuri.co.jp/n/1.htm");
  EXPECT_EQ(list.rows[1].item.url, "http://www.yomiuri.co.jp/n/2.htm");
  EXPECT_EQ(list.rows[2].item.url, "http://www.yomiuri.co.jp");  // single quotes: no target
  EXPECT_EQ(Log(0).size(), 3u);
  EXPECT_EQ(Log(0)[0],
            "Headline one\thttp://www.yomiuri.co.jp/n/1.htm\t" + TodayShortDate() + "\t1");
}

TEST_F(Extraction, AlreadyShownHeadlinesStayPutAndAddNewsOnlyHidesThem) {
  SaveLogFile(LogFilePath(0), {"Second story continues\tu\t2020/01/01\t1"});
  const Lines doc = {kYolTop, Link("/1", "First story"), Link("/2", "SECOND story")};
  auto list = Run(doc);
  EXPECT_EQ(list.Headlines(), (std::vector<std::string>{"First story", "SECOND story"}));
  EXPECT_EQ(Log(0), (Lines{"First story\thttp://www.yomiuri.co.jp/1\t" + TodayShortDate() + "\t1",
                           "Second story continues\tu\t2020/01/01\t1"}));

  Set("Main", "AddNewsOnly", "1");
  SaveLogFile(LogFilePath(0), {"Second story continues\tu\t2020/01/01\t1"});
  list = Run(doc);
  EXPECT_EQ(list.Headlines(), std::vector<std::string>{"First story"});
  EXPECT_EQ(Log(0).size(), 2u);
  // Nothing new: no row and no write at all.
  test::WriteBytes(LogFilePath(0), "first STORY\tu\td\t1\r\nsecond story\tu\td\t1");
  EXPECT_TRUE(Run(doc).rows.empty());
  EXPECT_EQ(test::ReadBytes(LogFilePath(0)), "first STORY\tu\td\t1\r\nsecond story\tu\td\t1");
}

TEST_F(Extraction, DisabledCategoryIsLoggedHiddenThenUpgradedWhenEnabled) {
  Set("CheckRoute", "0", "0");
  Set("Main", "NoAddEmpty", "0");
  auto list = Run({kYolTop, Link("/a", "Quiet news"), kYolMain, Link("/b", "Loud news")});
  // Separators for both categories (the disabled one too), headline only for the enabled.
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].headline, "");
  EXPECT_EQ(list.rows[0].genre, CP932("トップ"));
  EXPECT_EQ(list.rows[1].headline, "");
  EXPECT_EQ(list.rows[2].headline, "Loud news");
  ASSERT_EQ(Log(0).size(), 1u);
  EXPECT_EQ(LogField(Log(0)[0], 3), "0");

  SaveLogFile(LogFilePath(0), {"older\tu\t2020/01/01\t1", "Quiet news\t/old\t2020/01/01\t0"});
  Set("CheckRoute", "0", "1");
  Set("Main", "AddNewsOnly", "1");
  Set("Main", "NoAddEmpty", "1");
  list = Run({kYolTop, Link("/a", "Quiet news")});
  EXPECT_EQ(list.Headlines(), std::vector<std::string>{"Quiet news"});
  EXPECT_EQ(Log(0), (Lines{"older\tu\t2020/01/01\t1",
                           "Quiet news\thttp://www.yomiuri.co.jp/a\t" + TodayShortDate() + "\t1"}));
}

TEST_F(Extraction, SameHeadlineTwiceIsLoggedOnce) {
  const Lines doc = {kYolTop, Link("/a", "Twice"), Link("/a", "Twice")};
  EXPECT_EQ(Run(doc).rows.size(), 2u);
  EXPECT_EQ(Log(0).size(), 1u);
  std::filesystem::remove(LogFilePath(0));
  Set("Main", "AddNewsOnly", "1");
  EXPECT_EQ(Run(doc).rows.size(), 1u);
  EXPECT_EQ(Log(0).size(), 1u);
}

TEST_F(Extraction, SaveLogOffWritesNothing) {
  Set("Main", "SaveLog", "0");
  SaveLogFile(LogFilePath(1), {"Shown before\tu\td\t1"});
  Set("Main", "AddNewsOnly", "1");
  auto list = Run({kYolTop, Link("/a", "A"), kYolMain, Link("/b", "Shown before")});
  EXPECT_EQ(list.Headlines(), std::vector<std::string>{"A"});
  EXPECT_FALSE(FileExists(LogFilePath(0)));
}

TEST_F(Extraction, SecondZakzakMarkerRestartsAtTheTopWithoutASeparator) {
  Set("Main", "NoAddEmpty", "0");
  const Category& zak = Categories()[31];
  auto list =
      Run({zak.markers[0], Link("/1", "Z1"), Link("/2", "Z2"), zak.markers[2], Link("/3", "Z3")},
          "ZAKZAK", "ZAKZAK", "http://www.zakzak.co.jp/");
  EXPECT_EQ(list.Headlines(), (std::vector<std::string>{"", "Z1", "Z2", "Z3"}));
  Lines log = Log(31);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(LogField(log[0], 0), "Z3");
  EXPECT_EQ(LogField(log[0], 1), "http://www.zakzak.co.jp//3");  // base and target joined as is
  EXPECT_EQ(LogField(log[1], 0), "Z1");
  EXPECT_EQ(LogField(log[2], 0), "Z2");
}

TEST_F(Extraction, ImpressLinkFormFollowsTheCategory) {
  const auto& c = Categories();
  auto list = Run({c[23].markers[0], Link("/bb/1.htm", "BB"), c[24].markers[0],
                   Link("http://k.example/2.htm", "Keitai"), Link("", "Empty")},
                  "Impress", "Impress Watch", "http://www.watch.impress.co.jp");
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].item.url, "http://www.watch.impress.co.jp/bb/1.htm");
  EXPECT_EQ(list.rows[1].item.url, "http://k.example/2.htm");
  EXPECT_EQ(list.rows[2].item.url, "");
  EXPECT_EQ(list.rows[1].imageIndex, 2);
}

TEST_F(Extraction, TabsBecomeSpacesSoRecordsKeepTheirFields) {
  const Lines doc = {kYolTop, "\t\t" + Link("/a\tb", "Tabbed\theadline")};
  auto list = Run(doc);
  ASSERT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(list.rows[0].headline, "  Tabbed headline");
  EXPECT_EQ(list.rows[0].item.url, "http://www.yomiuri.co.jp/a b");
  Set("Main", "AddNewsOnly", "1");
  EXPECT_TRUE(Run(doc).rows.empty());  // found as shown on the next run
  ASSERT_EQ(Log(0).size(), 1u);
  EXPECT_EQ(LogField(Log(0)[0], 3), "1");
}

TEST_F(Extraction, MarkersOfOtherSitesAndContentBeforeTheFirstMarker) {
  auto list = Run({Link("/x", "Stray"), kYolTop, "<!-- CNN Top News -->", Link("/a", "A")});
  // The CNN marker is an ordinary YOL line: an HTML comment, so no text.
  EXPECT_EQ(list.Headlines(), std::vector<std::string>{"A"});
  EXPECT_EQ(Log(0).size(), 1u);
}

TEST_F(Extraction, LogErrorEndsTheWalkAfterSavingEarlierCategories) {
  test::WriteBytes(home.Path("YOL/shuyou.log"), "");
  std::filesystem::remove(home.Path("YOL/shuyou.log"));
  ForceDirectories(home.Path("YOL/shuyou.log"));  // a folder blocks the log file
  test::RecordingList list;
  state.siteLabel = "YOL";
  state.siteName = "Yomiuri On Line";
  state.baseUrl = "http://y";
  try {
    ExtractHeadlines(state, {kYolTop, Link("/a", "A"), kYolMain, Link("/b", "B"), Link("/c", "C")},
                     list);
    FAIL() << "no error";
  } catch (const QuilletError& e) {
    EXPECT_NE(Cp932ToUtf8(e.what()).find("shuyou.log"), std::string::npos);
  }
  EXPECT_EQ(list.Headlines(), std::vector<std::string>{"A"});
  EXPECT_EQ(Log(0).size(), 1u);
}

TEST(ExtractionDifferential, InMemoryMergeEqualsRewritePerHeadline) {
  SetClockForTesting(1796515200);
  std::mt19937 rng(20261206);
  const auto& zak = Categories()[31].markers;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    test::TempHome fast, slow;
    std::vector<std::string> setup;  // the same settings and old logs in both folders
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string ini = "[Main]\r\nAddNewsOnly=" + std::to_string(pick(2)) +
                      "\r\nSaveLog=" + std::to_string(pick(4) != 0) +
                      "\r\nNoAddEmpty=" + std::to_string(pick(2)) +
                      "\r\n[CheckRoute]\r\n31=" + std::to_string(pick(3) != 0) + "\r\n";
    std::string oldLog;
    for (int i = 0; i < pick(6); ++i) {
      oldLog += "Story " + std::to_string(pick(8)) + " more\tu\t2020/01/01\t" +
                std::to_string(pick(2)) + "\r\n";
    }
    Lines doc;
    for (int i = 0; i < 12; ++i) {
      if (i == 0 || pick(5) == 0) {
        doc.push_back(zak[static_cast<size_t>(pick(3))]);
      } else {
        doc.push_back(Link("/s" + std::to_string(i),
                           (pick(2) ? "story " : "Story ") + std::to_string(pick(8))));
      }
    }
    for (test::TempHome* home : {&fast, &slow}) {
      test::WriteBytes(home->Path("quillet.ini"), ini);
      if (!oldLog.empty()) test::WriteBytes(home->Path("ZAKZAK/top.log"), oldLog);
    }

    FetchState a, b;
    for (FetchState* s : {&a, &b}) {
      s->siteLabel = "ZAKZAK";
      s->siteName = "ZAKZAK";
      s->baseUrl = "http://z/";
    }
    SetProgramDirectory(fast.Dir());
    test::RecordingList fastRows;
    ExtractHeadlines(a, doc, fastRows);

    // The reference walk, with the per-headline log rewrite.
    SetProgramDirectory(slow.Dir());
    test::RecordingList slowRows;
    test::ReferenceExtractHeadlines(b, doc, slowRows);

    EXPECT_EQ(fastRows.Headlines(), slowRows.Headlines());
    EXPECT_EQ(FileExists(fast.Path("ZAKZAK/top.log")), FileExists(slow.Path("ZAKZAK/top.log")));
    EXPECT_EQ(test::ReadBytes(fast.Path("ZAKZAK/top.log")),
              test::ReadBytes(slow.Path("ZAKZAK/top.log")));
    EXPECT_EQ(a.insertPos, b.insertPos);
  }
}

}  // namespace
}  // namespace quillet
