#include "core/headlines/headline_merge.h"

#include <algorithm>

#include "core/settings/settings.h"

namespace quillet {

void ReplaceTabs(std::string& text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
}

MergeSettings MergeSettings::Read() {
  return {settings::SaveLog(), settings::AddNewsOnly()};
}

MergedHeadline MergeHeadline(FetchState& state, CategoryLog& log, int seenKey, bool enabled,
                             const MergeSettings& settings) {
  const bool saveLog = settings.saveLog;
  // Decided before the headline is recorded. The process notes every
  // headline, so that turning the logs off does not make all of them new.
  const bool firstSighting = state.seen.FirstSighting(seenKey, state.headline);
  const bool isNew = saveLog ? log.Find(state.headline) < 0 : firstSighting;
  if (settings.addNewsOnly) {
    if (log.FindShown(state.headline) >= 0) return {false, isNew};
    if (saveLog) {
      state.insertPos = log.Record(state.headline, state.url, enabled, state.insertPos);
      log.MarkForSave();
    }
  } else if (saveLog) {
    if (log.FindShown(state.headline) < 0) {
      state.insertPos = log.Record(state.headline, state.url, enabled, state.insertPos);
    }
    log.MarkForSave();
  }
  return {true, isNew};
}

}  // namespace quillet
