#include "ui/patrol_timer.h"

#include <algorithm>
#include <limits>

#include "core/sys/clock.h"

namespace quillet {

PatrolTimer::PatrolTimer() {
  timer_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    CountdownStarted();  // the timer goes on with the next interval
    if (OnTick) OnTick();
  });
}

void PatrolTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Restart();
}

void PatrolTimer::SetIntervalMinutes(int64_t minutes) {
  constexpr int64_t kMaxMinutes = std::numeric_limits<int>::max() / 60000;
  SetIntervalMs(std::clamp<int64_t>(minutes, 0, kMaxMinutes) * 60 * 1000);
}

void PatrolTimer::SetIntervalMs(int64_t milliseconds) {
  milliseconds = std::clamp<int64_t>(milliseconds, 0, std::numeric_limits<int>::max());
  if (milliseconds == intervalMs_) return;
  intervalMs_ = milliseconds;
  Restart();
}

void PatrolTimer::Restart() {
  timer_.stop();
  // A zero-interval QTimer would fire on every pass of the event loop.
  if (enabled_ && intervalMs_ > 0) timer_.start(static_cast<int>(intervalMs_));
  CountdownStarted();
}

void PatrolTimer::CountdownStarted() {
  countdownStart_ = Now();
  if (OnNextTickChanged) OnNextTickChanged();
}

std::optional<std::time_t> PatrolTimer::NextTick() const {
  if (!timer_.isActive()) return std::nullopt;
  return countdownStart_ + static_cast<std::time_t>(intervalMs_ / 1000);
}

}  // namespace quillet
