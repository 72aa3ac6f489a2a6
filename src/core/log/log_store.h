// Per-category log files: one record per line, "headline TAB url TAB date TAB
// flag", CR LF after every line, newest first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text_ops.h"

namespace quillet {

struct LogItem {
  std::string headline;
  std::string url;
  std::string date;
};

// Program directory followed by the catalogue's log file of the category.
std::string LogFilePath(int categoryIndex);
// Program directory followed by the log file of the feed with that id.
std::string FeedLogFilePath(int feedId);
// Program directory followed by the log file of a page's section (from 1).
std::string PageLogFilePath(int pageId, size_t section);

// Lines of a log text: a line ends at CR LF, lone CR or lone LF; a NUL byte
// ends the text.
Lines ParseLogText(std::string_view bytes);
// Every line followed by CR LF.
std::string FormatLogText(const Lines& lines);

// The file's bytes, or "" when it does not exist. Raises
// "ファイル <path> は開けません" when it exists but cannot be read.
std::string ReadLogBytes(const std::string& path);

// Creates missing directories, then replaces the file atomically with the
// pieces one after another.
// Raises "ファイル <path> を作成できません" when the file cannot be written.
void SaveLogPieces(const std::string& path, const std::vector<std::string_view>& pieces);

// Makes sure SaveLogPieces can write `path`: creates missing directories and
// tests that a file can be put there. Raises the same error as SaveLogPieces.
void PrepareLogFile(const std::string& path);

// Field k (from 0) of a record: the text after the k-th TAB up to the next
// TAB; "" beyond the last TAB.
std::string_view LogField(std::string_view line, int k);
LogItem LogItemFromLine(std::string_view line);

// The record of a headline merged today: "headline TAB url TAB date TAB flag",
// the flag "1" when the category is enabled.
std::string NewLogRecord(const std::string& headline, const std::string& url, bool enabled);

}  // namespace quillet
