// A source in two stages: a download on the event loop, then work on the body
// off the event loop's thread, whose outcome ends the source. Skip and Cancel
// end it quietly at either stage.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "net/source.h"

namespace quillet {

class StagedSource : public Source {
 public:
  void Abort() override;

 protected:
  // Keeps the calls and shows the source as connecting.
  void Begin(ProgressCall progress, EndedCall ended);
  void Report() { report_(progress_); }
  // Runs `work` (which must not throw) on a thread of its own; its outcome
  // ends the source, unless Skip or Cancel came first.
  void RunWork(std::function<SourceOutcome()> work);
  // Ends the source with `outcome` (the first end counts).
  void End(SourceOutcome outcome);
  // The same from the event loop, for a source that ends before it asks.
  void EndSoon(SourceOutcome outcome);
  // Ends the download in progress, if any; its end then ends the source.
  // Returns false when no download is in progress.
  virtual bool AbortDownload() = 0;

  SourceProgress progress_;
  bool aborted_ = false;  // Skip or Cancel came

 private:
  ProgressCall report_;
  EndedCall ended_;
  QObject context_;                // receives what is posted to the source itself
  std::unique_ptr<QObject> work_;  // receives the work's outcome; gone, it is dropped
};

}  // namespace quillet
