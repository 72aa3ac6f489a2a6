// The calendar date of log records, from a clock that tests can set.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace quillet {

// Today's local date as "YYYY/MM/DD".
std::string TodayShortDate();

// Fixes the clock at `now` (seconds since the epoch); nullopt restores it.
void SetClockForTesting(std::optional<std::time_t> now);

}  // namespace quillet
