// The log search done the plain way: every log of the site read whole, the
// lines gathered behind their search markers, then filtered line by line. The
// oracle of the streaming scan's tests.
#pragma once

#include <iterator>

#include "core/log/log_search.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/text/cp932.h"
#include "core/text/width_fold.h"
#include "support/reference_log.h"

namespace quillet::test {

inline bool ReferenceKeeps(const std::string& line, const std::string& keyword, bool foldWidth) {
  if (line.compare(0, 4, "<!--") == 0) return true;
  if (keyword.empty()) return false;
  const auto fold = [&](std::string_view text) {
    return foldWidth ? WidthFolded(text) : Cp932Lower(text);
  };
  return Cp932Find(fold(LogField(line, 0)), fold(keyword)) != std::string::npos;
}

inline void ReferenceFilterByKeyword(Lines& gathered, const std::string& keyword,
                                     bool foldWidth = false) {
  std::erase_if(gathered,
                [&](const std::string& line) { return !ReferenceKeeps(line, keyword, foldWidth); });
}

// A category without a search marker (毎日新聞's) gives its genre to the rows
// of its own log.
inline void ReferenceScanSiteLogs(int site, const std::string& keyword,
                                  std::vector<SearchRow>& rows, bool foldWidth = false) {
  const Site& s = Sites()[static_cast<size_t>(site)];
  std::vector<std::pair<std::string, int>> gathered;  // line, category
  for (int category = s.firstCategory; category <= s.lastCategory; ++category) {
    const std::string path = LogFilePath(category);
    if (!FileExists(path)) continue;
    const std::string& marker = Categories()[static_cast<size_t>(category)].searchMarker;
    if (!marker.empty()) gathered.emplace_back(marker, category);
    for (std::string& line : LoadLogFile(path))
      gathered.emplace_back(std::move(line), category);
  }
  std::string genre;
  for (const auto& [line, category] : gathered) {
    if (!ReferenceKeeps(line, keyword, foldWidth)) continue;
    bool isMarker = false;
    for (int c = s.firstCategory; c <= s.lastCategory; ++c) {
      const Category& other = Categories()[static_cast<size_t>(c)];
      if (!other.searchMarker.empty() && line == other.searchMarker) {
        genre = other.genre;
        isMarker = true;
        break;
      }
    }
    if (isMarker) continue;
    const Category& own = Categories()[static_cast<size_t>(category)];
    if (own.searchMarker.empty()) genre = own.genre;
    rows.push_back({site, s.shortLabel, genre, LogItemFromLine(line)});
  }
}

}  // namespace quillet::test
