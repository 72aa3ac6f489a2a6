// The streaming log search against the plain one over random logs, and its failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "core/headlines/watch_match.h"
#include "core/log/keyword_scan.h"
#include "core/log/log_search.h"
#include "core/sys/error.h"
#include "support/reference_log.h"
#include "support/reference_search.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

// Plain writes: the atomic save's flush to disk would make the many logs slow.
void Write(const std::string& path, const std::string& bytes) {
  ForceDirectories(DirectoryOf(path));
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

size_t Below(std::mt19937& rng, size_t n) {
  return rng() % n;
}

// ASCII, half-width kana, double-byte characters with letter, sign or lead trail bytes,
// full-width forms, field and line ends; now and then a lone lead byte or a NUL.
std::string RandomLog(std::mt19937& rng, int site, size_t pieces) {
  // clang-format off
  static const std::vector<std::string> kPieces = {
      "a", "A", "b", "B", "z", "Z", " ", "\\", "1", "<", "-", "\xB1", "\xDE", "\x83\x41", "\x83\x61", "\x83\x5C",
      "\x95\x5C", "\x82\xA0", "\x83\x83", "\x8E\xF1", "aB", "\x83\x60", "\x82\x60", "\x82\x81", "\x81\x5F",
      "\x81\x4D", "\x81\x40", "\xB6", "\xDF", "\x83\x4A", "\x83\x4B", "`", "\t", "\t", "\r\n", "\r\n", "\r", "\n"};
  // clang-format on
  const Site& s = Sites()[static_cast<size_t>(site)];
  std::string log;
  for (size_t i = 0; i < pieces; ++i) {
    const bool lineStart = log.empty() || log.back() == '\r' || log.back() == '\n';
    const size_t roll = Below(rng, 1000);
    if (roll < 40) {
      log += "<!--";
    } else if (lineStart && roll < 50) {  // a line equal to a search marker sets the genre
      const size_t first = static_cast<size_t>(s.firstCategory);
      log += Categories()[first + Below(rng, static_cast<size_t>(s.lastCategory) + 1 - first)]
                 .searchMarker +
             "\r\n";
    } else if (roll == 999) {
      log += Below(rng, 3) == 0 ? std::string(1, '\0') : std::string("\x83");
    } else {
      log += kPieces[Below(rng, kPieces.size())];
    }
  }
  return log;
}

// A piece of a log, perhaps from inside a character, its letters' case changed; or nothing.
std::string RandomKeyword(std::mt19937& rng, const std::vector<std::string>& logs) {
  const std::string& log = logs[Below(rng, logs.size())];
  if (log.empty() || Below(rng, 20) == 0) return "";
  std::string keyword = log.substr(Below(rng, log.size()), 1 + Below(rng, 5));
  for (char& c : keyword)
    if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && Below(rng, 2) == 0) c ^= 0x20;
  return keyword;
}

std::vector<std::string> Texts(const std::vector<SearchRow>& rows) {
  std::vector<std::string> out;
  for (const SearchRow& r : rows)
    out.push_back(std::to_string(r.site) + "|" + r.siteLabel + "|" + r.genre + "|" +
                  r.item.headline + "|" + r.item.url + "|" + r.item.date);
  return out;
}

// Random logs of random categories searched both ways, widths folded or not.
void CompareOnRandomLogs(std::mt19937& rng, int logCount, size_t pieces, int keywords) {
  test::TempHome home;
  std::vector<std::string> logs;
  for (int i = 0; i < logCount; ++i) {
    const int category = static_cast<int>(Below(rng, Categories().size()));
    logs.push_back(RandomLog(rng, Categories()[static_cast<size_t>(category)].site, pieces));
    Write(LogFilePath(category), logs.back());
  }
  for (int k = 0; k < keywords; ++k) {
    const std::string keyword = RandomKeyword(rng, logs);
    for (bool foldWidth : {false, true}) {
      std::vector<SearchRow> expected, found;
      for (int site = 0; site < kSiteCount; ++site) {
        test::ReferenceScanSiteLogs(site, keyword, expected, foldWidth);
        ScanSiteLogs(
            site, keyword, {foldWidth}, [](const std::string&) {}, found);
      }
      ASSERT_EQ(Texts(found), Texts(expected))
          << "keyword " << ::testing::PrintToString(keyword) << (foldWidth ? ", folded" : "");
    }
  }
}

// The watch list and the search's line test keep a headline exactly as the plain filter.
TEST(WatchMatch, MatchesAHeadlineAsTheLogSearchFindsIt) {
  std::mt19937 rng(1211);
  std::vector<std::string> headlines;
  for (int i = 0; i < 200; ++i) {
    std::string line = RandomLog(rng, 0, 12);
    line.resize(std::min(line.find_first_of(std::string("\t\r\n\0", 4)), line.size()));
    if (line.rfind("<!--", 0) != 0) headlines.push_back(line);
  }
  for (int k = 0; k < 300; ++k) {
    const std::string keyword = RandomKeyword(rng, headlines);
    for (bool foldWidth : {false, true}) {
      const KeywordScan scan(keyword, foldWidth);
      const WatchMatch watch({keyword}, foldWidth);
      for (const std::string& headline : headlines) {
        SCOPED_TRACE(::testing::PrintToString(keyword) + " in " +
                     ::testing::PrintToString(headline) + (foldWidth ? ", folded" : ""));
        const bool kept = test::ReferenceKeeps(headline, keyword, foldWidth);
        ASSERT_EQ(scan.Keeps(headline), kept);
        ASSERT_EQ(watch.Matches(headline), kept);
      }
    }
  }
  EXPECT_TRUE(WatchMatch({"zz", "news"}).Matches("Top NEWS"));  // any of the keywords
}

// Many small logs, then logs of several blocks: lines run across the block ends.
TEST(LogSearch, FindsWhatTheWholeFileFilterFinds) {
  std::mt19937 rng(1205);
  for (int round = 0; round < 150; ++round)
    CompareOnRandomLogs(rng, 1 + static_cast<int>(Below(rng, 4)), 300, 12);
  CompareOnRandomLogs(rng, 3, 400000, 20);
}

// An unreadable log or a throwing status callback ends the site's search before any row.
TEST(LogSearch, AnEndedSiteSearchHandsOverNoRowOfTheSite) {
  test::TempHome home;
  Write(LogFilePath(0), "Tokyo\tu\td\t1\r\n");
  Write(LogFilePath(2), "Tokyo\tu\td\t1\r\n");
  ForceDirectories(DirectoryOf(LogFilePath(1)));
  ASSERT_EQ(mkfifo(LogFilePath(1).c_str(), 0600), 0);
  for (bool statusThrows : {false, true}) {
    if (statusThrows) unlink(LogFilePath(1).c_str());
    std::vector<SearchRow> rows;
    int statuses = 0, handed = 0;
    const auto status = [&](const std::string&) {
      if (++statuses == 2 && statusThrows) throw std::runtime_error("stop");
    };
    EXPECT_ANY_THROW(
        SearchSiteLogs(0, "tokyo", {}, status, [&](const SearchRowView&) { ++handed; }));
    EXPECT_EQ(handed, statusThrows ? 1 : 0);
    EXPECT_EQ(statuses, 2);
    statuses = 0;
    EXPECT_ANY_THROW(ScanSiteLogs(0, "tokyo", {}, status, rows));
    EXPECT_TRUE(rows.empty());
  }
}

}  // namespace
}  // namespace quillet
