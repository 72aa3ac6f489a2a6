#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <functional>

namespace quillet::test {

// Serves Qt events until `done` holds; the limit only keeps a broken run from hanging.
inline bool SpinUntil(const std::function<bool()>& done) {
  QTimer wake;  // so that the wait for events ends to check again
  wake.start(5);
  QDeadlineTimer limit(60'000);
  while (!done() && !limit.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

}  // namespace quillet::test
