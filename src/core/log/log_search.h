// The log search over every source's logs, the seven sites' in site order,
// then each feed's: status texts and the result rows, streamed as each log is
// scanned. The window and the terminal program both search through
// SearchLogs over SearchedSources.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/log_store.h"
#include "core/pages/page_list.h"
#include "core/settings/feed_list.h"
#include "core/text/text_ops.h"

namespace quillet {

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

// How the keyword is matched: letters A-Z in either case always; with
// foldWidth, full-width and half-width forms alike too (WidthFolded).
struct SearchOptions {
  bool foldWidth = false;
};

// Scans one site's logs in category order, each log read once in blocks, and
// hands over each row as it is found, in log order: the lines that start with
// "<!--" and those whose headline holds the keyword (matched only at
// character starts; an empty keyword matches nothing). A line equal to a
// category's search marker sets the genre of the rows after it; a category
// without a marker (毎日新聞's) sets its genre where its log begins.
// `showStatus` is called with the status text before each log file is read;
// it may throw to end the search. A log that exists but cannot be read raises
// an error before any row of the site goes out.
void SearchSiteLogs(int site, std::string_view keyword, SearchOptions options,
                    const std::function<void(const std::string&)>& showStatus,
                    const std::function<void(const SearchRowView&)>& onRow);

// Scans one log that belongs to no category (a feed's) as SearchSiteLogs
// scans each of a site's, every row with the `site` (image index),
// `siteLabel` and `genre` given. No file gives no rows; one that exists but
// cannot be read raises ReadLogBytes's error.
void SearchLogFile(const std::string& path, std::string_view keyword, SearchOptions options,
                   int site, std::string_view siteLabel, std::string_view genre,
                   const std::function<void(const SearchRowView&)>& onRow);

// A source whose logs are searched: a site (its categories' logs), a feed
// (its one log, rows under its name and the genre フィード, no icon) or a
// page (its sections' logs, rows under its name and each section's name).
struct SearchSource {
  static constexpr int kFeed = -1;
  int site = kFeed;  // 0..6, or kFeed for a feed or a page
  int feedId = 0;    // a feed's; 0 for a page
  std::string feedName;
  struct Log {
    std::string path;
    std::string genre;
  };
  std::vector<Log> pageLogs;  // a page's sections' logs
};

// What "全てのログから検索" covers: the seven sites in site order, then
// `pages` and `feeds` (the settings file's) in their order.
std::vector<SearchSource> SearchedSources(const std::vector<settings::FeedSource>& feeds,
                                          const PageList& pages);

// Searches the logs of `sources` in their order as SearchSiteLogs and
// SearchLogFile do, a feed's status text being LogSearchStatusText of its
// name; `sourceDone` is called after each source whose logs were read.
void SearchLogs(const std::vector<SearchSource>& sources, std::string_view keyword,
                SearchOptions options, const std::function<void(const std::string&)>& showStatus,
                const std::function<void(const SearchRowView&)>& onRow,
                const std::function<void()>& sourceDone);

}  // namespace quillet
