// The log search done the plain way: every log of the site read whole, the
// lines gathered behind their search markers, then filtered line by line. The
// oracle of the streaming scan's tests.
#pragma once

#include <iterator>

#include "core/log/log_search.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/text/cp932.h"

namespace quillet::test {

inline void ReferenceFilterByKeyword(Lines& gathered, const std::string& keyword) {
  const std::string lowerKeyword = Cp932Lower(keyword);
  std::erase_if(gathered, [&](const std::string& line) {
    if (line.compare(0, 4, "<!--") == 0) return false;
    if (lowerKeyword.empty()) return true;
    return Cp932Find(Cp932Lower(LogField(line, 0)), lowerKeyword) == std::string::npos;
  });
}

inline void ReferenceScanSiteLogs(int site, const std::string& keyword,
                                  std::vector<SearchRow>& rows) {
  const Site& s = Sites()[static_cast<size_t>(site)];
  Lines gathered;
  for (int category = s.firstCategory; category <= s.lastCategory; ++category) {
    const std::string path = LogFilePath(category);
    if (!FileExists(path)) continue;
    Lines lines = LoadLogFile(path);
    gathered.push_back(Categories()[static_cast<size_t>(category)].searchMarker);
    gathered.insert(gathered.end(), std::make_move_iterator(lines.begin()),
                    std::make_move_iterator(lines.end()));
  }
  ReferenceFilterByKeyword(gathered, keyword);
  std::string genre;
  for (const std::string& line : gathered) {
    bool isMarker = false;
    for (int c = s.firstCategory; c <= s.lastCategory; ++c) {
      const Category& category = Categories()[static_cast<size_t>(c)];
      if (line == category.searchMarker) {
        genre = category.genre;
        isMarker = true;
        break;
      }
    }
    if (!isMarker) rows.push_back({site, s.shortLabel, genre, LogItemFromLine(line)});
  }
}

}  // namespace quillet::test
