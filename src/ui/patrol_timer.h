// The patrol timer: repeats the fetch every interval while it is on. Setting
// the state or the interval to the value it already has changes nothing; a
// different value restarts the countdown. An interval of 0 never fires.
#pragma once

#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>

namespace quillet {

class PatrolTimer {
 public:
  PatrolTimer();
  PatrolTimer(const PatrolTimer&) = delete;
  PatrolTimer& operator=(const PatrolTimer&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }

  // Minutes as the settings file holds them; negative counts as 0, and more
  // than the timer can hold (about 24 days) is cut to that.
  void SetIntervalMinutes(int64_t minutes);
  void SetIntervalMs(int64_t milliseconds);
  int64_t IntervalMs() const { return intervalMs_; }

  // True while a countdown runs (on, with an interval above 0).
  bool Counting() const { return timer_.isActive(); }
  // When the countdown ends, by the program's clock; nothing while none runs.
  std::optional<std::time_t> NextTick() const;

  std::function<void()> OnTick;
  // The next tick has moved: switched on or off, a new interval, a tick.
  std::function<void()> OnNextTickChanged;

 private:
  void Restart();
  void CountdownStarted();

  QTimer timer_;
  bool enabled_ = false;
  int64_t intervalMs_ = 0;
  std::time_t countdownStart_ = 0;
};

}  // namespace quillet
