// Serving Qt events until a condition holds, for tests with an event loop.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <chrono>
#include <functional>

namespace quillet::test {

// Serves events until `done` holds. The limit only keeps a broken run from
// hanging the test program; nothing is asserted about time.
inline bool SpinUntil(const std::function<bool()>& done) {
  QTimer wake;  // so that the wait for events ends to check again
  wake.start(5);
  QDeadlineTimer limit(std::chrono::seconds(60));
  while (!done() && !limit.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

}  // namespace quillet::test
