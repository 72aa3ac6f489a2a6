// What a site and a feed share as sources: one HTTP/1.0 download into a body,
// asked as the sites have always been asked, through the program's proxy,
// with the document events reported as progress; then work on the body off
// the event loop's thread, whose outcome ends the source. Skip and Cancel end
// it quietly at either stage.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "core/settings/settings.h"
#include "net/http_client.h"
#include "net/source.h"

namespace quillet {

class DownloadedSource : public Source {
 public:
  void Abort() override;

 protected:
  explicit DownloadedSource(const settings::Proxy& proxy) : proxy_(proxy) {}

  // Keeps the calls, prepares the client for `url` and shows the source as
  // connecting.
  void Begin(const std::string& url, ProgressCall progress, EndedCall ended);
  void Report() { report_(progress_); }
  // Runs `work` (which must not throw) on a thread of its own; its outcome
  // ends the source, unless Skip or Cancel came first.
  void RunWork(std::function<SourceOutcome()> work);
  // Ends the source with `outcome` (the first end counts).
  void End(SourceOutcome outcome);

  HttpClient http_;
  std::string body_;  // every body byte of the download
  SourceProgress progress_;
  bool aborted_ = false;  // Skip or Cancel came

 private:
  settings::Proxy proxy_;
  ProgressCall report_;
  EndedCall ended_;
  QObject context_;                // receives what is posted to the source itself
  std::unique_ptr<QObject> work_;  // receives the work's outcome; gone, it is dropped
};

}  // namespace quillet
