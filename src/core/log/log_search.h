// The log search over the logs of the first six sites: status texts and the
// result rows, streamed as each log is scanned.
#pragma once

#include <functional>
#include <string>
#include <string_view>
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

// "<label> を検索しています..." for a log of its own, such as a feed's.
std::string LogSearchStatusText(std::string_view label);

// "<count>件見つかりました"
std::string FoundCountText(size_t count);

// A result row as it is found: the texts point into the scan's buffer and the
// catalogue, valid during the call that hands the row over.
struct SearchRowView {
  int site;
  std::string_view siteLabel;
  std::string_view genre;
  std::string_view headline;
  std::string_view url;
  std::string_view date;
};

// Scans one site's logs in category order, each log read once in blocks, and
// hands over each row as it is found, in log order: the lines that start with
// "<!--" and those whose headline holds the keyword (letters A-Z folded,
// matched only at character starts; an empty keyword matches nothing). A line
// equal to a category's search marker sets the genre of the rows after it.
// `showStatus` is called with the status text before each log file is read;
// it may throw to end the search. A log that exists but cannot be read raises
// an error before any row of the site goes out.
void SearchSiteLogs(int site, std::string_view keyword,
                    const std::function<void(const std::string&)>& showStatus,
                    const std::function<void(const SearchRowView&)>& onRow);

// Scans one log that belongs to no category (a feed's) as SearchSiteLogs
// scans each of a site's, every row with the `site` (image index),
// `siteLabel` and `genre` given. No file gives no rows; one that exists but
// cannot be read raises LoadLogFile's error.
void SearchLogFile(const std::string& path, std::string_view keyword, int site,
                   std::string_view siteLabel, std::string_view genre,
                   const std::function<void(const SearchRowView&)>& onRow);

// The same, appending the site's rows to `rows` once all its logs are read.
void ScanSiteLogs(int site, const std::string& keyword,
                  const std::function<void(const std::string&)>& showStatus,
                  std::vector<SearchRow>& rows);

}  // namespace quillet
