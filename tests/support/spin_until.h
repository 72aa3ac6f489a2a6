#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

namespace quillet::test {

// Serves Qt events until `done` holds; the limit only keeps a broken run from
// hanging, or bounds the wait for something that must not happen.
inline bool SpinUntil(const std::function<bool()>& done, int limitMs = 60'000) {
  QTimer wake;  // so that the wait for events ends to check again
  wake.start(5);
  QDeadlineTimer limit(limitMs);
  while (!done() && !limit.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

}  // namespace quillet::test
