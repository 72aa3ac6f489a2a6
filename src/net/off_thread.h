// Work that must not hold the event loop's thread (cutting a page, parsing a
// feed) runs on a thread of its own; its result comes back through the event
// loop. Nobody waits for such a thread: a run cancelled or a program that
// quits drops the result and lets the thread finish on its own.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

namespace quillet {

// Threads of RunOffThread still working: a program that ends while some are
// ends without running its static destructors under them.
std::atomic<int>& OffThreadWork();

// Lowers the calling thread's priority below the window's thread, so that
// long work on a busy machine does not slow the window's answers.
void YieldToTheWindow();

// Runs `work` (which must not throw) on a new thread and calls `done` with its
// result on the thread of `context`, unless `context` is gone by then. Raises
// std::system_error when no thread can be made.
template <typename T>
void RunOffThread(QObject& context, std::function<T()> work, std::function<void(T)> done) {
  QPromise<T> promise;
  auto* watcher = new QFutureWatcher<T>(&context);
  QObject::connect(watcher, &QFutureWatcherBase::finished, &context,
                   [watcher, done = std::move(done)] {
                     watcher->deleteLater();
                     QFuture<T> future = watcher->future();
                     if (future.resultCount() > 0) done(future.takeResult());
                   });
  watcher->setFuture(promise.future());
  ++OffThreadWork();
  try {
    std::thread([promise = std::move(promise), work = std::move(work)]() mutable {
      YieldToTheWindow();
      promise.start();
      promise.addResult(work());
      promise.finish();
      --OffThreadWork();
    }).detach();
  } catch (...) {
    --OffThreadWork();
    delete watcher;
    throw;
  }
}

}  // namespace quillet
