#include "net/staged_source.h"

#include <utility>

#include "core/text/text_codec.h"
#include "net/off_thread.h"

namespace quillet {

void StagedSource::Begin(ProgressCall progress, EndedCall ended) {
  report_ = std::move(progress);
  ended_ = std::move(ended);
  // The source is shown from its first request on, not from its first body bytes.
  progress_.status = CP932(" に接続しています...");
  Report();
}

void StagedSource::RunWork(std::function<SourceOutcome()> work) {
  work_ = std::make_unique<QObject>();
  try {
    RunOffThread<SourceOutcome>(*work_, std::move(work),
                                [this](SourceOutcome outcome) { End(std::move(outcome)); });
  } catch (const std::exception& e) {
    work_.reset();
    End(SourceOutcome::EndsRun(QuilletError(e.what())));
  }
}

void StagedSource::Abort() {
  aborted_ = true;
  if (!work_ && AbortDownload()) return;
  // The work, if any, goes on on its own thread; its outcome is dropped.
  work_.reset();
  EndSoon({});
}

void StagedSource::EndSoon(SourceOutcome outcome) {
  QMetaObject::invokeMethod(
      &context_, [this, outcome = std::move(outcome)]() mutable { End(std::move(outcome)); },
      Qt::QueuedConnection);
}

void StagedSource::End(SourceOutcome outcome) {
  // Called from the work's own notification: it is let go once that is over.
  if (work_) work_.release()->deleteLater();
  if (ended_) std::exchange(ended_, {})(std::move(outcome));
}

}  // namespace quillet
