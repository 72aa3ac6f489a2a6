#include "core/sys/clock.h"

#include <cstdio>

namespace quillet {
namespace {
std::optional<std::time_t>& FixedNow() {
  static std::optional<std::time_t> now;
  return now;
}
}  // namespace

std::time_t Now() {
  return FixedNow() ? *FixedNow() : std::time(nullptr);
}

std::string TodayShortDate() {
  const std::time_t now = Now();
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return text;
}

void SetClockForTesting(std::optional<std::time_t> now) {
  FixedNow() = now;
}

}  // namespace quillet
