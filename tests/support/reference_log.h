// Log files handled the plain way, lines in a vector: the oracle that
// CategoryLog and the search are checked against, and a quick way for tests
// to write and read logs.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/log_rows.h"
#include "core/log/log_search.h"
#include "core/log/log_store.h"
#include "core/text/cp932.h"

namespace quillet {

// The file's lines; raises as ReadLogBytes.
inline Lines LoadLogFile(const std::string& path) {
  return ParseLogText(ReadLogBytes(path));
}

inline void SaveLogFile(const std::string& path, const Lines& lines) {
  const std::string text = FormatLogText(lines);
  SaveLogPieces(path, {text});
}

// Every line of the category's log as a row of the log browser.
inline std::vector<LogItem> LoadLogView(int categoryIndex) {
  std::vector<LogItem> rows;
  ForEachLogFileLine(LogFilePath(categoryIndex),
                     [&](std::string_view line) { rows.push_back(LogItemFromLine(line)); });
  return rows;
}

// First line beginning with the headline (single-byte letters folded), or -1.
inline int FindLogRecord(const Lines& lines, std::string_view headline) {
  return FindLinePrefix(lines, headline);
}

// The same, accepting only lines whose flag field is exactly "1".
inline int FindShownLogRecord(const Lines& lines, std::string_view headline) {
  const std::string lower = Cp932Lower(headline);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (StartsWithFolded(lines[i], lower) && LogField(lines[i], 3) == "1")
      return static_cast<int>(i);
  }
  return -1;
}

// Merges a headline into the lines with today's date: a new record at
// `insertPos` when none begins with it (returns insertPos + 1), the record
// renewed as shown when the category is enabled, else left alone.
inline int RecordHeadline(Lines& lines, const std::string& headline, const std::string& url,
                          bool enabled, int insertPos) {
  const int r = FindLogRecord(lines, headline);
  if (r < 0) {
    const size_t at = std::min(static_cast<size_t>(std::max(insertPos, 0)), lines.size());
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 NewLogRecord(headline, url, enabled));
    return insertPos + 1;
  }
  if (enabled) lines[static_cast<size_t>(r)] = NewLogRecord(headline, url, true);
  return insertPos;
}

// SearchSiteLogs, appending the site's rows to `rows` once all its logs are read.
inline void ScanSiteLogs(int site, const std::string& keyword, SearchOptions options,
                         const std::function<void(const std::string&)>& showStatus,
                         std::vector<SearchRow>& rows) {
  std::vector<SearchRow> found;
  SearchSiteLogs(site, keyword, options, showStatus, [&](const SearchRowView& r) {
    found.push_back({r.site,
                     std::string(r.siteLabel),
                     std::string(r.genre),
                     {std::string(r.headline), std::string(r.url), std::string(r.date)}});
  });
  rows.insert(rows.end(), std::make_move_iterator(found.begin()),
              std::make_move_iterator(found.end()));
}

}  // namespace quillet
