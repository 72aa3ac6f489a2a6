// Log files: format, look-ups, the merge and atomic saving.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "core/log/log_store.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

TEST(LogText, ReadsEveryLineEndAndStopsAtNul) {
  EXPECT_EQ(ParseLogText("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(ParseLogText(std::string("a\r\nb\0c\r\nd\r\n", 11)), (Lines{"a", "b"}));
  EXPECT_EQ(ParseLogText("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(FormatLogText({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(FormatLogText({}), "");
}

TEST(LogField, CountsTabsAndGivesEmptyFieldsBeyondTheLast) {
  const std::string line = "head\thttp://x/\t2026/12/06\t1";
  EXPECT_EQ(LogField(line, 0), "head");
  EXPECT_EQ(LogField(line, 2), "2026/12/06");
  EXPECT_EQ(LogField(line, 3), "1");
  EXPECT_EQ(LogField(line, 4), "");
  EXPECT_EQ(LogField("only", 1), "");
  EXPECT_EQ(LogField("a\t\tc", 1), "");
  LogItem item = LogItemFromLine("h\tu");
  EXPECT_EQ(item.url, "u");
  EXPECT_EQ(item.date, "");
}

TEST(LogLookup, MatchesPrefixesWithFoldedLettersAndChecksTheFlag) {
  const Lines lines = {
      "Tokyo STOCKS fall\tu1\td\t0",
      "Tokyo stocks fall sharply\tu2\td\t1",
      "short\tu3\td",
  };
  EXPECT_EQ(FindLogRecord(lines, "tokyo stocks"), 0);
  EXPECT_EQ(FindShownLogRecord(lines, "tokyo stocks"), 1);  // the "0" record is passed over
  EXPECT_EQ(FindShownLogRecord(lines, "short"), -1);        // three fields: never shown
  EXPECT_EQ(FindLogRecord(lines, "short and longer"), -1);  // the record has a TAB there
  // A trail byte 'A' is not folded: "ア" (0x83 0x41) differs from 0x83 'a'.
  EXPECT_EQ(FindLogRecord({"\x83\x41\tu\td\t1"},
                          "\x83"
                          "a"),
            -1);
}

TEST(RecordHeadline, InsertsUpgradesOrLeavesRecords) {
  SetClockForTesting(1796515200);  // 2026-12-05 in UTC; any fixed day will do
  const std::string today = TodayShortDate();
  Lines lines = {"old\tu0\t2020/01/01\t1", "hidden\tu1\t2020/01/01\t0"};

  int pos = RecordHeadline(lines, "new", "u2", true, 0);
  EXPECT_EQ(pos, 1);
  pos = RecordHeadline(lines, "newer", "u3", false, pos);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(lines[0], "new\tu2\t" + today + "\t1");
  EXPECT_EQ(lines[1], "newer\tu3\t" + today + "\t0");

  EXPECT_EQ(RecordHeadline(lines, "HIDDEN", "u9", false, pos), pos);  // disabled: unchanged
  EXPECT_EQ(lines[3], "hidden\tu1\t2020/01/01\t0");
  EXPECT_EQ(RecordHeadline(lines, "hidden", "u9", true, pos), pos);  // upgraded in place
  EXPECT_EQ(lines[3], "hidden\tu9\t" + today + "\t1");
  EXPECT_EQ(lines.size(), 4u);
  SetClockForTesting(std::nullopt);
}

TEST(LogFiles, SaveCreatesFoldersAndLoadReadsBack) {
  test::TempHome home;
  const std::string path = LogFilePath(7);
  EXPECT_EQ(path, home.Path("YOL/okuyami.log"));
  EXPECT_TRUE(LoadLogFile(path).empty());
  SaveLogFile(path, {"a\tb\tc\t1", "d"});
  EXPECT_EQ(test::ReadBytes(path), "a\tb\tc\t1\r\nd\r\n");
  EXPECT_EQ(LoadLogFile(path), (Lines{"a\tb\tc\t1", "d"}));
}

TEST(LogFiles, ErrorsNameTheFile) {
  test::TempHome home;
  test::WriteBytes(home.Path("YOL"), "a file where the folder should be");
  const std::string path = LogFilePath(0);
  try {
    SaveLogFile(path, {"x"});
    FAIL();
  } catch (const QuilletError& e) {
    EXPECT_EQ(Cp932ToUtf8(e.what()), "ファイル " + path + " を作成できません");
  }
  EXPECT_THROW(PrepareLogFile(path), QuilletError);
  ForceDirectories(home.Path("ASAHI/top.log"));  // a folder where the file should be
  try {
    LoadLogFile(LogFilePath(9));
    FAIL();
  } catch (const QuilletError& e) {
    EXPECT_EQ(Cp932ToUtf8(e.what()), "ファイル " + LogFilePath(9) + " は開けません");
  }
}

// Saves many logs in a child process that is killed at a random moment: every
// file must then hold one complete version, never a truncated one.
TEST(LogFiles, KillDuringSavesLeavesEveryFileWhole) {
  test::TempHome home;
  constexpr int kFiles = 8;
  constexpr int kRecords = 2000;
  auto version = [](int generation) {
    Lines lines;
    for (int i = 0; i < kRecords; ++i) {
      lines.push_back("headline " + std::to_string(generation) + "-" + std::to_string(i) +
                      "\thttp://example.invalid/" + std::to_string(i) + "\t2026/12/06\t1");
    }
    return lines;
  };
  for (int round = 0; round < 5; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int generation = 0;; ++generation) {
        for (int f = 0; f < kFiles; ++f)
          SaveLogFile(LogFilePath(f), version(generation));
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    for (int f = 0; f < kFiles; ++f) {
      const std::string path = LogFilePath(f);
      if (!FileExists(path)) continue;  // killed before its first save
      const std::string bytes = test::ReadBytes(path);
      Lines lines = ParseLogText(bytes);
      ASSERT_EQ(lines.size(), static_cast<size_t>(kRecords)) << path;
      ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
      const std::string generation = lines[0].substr(9, lines[0].find('-') - 9);
      EXPECT_EQ(lines, version(std::stoi(generation))) << path;
    }
  }
  // No temporary file is left to be mistaken for a log by the readers.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Dir())) {
    if (entry.is_regular_file()) {
      std::string name = entry.path().filename().string();
      if (name.find(".tmp-") != std::string::npos) {
        std::filesystem::remove(entry.path());  // a kill between create and rename leaves one
      } else {
        EXPECT_EQ(entry.path().extension(), ".log") << name;
      }
    }
  }
}

}  // namespace
}  // namespace quillet
