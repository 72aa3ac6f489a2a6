// One headline merged into its log, as the sites' extraction and the feed
// merge both do it: the log record under the AddNewsOnly and SaveLog
// settings, and whether the headline is new.
#pragma once

#include <string>

#include "core/headlines/fetch_state.h"
#include "core/log/category_log.h"

namespace quillet {

// A TAB would split the log record into wrong fields; it becomes a space.
void ReplaceTabs(std::string& text);

struct MergedHeadline {
  bool listed = false;  // the headline gets its row (AddNewsOnly hides the ones shown before)
  bool isNew = false;   // its log held no record of it when the run began (without logs:
                        // no earlier run of this process met it)
};

// Records state.headline and state.url in `log` at state.insertPos (moved on
// past a new record), as state.settings' SaveLog and AddNewsOnly say.
// `seenKey` names the log among the headlines this process has seen;
// `enabled` is the record's flag.
MergedHeadline MergeHeadline(FetchState& state, CategoryLog& log, int seenKey, bool enabled);

}  // namespace quillet
