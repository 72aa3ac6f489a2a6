#include "net/downloaded_source.h"

#include <utility>

#include "core/text/text_codec.h"
#include "net/off_thread.h"

namespace quillet {

void DownloadedSource::Begin(const std::string& url, ProgressCall progress, EndedCall ended) {
  report_ = std::move(progress);
  ended_ = std::move(ended);
  http_.url = url;
  http_.localAddr = "0.0.0.0";
  http_.proxyPort = "80";
  // The sites have always been asked so; their request bytes stay the same.
  // Feeds are asked the same way.
  http_.agent = "Mozilla/3.0 (compatible)";
  http_.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  http_.noCache = true;
  http_.proxy = proxy_.address;
  http_.proxyUsername = proxy_.userName;
  http_.proxyPassword = proxy_.password;
  http_.receiveStream = &body_;
  http_.onDocBegin = [this](HttpClient&) {
    progress_.status = CP932(" に接続しています...");
    Report();
  };
  http_.onDocData = [this](HttpClient& http, std::string_view) {
    progress_.status = CP932(" のヘッドラインを取得しています...");
    progress_.received = http.ReceivedCount();
    Report();
  };
  http_.onDocEnd = [this](HttpClient&) {
    progress_.status = CP932(" の取得が終了しました");
    Report();
  };
  // The source is shown from its first request on, not from its first body bytes.
  progress_.status = CP932(" に接続しています...");
  Report();
}

void DownloadedSource::RunWork(std::function<SourceOutcome()> work) {
  work_ = std::make_unique<QObject>();
  try {
    RunOffThread<SourceOutcome>(*work_, std::move(work),
                                [this](SourceOutcome outcome) { End(std::move(outcome)); });
  } catch (const std::exception& e) {
    work_.reset();
    End(SourceOutcome::EndsRun(QuilletError(e.what())));
  }
}

void DownloadedSource::Abort() {
  aborted_ = true;
  if (!work_) {
    http_.AbortRequest();
    return;
  }
  // The work goes on on its own thread; its outcome is dropped.
  work_.reset();
  QMetaObject::invokeMethod(
      &context_, [this] { End({}); }, Qt::QueuedConnection);
}

void DownloadedSource::End(SourceOutcome outcome) {
  // Called from the work's own notification: it is let go once that is over.
  if (work_) work_.release()->deleteLater();
  if (ended_) std::exchange(ended_, {})(std::move(outcome));
}

}  // namespace quillet
