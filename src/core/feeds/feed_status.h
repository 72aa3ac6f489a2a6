// A feed's kept state as one line of the feed list: its last result, when it
// will be asked again while it waits, and a move of its URL.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "core/feeds/feed_state.h"

namespace quillet {

// The state of the feed `feedId` whose URL in the settings is `feedUrl`, as
// the feed list shows it at `now` (CP932, one line, no TAB), for example
// "12:30 に取得 (20 件)" or "12/07 12:30 に失敗: HTTP 503、13:15 まで待機".
// Times are local; one of another day has its date, of another year its year.
std::string FeedStatusText(const FeedStates& states, int feedId, std::string_view feedUrl,
                           std::time_t now);

}  // namespace quillet
