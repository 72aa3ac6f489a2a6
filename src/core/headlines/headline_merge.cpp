#include "core/headlines/headline_merge.h"

#include <algorithm>

namespace quillet {

void ReplaceTabs(std::string& text) {
  std::replace(text.begin(), text.end(), '\t', ' ');
}

MergedHeadline MergeHeadline(FetchState& state, CategoryLog& log, int seenKey, bool enabled) {
  const settings::Behaviour& settings = state.settings.behaviour;
  const bool saveLog = settings.saveLog;
  // New against the log as the run found it, so that a headline met twice in
  // one run is new both times. The process notes every headline, so that
  // turning the logs off does not make all of them new.
  const bool newInRun = state.seen.NewInRun(seenKey, state.headline);
  const bool isNew = saveLog ? !log.HeldWhenRead(state.headline) : newInRun;
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
