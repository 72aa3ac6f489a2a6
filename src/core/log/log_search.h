// The log search over the logs of the first six sites: status texts, the
// keyword filter and the result rows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/log/log_store.h"
#include "core/text/text_ops.h"

namespace quillet {

inline constexpr int kSearchedSites = 6;  // 毎日新聞 (site 6) is never searched

struct SearchRow {
  int site;               // site number, also the row's image index
  std::string siteLabel;  // short label
  std::string genre;
  LogItem item;
};

// "<display label> を検索しています...(k/n)", without the counter for a site
// with one category.
std::string SearchStatusText(int site, int k, int n);

// "<count>件見つかりました"
std::string FoundCountText(size_t count);

// Keeps the lines that start with "<!--" and those whose headline holds the
// keyword (letters A-Z folded, matched only at character starts); an empty
// keyword matches nothing.
void FilterByKeyword(Lines& gathered, const std::string& keyword);

// Scans one site's logs in category order and appends its result rows.
// `showStatus` is called with the status text before each log file is read;
// the window repaints and serves its events there.
void ScanSiteLogs(int site, const std::string& keyword,
                  const std::function<void(const std::string&)>& showStatus,
                  std::vector<SearchRow>& rows);

}  // namespace quillet
