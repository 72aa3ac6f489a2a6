#include "core/log/log_search.h"

#include "core/log/keyword_scan.h"
#include "core/log/log_blocks.h"
#include "core/settings/feed_list.h"
#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The row of a kept log line: its headline, URL and date fields.
SearchRowView RowOfLine(std::string_view line, int site, std::string_view siteLabel,
                        std::string_view genre) {
  std::string_view fields[3];  // headline, URL, date: LogField's 0, 1, 2
  for (std::string_view& field : fields) {
    const size_t tab = line.find('\t');
    field = line.substr(0, tab);
    if (tab == std::string_view::npos) break;
    line.remove_prefix(tab + 1);
  }
  return {site, siteLabel, genre, fields[0], fields[1], fields[2]};
}

}  // namespace

std::string LogSearchStatusText(std::string_view label) {
  return std::string(label) + CP932(" を検索しています...");
}

std::string SearchStatusText(int site, int k, int n) {
  std::string text = LogSearchStatusText(Sites()[static_cast<size_t>(site)].displayLabel);
  if (n > 1)
    text.append("(").append(std::to_string(k)).append("/").append(std::to_string(n)).append(")");
  return text;
}

std::string FoundCountText(size_t count) {
  return std::to_string(count) + CP932("件見つかりました");
}

void SearchSiteLogs(int site, std::string_view keyword, SearchOptions options,
                    const std::function<void(const std::string&)>& showStatus,
                    const std::function<void(const SearchRowView&)>& onRow) {
  const Site& s = Sites()[static_cast<size_t>(site)];
  const int n = s.lastCategory - s.firstCategory + 1;
  const KeywordScan scan(keyword, options.foldWidth);

  // Every log is opened before the first is read, so that one that cannot be
  // read ends the search before any row of the site has gone out.
  std::vector<LogBlocks> logs;
  bool anyFailed = false;
  for (int c = s.firstCategory; c <= s.lastCategory; ++c) {
    logs.emplace_back(LogFilePath(c));
    anyFailed = anyFailed || logs.back().Failed();
  }

  // Each log's lines follow its category's search marker; a kept line equal
  // to a marker sets the genre instead of making a row.
  std::vector<std::pair<std::string_view, std::string_view>> markerGenres;
  for (int c = s.firstCategory; c <= s.lastCategory; ++c) {
    const Category& category = Categories()[static_cast<size_t>(c)];
    if (!category.searchMarker.empty())
      markerGenres.emplace_back(category.searchMarker, category.genre);
  }
  std::string_view genre;
  const auto take = [&](std::string_view line) {
    for (const auto& [marker, markerGenre] : markerGenres) {
      if (line == marker) {
        genre = markerGenre;
        return;
      }
    }
    onRow(RowOfLine(line, site, s.shortLabel, genre));
  };
  std::vector<char> buffer;
  for (int k = 1; k <= n; ++k) {
    showStatus(SearchStatusText(site, k, n));
    LogBlocks& log = logs[static_cast<size_t>(k - 1)];
    if (log.Failed()) log.ThrowCannotOpen();
    if (log.Missing() || anyFailed) continue;
    const Category& category = Categories()[static_cast<size_t>(s.firstCategory + k - 1)];
    if (category.searchMarker.empty()) {
      genre = category.genre;
    } else if (scan.Keeps(category.searchMarker)) {
      take(category.searchMarker);
    }
    log.Read(buffer, scan.Overrun(),
             [&](std::string_view block) { return scan.Scan(block, take); });
  }
}

void SearchLogFile(const std::string& path, std::string_view keyword, SearchOptions options,
                   int site, std::string_view siteLabel, std::string_view genre,
                   const std::function<void(const SearchRowView&)>& onRow) {
  LogBlocks log(path);
  if (log.Missing()) return;
  if (log.Failed()) log.ThrowCannotOpen();
  const KeywordScan scan(keyword, options.foldWidth);
  std::vector<char> buffer;
  log.Read(buffer, scan.Overrun(), [&](std::string_view block) {
    return scan.Scan(
        block, [&](std::string_view line) { onRow(RowOfLine(line, site, siteLabel, genre)); });
  });
}

std::vector<SearchSource> SearchedSources(const std::vector<settings::FeedSource>& feeds,
                                          const PageList& pages) {
  std::vector<SearchSource> sources;
  for (const Site& site : Sites())
    sources.push_back({site.number, 0, "", {}});
  for (const PageSource& page : pages.pages) {
    SearchSource& source =
        sources.emplace_back(SearchSource{SearchSource::kFeed, 0, page.name, {}});
    for (size_t n = 1; n <= page.sections.size(); ++n)
      source.pageLogs.push_back({PageLogFilePath(page.id, n), page.sections[n - 1].name});
  }
  for (const settings::FeedSource& feed : feeds)
    sources.push_back({SearchSource::kFeed, feed.id, feed.name, {}});
  return sources;
}

void SearchLogs(const std::vector<SearchSource>& sources, std::string_view keyword,
                SearchOptions options, const std::function<void(const std::string&)>& showStatus,
                const std::function<void(const SearchRowView&)>& onRow,
                const std::function<void()>& sourceDone) {
  for (const SearchSource& source : sources) {
    if (source.site != SearchSource::kFeed) {
      SearchSiteLogs(source.site, keyword, options, showStatus, onRow);
    } else {
      showStatus(LogSearchStatusText(source.feedName));
      if (source.feedId != 0) {
        SearchLogFile(FeedLogFilePath(source.feedId), keyword, options, SearchSource::kFeed,
                      source.feedName, settings::FeedGenre(), onRow);
      }
      for (const SearchSource::Log& log : source.pageLogs) {
        SearchLogFile(log.path, keyword, options, SearchSource::kFeed, source.feedName, log.genre,
                      onRow);
      }
    }
    sourceDone();
  }
}

}  // namespace quillet
