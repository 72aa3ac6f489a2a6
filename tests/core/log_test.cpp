// Log files (format, look-ups, merge, atomic saving), search and browser rows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "core/log/category_log.h"
#include "core/log/log_rows.h"
#include "core/log/log_search.h"
#include "core/settings/feed_list.h"
#include "core/sys/error.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "support/reference_log.h"
#include "support/settings_edits.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using Strings = std::vector<std::string>;

// Fields, and the plain look-ups the in-memory log is compared with.
TEST(Logs, TextFieldsAndLookUps) {
  EXPECT_EQ(ParseLogText(std::string("a\r\nb\rc\nd\r\n\r\ne\0f\r\n", 17)),
            (Lines{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(LogField("head\turl\t\t1", 2), "");
  EXPECT_EQ(LogField("head\turl\t\t1", 3), "1");
  // The prefix search itself is the text tests'.
  const Lines lines = {"Tokyo STOCKS fall\tu1\td\t0", "Tokyo stocks fall sharply\tu2\td\t1",
                       "short\tu3\td"};
  EXPECT_EQ(FindShownLogRecord(lines, "tokyo stocks"), 1);  // the "0" record is passed over
  EXPECT_EQ(FindShownLogRecord(lines, "short"), -1);        // three fields: never shown
}

// The log held in memory answers as the functions on its lines would, in any
// order of look-ups, renewals and inserts (at any position), and saves the same bytes.
TEST(Logs, CategoryLogAnswersAsItsLines) {
  test::TempHome home;
  SetClockForTesting(1796515200);
  std::mt19937 rng(20261206);
  auto roll = [&](size_t n) { return rng() % n; };
  const Strings texts = {"Story 1",       "story 1 more",      "STORY 12 more", "St",
                         CP932("アジア"), CP932("アジア情勢"), "\x83\x61"};
  auto text = [&] { return texts[roll(texts.size())] + std::string(" 12", roll(3)); };
  const char* flags[] = {"0", "1", "", "10"};  // only "1" is shown
  for (int trial = 0; trial < 100; ++trial) {
    Lines lines;
    for (size_t i = roll(30); i > 0; --i)
      lines.push_back(text() + "\tu" + std::to_string(roll(2)) + "\t" +
                      (roll(2) ? "2020/01/01" : TodayShortDate()) + "\t" + flags[roll(4)]);
    SaveLogFile(LogFilePath(0), lines);
    CategoryLog log(LogFilePath(0));
    for (int step = 0; step < 30; ++step) {
      const std::string h = text(), url = "u" + std::to_string(roll(2));
      ASSERT_EQ(log.Find(h), FindLogRecord(lines, h));
      ASSERT_EQ(log.FindShown(h), FindShownLogRecord(lines, h));
      const bool enabled = roll(2);
      const int at = static_cast<int>(roll(lines.size() + 3));
      ASSERT_EQ(log.Record(h, url, enabled, at), RecordHeadline(lines, h, url, enabled, at));
    }
    log.MarkForSave();
    log.Flush();
    ASSERT_EQ(test::ReadBytes(LogFilePath(0)), FormatLogText(lines)) << "trial " << trial;
  }
}

TEST(Logs, FilesAreSavedWholeAndAFileThatCannotBeReplacedIsNamed) {
  test::TempHome home;
  const std::string path = LogFilePath(7);
  EXPECT_TRUE(LoadLogFile(path).empty());
  SaveLogFile(path, {"a\tb", "d"});
  EXPECT_EQ(test::ReadBytes(path), "a\tb\r\nd\r\n");
  EXPECT_EQ(LoadLogView(7)[0].url, "b");
  chmod(path.c_str(), 0444);  // read-only: neither replaced nor prepared, even for root
  try {
    SaveLogFile(path, {"x"});
    ADD_FAILURE() << "saved";
  } catch (const QuilletError& e) {
    EXPECT_EQ(Cp932ToUtf8(e.what()), "ファイル " + path + " を作成できません");
  }
  EXPECT_THROW(PrepareLogFile(path), QuilletError);
  EXPECT_EQ(LoadLogFile(path), (Lines{"a\tb", "d"}));
}

// A child saving logs killed at random moments leaves every file whole.
TEST(Logs, KillDuringSavesLeavesEveryFileWhole) {
  test::TempHome home;
  auto version = [](int g) { return Lines(2000, "headline " + std::to_string(g) + "\tu\td\t1"); };
  for (int round = 0; round < 5; ++round) {
    const pid_t child = fork();
    for (int generation = 0; child == 0; ++generation) {
      for (int f = 0; f < 8; ++f)
        SaveLogFile(LogFilePath(f), version(generation));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    for (int f = 0; f < 8; ++f) {
      const std::string bytes = test::ReadBytes(LogFilePath(f));
      if (bytes.empty()) continue;  // killed before its first save
      ASSERT_EQ(bytes, FormatLogText(version(std::stoi(bytes.substr(9)))));
    }
  }
  // The next save of a file removes the temporary files killed saves left
  // beside it; not other files', not other names, not one a live writer holds.
  const std::string dir = home.Path("YOL/");
  std::set<std::string> expected = {"top.log.tmp-abc",     "top.log.tmp-abcdefg",
                                    "top.log.bak",         "top.log.tmp-ab-cde",
                                    "xtop.log.tmp-abcdef", "top.log.tmp-HELD01"};
  for (const std::string& name : expected)
    test::WriteBytes(dir + name, "x");
  test::WriteBytes(dir + "top.log.tmp-Old9z0", "left by a crash");
  const int held = open((dir + "top.log.tmp-HELD01").c_str(), O_RDONLY);
  flock(held, LOCK_EX);
  for (int f = 0; f < 8; ++f) {
    SaveLogFile(LogFilePath(f), {"last"});
    expected.insert(LogFilePath(f).substr(dir.size()));
  }
  close(held);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, expected);
}

// The rows found as "site label genre headline url date"; statuses as shown.
TEST(HeadlineSearch, FindsHeadlinesOfEverySiteInCategoryOrderThenOfTheFeeds) {
  test::TempHome home;
  Strings statuses;
  const auto Search = [&](const std::string& keyword) {
    statuses.clear();
    Strings out;
    SearchLogs(
        SearchedSources(settings::ReadSettings().feeds.feeds, {}), keyword, {},
        [&](const std::string& s) { statuses.push_back(s); },
        [&](const SearchRowView& r) {
          out.push_back(Cp932ToUtf8(std::to_string(r.site) + " " + std::string(r.siteLabel) + " " +
                                    std::string(r.genre) + " " + std::string(r.headline) + " " +
                                    std::string(r.url) + " " + std::string(r.date)));
        },
        [] {});
    return out;
  };
  const auto Log = [](int category, const std::string& text) {
    test::WriteBytes(LogFilePath(category), text);
  };
  Log(1, "Tokyo STOCKS rise\thttp://y/1\t2026/12/05\t1\r\nSnow\thttp://y/tokyo\t2026/12/04\t1\r\n");
  Log(3, "tokyo stocks drop\thttp://y/2\t2026/12/03\t0\r\n");
  Log(34, "Tokyo CNN\tc\td\t1\r\n");
  Log(32, "<!-- odd record\tu\td\t1\r\n");  // kept whatever the keyword
  // 毎日新聞's categories have no search marker: their genre comes with their log.
  Log(60, "Tokyo IT\thttp://m/1\t2026/12/03\t1\r\n");
  std::vector<settings::FeedSource> feeds{{0, "Wire", "http://f/a", false},
                                          {0, "Empty", "http://f/b", true}};
  feeds = test::PutFeeds(feeds);
  test::WriteBytes(DataDirectory() + settings::FeedLogFile(feeds[0].id),
                   "TOKYO wire\thttp://f/1\t2026/12/01\t1\r\n");
  const std::string odd = "4 CNN トップ <!-- odd record u d";
  EXPECT_EQ(Search("tokyo"),
            (Strings{"0 YOL 主要 Tokyo STOCKS rise http://y/1 2026/12/05",
                     "0 YOL 社会 tokyo stocks drop http://y/2 2026/12/03", odd,
                     "4 CNN 注目 Tokyo CNN c d", "6 毎日 IT Tokyo IT http://m/1 2026/12/03",
                     "-1 Wire フィード TOKYO wire http://f/1 2026/12/01"}));
  ASSERT_EQ(statuses.size(), 9u + 10 + 12 + 1 + 11 + 13 + 9 + 2);
  EXPECT_EQ(Cp932ToUtf8(statuses[18]), "アサヒ・コム を検索しています...(10/10)");
  EXPECT_EQ(Cp932ToUtf8(statuses[31]), "ZAKZAK を検索しています...");
  EXPECT_EQ(Cp932ToUtf8(statuses[66]), "Empty を検索しています...");
  EXPECT_EQ(Search("http"), Strings{odd});  // the URL is not searched
}

}  // namespace
}  // namespace quillet
