// One feed's download on Qt's network access manager: HTTP/1.1 kept alive,
// HTTP/2 over TLS, gzip and deflate, conditional on the validators of the
// feed's last answer. Relocations are followed here, not by Qt, so that each
// one's status is known: a permanent one changes the feed's URL. The body is
// counted after decompression against a limit; a request fails below the
// program's transfer floor and past a deadline of its own.
#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/feeds/feed_answer.h"
#include "core/http/http_problem.h"
#include "net/feed_parser.h"
#include "net/source_failure.h"
#include "net/transfer_floor.h"

class QNetworkAccessManager;

namespace quillet {

class FeedDownload {
 public:
  static constexpr std::chrono::milliseconds kDefaultRequestDeadline{300'000};
  static constexpr int kMaxRelocations = 20;  // as many as the sites' client follows

  explicit FeedDownload(QNetworkAccessManager& network);
  ~FeedDownload();
  FeedDownload(const FeedDownload&) = delete;
  FeedDownload& operator=(const FeedDownload&) = delete;

  // Read when a download begins.
  std::chrono::milliseconds requestDeadline = kDefaultRequestDeadline;
  int64_t maxBodySize = static_cast<int64_t>(kMaxFeedBytes);  // decompressed bytes
  // Called after each piece of body has been added; may call Abort.
  std::function<void()> onBodyData;
  // Sent as If-None-Match and If-Modified-Since when not empty.
  std::string etag;
  std::string lastModified;

  // Starts the GET of `url` (CP932; without a scheme, http) and returns at
  // once; `ended` is called from the event loop when the download is over,
  // however it ends (never from inside Begin or Abort, never once this is
  // gone).
  void Begin(const std::string& url, std::function<void()> ended);
  // Ends the download in progress with "Connection aborted on request";
  // returns false when none is.
  bool Abort();
  bool Running() const { return running_; }

  // Results of the last download.
  // It ended before a whole answer came (FailureText says why), not with an
  // answer of whatever status.
  bool Failed() const { return problem_.failed; }
  int Status() const { return problem_.status; }
  const std::string& FailureText() const { return failureText_; }
  // "404 Not Found"; "404" when the answer has no reason phrase (HTTP/2).
  std::string StatusLine() const;
  // What kept it from delivering a feed, for DownloadProblemText.
  const DownloadProblem& Problem() const { return problem_; }
  std::string& Body() { return body_; }  // decompressed
  int64_t Received() const { return static_cast<int64_t>(body_.size()); }
  // The URL the body came from, after relocations, without user and password.
  const std::string& FinalUrl() const { return finalUrl_; }
  const std::string& ContentType() const { return contentType_; }
  // The relocations on the way, in order, with their absolute targets; one
  // that was not followed too.
  const std::vector<Redirect>& Redirects() const { return redirects_; }
  // The last answer's validators and Retry-After, as they came.
  const std::string& ETag() const { return answerEtag_; }
  const std::string& LastModified() const { return answerLastModified_; }
  const std::string& RetryAfter() const { return retryAfter_; }

 private:
  void Request(const QUrl& target);
  // Follows the answer's relocation; false when it is no relocation.
  bool Relocate(int status);
  void OnReadyRead();
  void OnFinished();
  // Ends the download as failed, unless it has ended already.
  void Fail(HttpProblem problem, const std::string& text);
  void Finish();
  void TakeReplyFacts();

  QNetworkAccessManager& network_;
  QObject context_;  // receives the reply's, the timers' and the posted notifications
  QPointer<QNetworkReply> reply_;
  TransferWatch transferWatch_;
  QTimer deadlineTimer_;
  std::function<void()> ended_;
  bool running_ = false;
  bool secure_ = false;  // the request in progress is https
  std::string body_;
  std::string reason_;
  std::string failureText_;
  std::string finalUrl_;
  std::string contentType_;
  std::vector<Redirect> redirects_;
  std::string answerEtag_;
  std::string answerLastModified_;
  std::string retryAfter_;
  DownloadProblem problem_;
};

}  // namespace quillet
