#include "core/headlines/extraction.h"

#include <map>
#include <optional>

#include "core/headlines/headline_merge.h"
#include "core/log/category_log.h"
#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/program_dir.h"

namespace quillet {
namespace {

void AppendRow(const FetchState& state, HeadlineSink& list, bool isNew = false) {
  list.AppendRow(state.siteLabel, state.genre, state.headline, SiteImageIndex(state.siteName),
                 std::make_unique<NewsItem>(
                     NewsItem{state.siteLabel, state.headline, state.url, state.genre, isNew}));
}

// The logs of the categories the walk has met, each read once. A log is
// written and let go when a later headline needs another log and no marker of
// its category follows; the others are written when the walk ends.
class WalkLogs {
 public:
  WalkLogs(const std::string& siteLabel, const Lines& document) {
    for (size_t i = 0; i < document.size(); ++i) {
      if (auto category = CategoryOfMarker(siteLabel, document[i])) lastMarker_[*category] = i;
    }
  }

  CategoryLog& Open(int category, const std::string& path, size_t line) {
    for (auto it = logs_.begin(); it != logs_.end();) {
      if (it->first == category || lastMarker_[it->first] > line) {
        ++it;
        continue;
      }
      it->second.Flush();
      it = logs_.erase(it);
    }
    auto it = logs_.find(category);
    if (it == logs_.end()) it = logs_.try_emplace(category, path).first;
    return it->second;
  }

  void FlushAll() {
    for (auto& [category, log] : logs_)
      log.Flush();
  }

  // After an error: what can be saved is, and the first error is the one reported.
  void FlushAllQuietly() noexcept {
    for (auto& [category, log] : logs_) {
      try {
        log.Flush();
      } catch (...) {
      }
    }
  }

 private:
  std::map<int, size_t> lastMarker_;
  std::map<int, CategoryLog> logs_;
};

// Records the headline in state.headline (or a separator when it is empty) for
// `category`, as the run's AddNewsOnly, SaveLog and NoAddEmpty say.
void AddNewsItem(FetchState& state, HeadlineSink& list, WalkLogs& logs, int category, size_t line) {
  if (state.headline.empty()) {
    if (!state.settings.behaviour.noAddEmpty) AppendRow(state, list);
    return;
  }
  CategoryLog& log = logs.Open(category, state.logPath, line);
  const bool enabled = state.settings.connection.enabled[static_cast<size_t>(category)];
  const MergedHeadline merged = MergeHeadline(state, log, category, enabled);
  if (merged.listed && enabled) AppendRow(state, list, merged.isNew);
}

}  // namespace

void ExtractHeadlines(FetchState& state, const Lines& document, HeadlineSink& list) {
  state.insertPos = 0;
  bool absoluteLinks = false;
  std::optional<int> category;
  WalkLogs logs(state.siteLabel, document);
  try {
    for (size_t i = 0; i < document.size(); ++i) {
      const std::string& line = document[i];
      const std::string previousGenre = state.genre;
      std::string text = line;
      if (auto marker = CategoryOfMarker(state.siteLabel, line)) {
        const Category& c = Categories()[static_cast<size_t>(*marker)];
        category = marker;
        state.genre = c.genre;
        state.logPath = DataDirectory() + c.logFile;
        state.insertPos = 0;
        absoluteLinks = c.absoluteLinks;
        if (Sites()[static_cast<size_t>(c.site)].markersAreText) text.clear();
      } else if (!category) {
        continue;
      }
      const std::string target = ExtractHref(text);
      state.url = absoluteLinks ? target : state.baseUrl + target;
      state.headline = RemoveTags(text);
      ReplaceTabs(state.url);
      ReplaceTabs(state.headline);
      if (!(state.genre == previousGenre && state.headline.empty())) {
        AddNewsItem(state, list, logs, *category, i);
      }
    }
    logs.FlushAll();
  } catch (...) {
    logs.FlushAllQuietly();
    throw;
  }
}

}  // namespace quillet
