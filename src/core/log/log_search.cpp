#include "core/log/log_search.h"

#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {

std::string SearchStatusText(int site, int k, int n) {
  std::string text = Sites()[static_cast<size_t>(site)].displayLabel;
  text.append(CP932(" を検索しています..."));
  if (n > 1)
    text.append("(").append(std::to_string(k)).append("/").append(std::to_string(n)).append(")");
  return text;
}

std::string FoundCountText(size_t count) {
  return std::to_string(count) + CP932("件見つかりました");
}

void FilterByKeyword(Lines& gathered, const std::string& keyword) {
  const std::string lowerKeyword = Cp932Lower(keyword);
  std::erase_if(gathered, [&](const std::string& line) {
    if (line.compare(0, 4, "<!--") == 0) return false;
    if (lowerKeyword.empty()) return true;
    return Cp932Find(Cp932Lower(LogField(line, 0)), lowerKeyword) == std::string::npos;
  });
}

void ScanSiteLogs(int site, const std::string& keyword,
                  const std::function<void(const std::string&)>& showStatus,
                  std::vector<SearchRow>& rows) {
  const Site& s = Sites()[static_cast<size_t>(site)];
  const int n = s.lastCategory - s.firstCategory + 1;
  Lines gathered;
  for (int k = 1; k <= n; ++k) {
    showStatus(SearchStatusText(site, k, n));
    const int category = s.firstCategory + k - 1;
    const std::string path = LogFilePath(category);
    if (!FileExists(path)) continue;
    Lines lines = LoadLogFile(path);
    gathered.push_back(Categories()[static_cast<size_t>(category)].searchMarker);
    gathered.insert(gathered.end(), std::make_move_iterator(lines.begin()),
                    std::make_move_iterator(lines.end()));
  }
  if (gathered.empty()) return;
  FilterByKeyword(gathered, keyword);
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

}  // namespace quillet
