// The program's clock, which tests can set: the calendar date of log records,
// the times of the patrol.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace quillet {

// Seconds since the epoch.
std::time_t Now();

// Today's local date as "YYYY/MM/DD".
std::string TodayShortDate();

// Fixes the clock at `now` (seconds since the epoch); nullopt restores it.
void SetClockForTesting(std::optional<std::time_t> now);

}  // namespace quillet
