#include "core/headlines/headline_merge.h"

#include <algorithm>
#include <map>
#include <memory>

#include "core/log/category_log.h"
#include "core/sys/program_dir.h"

namespace quillet {
namespace {

void ReplaceTabs(std::string& text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
}

void AppendRow(const HeadlineItem& item, bool isNew, bool watched, HeadlineSink& list) {
  list.AppendRow(item.site, item.genre, item.headline, item.imageIndex,
                 std::make_unique<NewsItem>(
                     NewsItem{item.site, item.headline, item.url, item.genre, isNew, watched}));
}

// After an error: what can be saved is, and the first error is the one reported.
void FlushQuietly(std::map<std::string, CategoryLog>& logs) noexcept {
  for (auto& [file, log] : logs) {
    try {
      log.Flush();
    } catch (...) {
    }
  }
}

}  // namespace

HeadlineMerge::Merged HeadlineMerge::MergeHeadline(CategoryLog& log, const HeadlineItem& item,
                                                   int32_t& insertPos) {
  // New against the log as the run found it, so that a headline met twice in
  // one run is new both times. The process notes every headline, so that
  // turning the logs off does not make all of them new.
  const bool newInRun = seen_.NewInRun(item.seenKey, item.headline);
  const bool isNew = behaviour_.saveLog ? !log.HeldWhenRead(item.headline) : newInRun;
  const bool shown = log.FindShown(item.headline) >= 0;
  if (behaviour_.addNewsOnly) {
    if (shown) return {false, isNew};
    if (behaviour_.saveLog) {
      insertPos = log.Record(item.headline, item.url, item.enabled, insertPos);
      log.MarkForSave();
    }
  } else if (behaviour_.saveLog) {
    if (!shown) insertPos = log.Record(item.headline, item.url, item.enabled, insertPos);
    log.MarkForSave();
  }
  return {true, isNew};
}

void HeadlineMerge::BeginRun(const settings::Settings& settings) {
  behaviour_ = settings.behaviour;
  watch_.emplace(settings.watch.keywords, settings.watch.foldWidth);
  seen_.BeginRun();
}

void HeadlineMerge::Merge(std::vector<HeadlineItem> items, HeadlineSink& list) {
  // A log is written and let go after its last headline.
  std::map<std::string, size_t> lastUse;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i].headline.empty()) lastUse[items[i].logFile] = i;
  }
  std::map<std::string, CategoryLog> logs;
  int32_t insertPos = 0;  // the line at which the section's next new record goes
  try {
    for (size_t i = 0; i < items.size(); ++i) {
      HeadlineItem& item = items[i];
      ReplaceTabs(item.headline);
      ReplaceTabs(item.url);
      if (item.opensSection) insertPos = 0;
      if (item.headline.empty()) {
        if (!behaviour_.noAddEmpty) AppendRow(item, false, false, list);
        continue;
      }
      auto log = logs.find(item.logFile);
      if (log == logs.end())
        log = logs.try_emplace(item.logFile, DataDirectory() + item.logFile).first;
      const Merged merged = MergeHeadline(log->second, item, insertPos);
      if (merged.listed && item.enabled)
        AppendRow(item, merged.isNew, watch_ && watch_->Matches(item.headline), list);
      if (lastUse[item.logFile] == i) {
        log->second.Flush();
        logs.erase(log);
      }
    }
  } catch (...) {
    FlushQuietly(logs);
    throw;
  }
}

void HeadlineMerge::ShowAgain(const std::vector<HeadlineItem>& items, HeadlineSink& list) {
  for (HeadlineItem item : items) {
    ReplaceTabs(item.headline);
    ReplaceTabs(item.url);
    if (item.headline.empty()) {
      if (!behaviour_.noAddEmpty) AppendRow(item, false, false, list);
      continue;
    }
    // Noted as met, so that turning the logs off later does not make it new.
    seen_.NewInRun(item.seenKey, item.headline);
    if (!behaviour_.addNewsOnly && item.enabled)
      AppendRow(item, false, watch_ && watch_->Matches(item.headline), list);
  }
}

}  // namespace quillet
