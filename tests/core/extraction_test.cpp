// The extraction core against real log files in a temporary program folder.
#include <gtest/gtest.h>

#include <random>

#include "core/headlines/headline_merge.h"
#include "core/headlines/run_news.h"
#include "core/headlines/site_items.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/reference_log.h"
#include "support/reference_walk.h"

namespace quillet {
namespace {

const std::string kYolTop = "<!-- /topnews/headline=start -->";
const std::string kYolMain = "<!-- /news/shuyo start -->";
using Strings = std::vector<std::string>;

std::string Link(const std::string& target, const std::string& text) {
  return "<a href=\"" + target + "\">" + text + "</a>";
}

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override { SetClockForTesting(1796515200); }
  // One site's walk as a site extractor runs it; its rows as "headline|url|image".
  Strings Run(const Lines& document, size_t site = 0) {
    list.rows.clear();
    merge.Merge(SiteItems(Sites()[site], document, settings.connection.enabled), list);
    Strings rows;
    for (const auto& r : list.rows)
      rows.push_back(r.headline + "|" + r.item.url + "|" + std::to_string(r.imageIndex));
    return rows;
  }
  // The settings file, as a run reads it when it begins.
  void Settings(const std::string& ini) {
    test::WriteBytes(home.Path("quillet.ini"), ini);
    settings = settings::ReadSettings();
    merge.BeginRun(settings);
  }
  Lines Log(int category) { return LoadLogFile(LogFilePath(category)); }
  std::string Record(const std::string& text, char flag = '1') {
    return text + "\t" + TodayShortDate() + "\t" + flag;
  }

  test::TempHome home;
  settings::Settings settings;
  HeadlineMerge merge;
  test::RecordingList list;
};

TEST_F(Extraction, NewHeadlinesGoAboveTheOldInPageOrderAndNewOnlyHidesShownOnes) {
  const std::string old = "Second story continues\tu\t2020/01/01\t1";
  SaveLogFile(LogFilePath(0), {old});
  const Lines doc = {kYolTop, Link("/1", "First <b>story</b>"), Link("/2", "SECOND story"),
                     "<a href='/3'>Third</a>", Link("/1", "First story")};
  EXPECT_EQ(Run(doc), (Strings{"First story|http://www.yomiuri.co.jp/1|0",
                               "SECOND story|http://www.yomiuri.co.jp/2|0",
                               "Third|http://www.yomiuri.co.jp|0",
                               "First story|http://www.yomiuri.co.jp/1|0"}));
  EXPECT_EQ(list.rows[0].caption + list.rows[0].genre, "YOL" + CP932("トップ"));
  EXPECT_EQ(Log(0), (Lines{Record("First story\thttp://www.yomiuri.co.jp/1"),
                           Record("Third\thttp://www.yomiuri.co.jp"), old}));
  // New only, nothing new: no row and no write at all.
  Settings("[Main]\r\nAddNewsOnly=1\r\n");
  const std::string shown = "first STORY\tu\td\t1\r\nsecond story\tu\td\t1\r\nthird\t\t\t1";
  test::WriteBytes(LogFilePath(0), shown);
  EXPECT_TRUE(Run(doc).empty());
  EXPECT_EQ(test::ReadBytes(LogFilePath(0)), shown);
}

// New: no record in the log when the run began; with the logs off, not met by an earlier
// run of the process. Each case's documents are successive runs over `log` as category 0's.
struct NewnessCase {
  const char* what;
  std::string ini;
  Lines log;
  std::vector<Lines> runs;
  std::vector<Strings> news;  // the new rows' headlines, per run
};

TEST_F(Extraction, RowsAreNewWhenTheirLogHeldNoRecordOfThemWhenTheRunBegan) {
  const std::string kept = "old story goes on\tu\t2020/01/01\t1";
  // clang-format off
  const NewnessCase cases[] = {
      {"held before the run (with the flag 1 or 0), then in a later run", "",
       {kept, "Quiet news\tu\t2020/01/01\t0"},
       {{kYolTop, Link("/1", "Fresh"), Link("/2", "OLD story"), Link("/4", "Quiet news"), Link("/1", "Fresh")},
        {kYolTop, Link("/1", "fresh"), Link("/3", "Another"), Link("/3", "Another")}},
       {{"Fresh", "Fresh"}, {"Another", "Another"}}},
      {"logs off", "[Main]\r\nSaveLog=0\r\n", {kept},
       {{kYolTop, Link("/1", "Logless"), Link("/2", "logless"), Link("/3", "OLD story")},
        {kYolTop, Link("/1", "LOGLESS"), Link("/4", "Later"), Link("/4", "Later")}},
       {{"Logless", "logless", "OLD story"}, {"Later", "Later"}}},
  };
  // clang-format on
  for (const NewnessCase& c : cases) {
    SCOPED_TRACE(c.what);
    merge = HeadlineMerge();
    Settings(c.ini);
    SaveLogFile(LogFilePath(0), c.log);
    SaveLogFile(LogFilePath(1), {});
    ASSERT_EQ(c.runs.size(), c.news.size());
    for (size_t run = 0; run < c.runs.size(); ++run) {
      merge.BeginRun(settings);
      Run(c.runs[run]);
      Strings news;
      for (const auto& r : list.rows)
        if (r.item.isNew) news.push_back(r.headline);
      EXPECT_EQ(news, c.news[run]) << "run " << run;
    }
  }
}

TEST(RunNews, ListsFiveWatchedOnesFirstAndCountsTheRest) {
  RunNews news;
  for (int row = 0; row < 7; ++row)
    news.Add(row + 3, "S" + std::to_string(row), "h" + std::to_string(row), row % 3 == 2);
  EXPECT_EQ(news.FirstRow(), 3);
  EXPECT_EQ(news.CountText(), CP932("新着 7件 (ウォッチ 2件)"));
  EXPECT_EQ(news.ListText(), "S2: h2\nS5: h5\nS0: h0\nS1: h1\nS3: h3\n" + CP932("ほか 2件"));
}

TEST(SeenHeadlines, AHeadlineStillMetIsNeverForgottenAndCategoriesAreApart) {
  SeenHeadlines seen;
  seen.BeginRun();
  EXPECT_TRUE(seen.NewInRun(0, "Kept") && seen.NewInRun(1, "Kept") && seen.NewInRun(0, "Once"));
  for (size_t n = 0; n < 2 * SeenHeadlines::kGeneration; ++n) {
    if (n % 1000 == 0) seen.BeginRun();
    EXPECT_FALSE(seen.NewInRun(0, "kept")) << n;
    seen.NewInRun(2, std::to_string(n));
  }
  seen.BeginRun();
  EXPECT_TRUE(seen.NewInRun(0, "Once"));
}

TEST_F(Extraction, DisabledCategoryIsLoggedHiddenThenRenewedWhenEnabled) {
  // Separators for both categories (not for strays nor others' markers); headlines if enabled.
  Settings("[Main]\r\nNoAddEmpty=0\r\n[CheckRoute]\r\n0=0\r\n");
  EXPECT_EQ(Run({Link("/0", "Stray"), kYolTop, Link("/a", "Quiet news"), "<!-- CNN Top News -->",
                 kYolMain, Link("/b", "Loud news")}),
            (Strings{"|http://www.yomiuri.co.jp|0", "|http://www.yomiuri.co.jp|0",
                     "Loud news|http://www.yomiuri.co.jp/b|0"}));
  EXPECT_EQ(Log(0), (Lines{Record("Quiet news\thttp://www.yomiuri.co.jp/a", '0')}));

  SaveLogFile(LogFilePath(0), {"older\tu\t2020/01/01\t1", "Quiet news\t/old\t2020/01/01\t0"});
  Settings("[Main]\r\nAddNewsOnly=1\r\n");
  EXPECT_EQ(Run({kYolTop, Link("/a", "Quiet news")}),
            Strings{"Quiet news|http://www.yomiuri.co.jp/a|0"});
  EXPECT_EQ(Log(0),
            (Lines{"older\tu\t2020/01/01\t1", Record("Quiet news\thttp://www.yomiuri.co.jp/a")}));
}

TEST_F(Extraction, ImpressLinkFormFollowsTheCategoryAndTabsBecomeSpaces) {
  const auto& c = Categories();
  EXPECT_EQ(Run({c[23].markers[0], "\t" + Link("/1\t.htm", "BB\tnews"), c[24].markers[0],
                 Link("http://k/2", "Keitai"), Link("", "Empty")},
                2),
            (Strings{" BB news|http://www.watch.impress.co.jp/1 .htm|2", "Keitai|http://k/2|2",
                     "Empty||2"}));
}

TEST_F(Extraction, LogErrorEndsTheWalkAfterSavingEarlierCategories) {
  ForceDirectories(home.Path("YOL/shuyou.log"));  // a folder blocks the log file
  EXPECT_THROW(Run({kYolTop, Link("/a", "A"), kYolMain, Link("/b", "B")}), QuilletError);
  EXPECT_EQ(list.Headlines(), Strings{"A"});
  EXPECT_EQ(Log(0).size(), 1u);
}

TEST(ExtractionDifferential, InMemoryMergeEqualsRewritePerHeadline) {
  SetClockForTesting(1796515200);
  std::mt19937 rng(20261206);
  auto roll = [&](size_t n) { return rng() % n; };
  auto pick = [&](size_t n) { return std::to_string(roll(n)); };
  // Texts that begin one another, differ in case, pass the index key's 8 bytes, hold "ア".
  const Strings texts = {"Story 1",       "story 1 more", "STORY 12 more", "St",
                         "st 1",          "Sto",          CP932("アジア"), CP932("アジア情勢"),
                         CP932("あジア"), "\x83\x61"};
  auto text = [&] { return texts[roll(texts.size())] + (roll(3) ? "" : " " + pick(3)); };
  const char* flags[] = {"0", "1", "", "10"};  // only "1" is shown
  const int cnn = 32;  // three of CNN's categories: markers of the fetch's own, often repeated
  for (int trial = 0; trial < 60; ++trial) {
    // The same settings, old logs and page for both walks.
    std::string ini = "[Main]\nAddNewsOnly=" + pick(2) + "\nSaveLog=" + pick(4);
    ini += "\nNoAddEmpty=" + pick(2) + "\n[CheckRoute]\n";
    std::string oldLog[3];
    for (int c = 0; c < 3; ++c) {
      ini += std::to_string(cnn + c) + "=" + pick(3) + "\n";
      for (size_t i = roll(40); i > 0; --i)
        oldLog[c] += text() + "\t/" + pick(9) + "\t" + (roll(2) ? "2020/01/01" : TodayShortDate()) +
                     "\t" + flags[roll(4)] + (roll(9) ? "\r\n" : "\n");
    }
    Lines doc;
    for (int i = 0; i < 24; ++i) {
      if (i == 0 || roll(3) > 0) doc.push_back(Categories()[cnn + roll(3)].markers[0]);
      doc.push_back(roll(8) == 0 ? "" : Link("/" + pick(9), text()));
    }
    test::TempHome home;
    test::WriteBytes(home.Path("quillet.ini"), ini);
    std::string result[2];  // rows, insert position and logs of each walk
    for (int walk = 0; walk < 2; ++walk) {
      for (int c = 0; c < 3; ++c)
        test::WriteBytes(LogFilePath(cnn + c), oldLog[c]);
      const settings::Settings stored = settings::ReadSettings();
      test::RecordingList rows;
      if (walk == 0) {
        HeadlineMerge merge;
        merge.BeginRun(stored);
        merge.Merge(SiteItems(Sites()[4], doc, stored.connection.enabled), rows);
      } else {
        test::ReferenceExtractHeadlines(stored, Sites()[4], doc, rows);
      }
      for (const auto& r : rows.rows)
        result[walk] += r.headline + "|" + "01"[r.item.isNew] + "\n";
      for (int c = 0; c < 3; ++c)
        result[walk] += "|" + test::ReadBytes(LogFilePath(cnn + c));
    }
    EXPECT_EQ(result[0], result[1]) << "trial " << trial;
  }
}

}  // namespace
}  // namespace quillet
