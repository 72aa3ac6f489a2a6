// The patrol timer's interval and on/off rules, with short real intervals.
#include "ui/patrol_timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace quillet {
namespace {

// Serves events until `done` or the deadline; returns `done`'s last value.
template <typename Done>
bool SpinUntil(Done done, int deadlineMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < deadlineMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

TEST(PatrolTimer, FiresOnlyWhileOnWithAnInterval) {
  PatrolTimer timer;
  int ticks = 0;
  timer.OnTick = [&] { ++ticks; };
  timer.SetIntervalMs(20);
  EXPECT_FALSE(timer.Counting());  // off at start
  timer.SetEnabled(true);
  EXPECT_TRUE(SpinUntil([&] { return ticks >= 2; }));
  timer.SetEnabled(false);
  const int before = ticks;
  SpinUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, before);
}

TEST(PatrolTimer, ZeroIntervalStaysSilent) {
  PatrolTimer timer;
  int ticks = 0;
  timer.OnTick = [&] { ++ticks; };
  timer.SetEnabled(true);
  timer.SetIntervalMs(0);
  EXPECT_FALSE(timer.Counting());
  SpinUntil([] { return false; }, 100);
  EXPECT_EQ(ticks, 0);
  timer.SetIntervalMinutes(-5);
  EXPECT_EQ(timer.IntervalMs(), 0);
}

TEST(PatrolTimer, SameValueKeepsTheCountdownAndANewOneRestartsIt) {
  PatrolTimer timer;
  int ticks = 0;
  timer.OnTick = [&] { ++ticks; };
  timer.SetIntervalMs(150);
  timer.SetEnabled(true);
  // Re-setting the same interval and state every 50 ms never delays the tick.
  EXPECT_TRUE(SpinUntil([&] {
    timer.SetIntervalMs(150);
    timer.SetEnabled(true);
    return ticks > 0;
  }));
  // A different interval every 50 ms restarts the countdown each time: in
  // 600 ms the 400 ms tick never comes.
  ticks = 0;
  for (int i = 0; i < 12; ++i) {
    timer.SetIntervalMs(i % 2 ? 400 : 410);
    SpinUntil([] { return false; }, 50);
  }
  EXPECT_EQ(ticks, 0);
}

TEST(PatrolTimer, MinutesAreConvertedAndHugeValuesCut) {
  PatrolTimer timer;
  timer.SetIntervalMinutes(120);
  EXPECT_EQ(timer.IntervalMs(), 7200000);
  timer.SetIntervalMinutes(6000);
  EXPECT_EQ(timer.IntervalMs(), 360000000);
  timer.SetIntervalMinutes(int64_t{1} << 40);
  EXPECT_EQ(timer.IntervalMs(), 35791 * 60000);
}

}  // namespace
}  // namespace quillet
