#include "core/headlines/extraction.h"

#include <algorithm>
#include <optional>

#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/program_dir.h"

namespace quillet {
namespace {

constexpr int kImpressSite = 2;
constexpr int kZakzakSite = 3;

// A TAB would split the log record into wrong fields; it becomes a space.
void ReplaceTabs(std::string& text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
}

void AppendRow(const FetchState& state, HeadlineSink& list) {
  list.AppendRow(state.siteLabel, state.genre, state.headline, SiteImageIndex(state.siteName),
                 std::make_unique<NewsItem>(
                     NewsItem{state.siteLabel, state.headline, state.url, state.genre}));
}

}  // namespace

void AddNewsItem(FetchState& state, HeadlineSink& list, CategoryLog& log, int category) {
  if (state.headline.empty()) {
    if (!settings::NoAddEmpty()) AppendRow(state, list);
    return;
  }
  Lines& lines = log.Open(state.logPath);
  const bool enabled = IsCategoryEnabled(category);
  const bool saveLog = settings::SaveLog();
  if (settings::AddNewsOnly()) {
    if (FindShownLogRecord(lines, state.headline) >= 0) return;
    if (saveLog) {
      state.insertPos = RecordHeadline(lines, state.headline, state.url, enabled, state.insertPos);
      log.MarkForSave();
    }
  } else if (saveLog) {
    if (FindShownLogRecord(lines, state.headline) < 0) {
      state.insertPos = RecordHeadline(lines, state.headline, state.url, enabled, state.insertPos);
    }
    log.MarkForSave();
  }
  if (enabled) AppendRow(state, list);
}

void ExtractHeadlines(FetchState& state, const Lines& document, HeadlineSink& list) {
  state.insertPos = 0;
  bool absoluteLinks = false;
  std::optional<int> category;
  CategoryLog log;
  try {
    for (const std::string& line : document) {
      const std::string previousGenre = state.genre;
      std::string text = line;
      if (auto marker = CategoryOfMarker(state.siteLabel, line)) {
        const Category& c = Categories()[static_cast<size_t>(*marker)];
        category = marker;
        state.genre = c.genre;
        state.logPath = ProgramDirectory() + c.logFile;
        state.insertPos = 0;
        state.marker = line;
        if (c.site == kImpressSite) absoluteLinks = c.absoluteLinks;
        // The later sites' markers are our own lines, not HTML comments.
        if (c.site >= kZakzakSite) text.clear();
      } else if (!category) {
        continue;
      }
      const std::string target = ExtractHref(text);
      state.url = absoluteLinks ? target : state.baseUrl + target;
      state.headline = RemoveTags(text);
      ReplaceTabs(state.url);
      ReplaceTabs(state.headline);
      if (!(state.genre == previousGenre && state.headline.empty())) {
        AddNewsItem(state, list, log, *category);
      }
    }
    log.Flush();
  } catch (...) {
    try {
      log.Flush();
    } catch (...) {
      // The first error is the one to report.
    }
    throw;
  }
}

}  // namespace quillet
