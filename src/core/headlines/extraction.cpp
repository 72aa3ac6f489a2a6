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

void AppendRow(const TFetchState& state, HeadlineList& list) {
  list.AppendRow(state.FSiteLabel, state.FGenre, state.FHeadline, SiteImageIndex(state.FSiteName),
                 std::make_unique<TNewsItem>(
                     TNewsItem{state.FSiteLabel, state.FHeadline, state.FURL, state.FGenre}));
}

}  // namespace

void AddNewsItem(TFetchState& state, HeadlineList& list, CategoryLog& log, int category) {
  if (state.FHeadline.empty()) {
    if (!settings::NoAddEmpty()) AppendRow(state, list);
    return;
  }
  Lines& lines = log.Open(state.FLogPath);
  const bool enabled = IsCategoryEnabled(category);
  const bool saveLog = settings::SaveLog();
  if (settings::AddNewsOnly()) {
    if (FindShownLogRecord(lines, state.FHeadline) >= 0) return;
    if (saveLog) {
      state.FInsertPos =
          RecordHeadline(lines, state.FHeadline, state.FURL, enabled, state.FInsertPos);
      log.MarkForSave();
    }
  } else if (saveLog) {
    if (FindShownLogRecord(lines, state.FHeadline) < 0) {
      state.FInsertPos =
          RecordHeadline(lines, state.FHeadline, state.FURL, enabled, state.FInsertPos);
    }
    log.MarkForSave();
  }
  if (enabled) AppendRow(state, list);
}

void ExtractHeadlines(TFetchState& state, const Lines& document, HeadlineList& list) {
  state.FInsertPos = 0;
  bool absoluteLinks = false;
  std::optional<int> category;
  CategoryLog log;
  try {
    for (const std::string& line : document) {
      const std::string previousGenre = state.FGenre;
      std::string text = line;
      if (auto marker = CategoryOfMarker(state.FSiteLabel, line)) {
        const Category& c = Categories()[static_cast<size_t>(*marker)];
        category = marker;
        state.FGenre = c.genre;
        state.FLogPath = ProgramDirectory() + c.logFile;
        state.FInsertPos = 0;
        state.FMarker = line;
        if (c.site == kImpressSite) absoluteLinks = c.absoluteLinks;
        // The later sites' markers are our own lines, not HTML comments.
        if (c.site >= kZakzakSite) text.clear();
      } else if (!category) {
        continue;
      }
      const std::string target = ExtractHref(text);
      state.FURL = absoluteLinks ? target : state.FBaseURL + target;
      state.FHeadline = RemoveTags(text);
      ReplaceTabs(state.FURL);
      ReplaceTabs(state.FHeadline);
      if (!(state.FGenre == previousGenre && state.FHeadline.empty())) {
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
