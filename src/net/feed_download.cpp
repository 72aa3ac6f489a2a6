#include "net/feed_download.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <cerrno>
#include <utility>

#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "net/tls_configuration.h"
#include "net/url.h"

namespace quillet {
namespace {

constexpr char kUserAgent[] = "Quillet/" QUILLET_VERSION;
// Feeds first, then XML that may be one; anything else still gets its chance
// with the parser, which tells a feed by its content.
constexpr char kAccept[] =
    "application/rss+xml, application/atom+xml, application/feed+json, "
    "application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1";
// What Qt may hold of a reply that has not been read yet.
constexpr qint64 kReadBufferSize = 1 << 20;

std::string ToCp932(const QString& text) {
  return Utf8ToCp932(text.toStdString());
}

// Why a reply that brought no answer failed, in the kinds the messages tell
// apart. `answerBegun`: some of the answer had come.
HttpProblem ProblemOf(QNetworkReply::NetworkError error, bool answerBegun) {
  switch (error) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
      return HttpProblem::kHostNotFound;
    case QNetworkReply::SslHandshakeFailedError:
      return HttpProblem::kTls;
    case QNetworkReply::ProtocolUnknownError:
      return HttpProblem::kUnsupportedScheme;
    case QNetworkReply::RemoteHostClosedError:
      return answerBegun ? HttpProblem::kCutShort : HttpProblem::kConnectFailed;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
      return HttpProblem::kTooSlow;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::UnknownContentError:
      return HttpProblem::kBadResponse;
    default:
      return answerBegun ? HttpProblem::kCutShort : HttpProblem::kConnectFailed;
  }
}

}  // namespace

FeedDownload::FeedDownload(QNetworkAccessManager& network)
    : network_(network),
      transferWatch_([this] { Fail(HttpProblem::kTooSlow, "Connection timed out"); }) {
  deadlineTimer_.setSingleShot(true);
  deadlineTimer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
  QObject::connect(&deadlineTimer_, &QTimer::timeout, &context_,
                   [this] { Fail(HttpProblem::kDeadline, "Connection timed out"); });
}

FeedDownload::~FeedDownload() {
  if (reply_) {
    QObject::disconnect(reply_, nullptr, &context_, nullptr);
    reply_->abort();
    delete reply_;
  }
}

void FeedDownload::Begin(const std::string& url, std::function<void()> ended) {
  if (running_) throw QuilletError("HTTP component is busy", 1);
  ended_ = std::move(ended);
  running_ = true;
  body_.clear();
  reason_.clear();
  failureText_.clear();
  contentType_.clear();
  answerEtag_.clear();
  answerLastModified_.clear();
  retryAfter_.clear();
  const QNetworkProxy proxy = network_.proxy();
  const bool throughProxy = proxy.type() == QNetworkProxy::HttpProxy;
  const std::string absolute = SchemeOf(url).empty() ? "http://" + url : url;
  finalUrl_ = absolute;
  const QUrl target(QString::fromStdString(Cp932ToUtf8(absolute)));
  secure_ = target.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
  const std::string host = ToCp932(target.host());
  problem_ = DownloadProblem{HttpProblem::kNone,
                             false,
                             0,
                             throughProxy,
                             host,
                             throughProxy ? ToCp932(proxy.hostName()) : host,
                             ProgramTransferFloor(),
                             requestDeadline,
                             maxBodySize,
                             kMaxRelocations};

  redirects_.clear();
  transferWatch_.Start();
  deadlineTimer_.start(requestDeadline);
  Request(target);
}

void FeedDownload::Request(const QUrl& target) {
  QNetworkRequest request(target);
  // Made for https alone: loading the CAs costs more than a plain feed.
  if (target.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0) {
    try {
      request.setSslConfiguration(TlsConfiguration());
    } catch (const QuilletError& e) {
      Fail(HttpProblem::kTls, e.what());
      return;
    }
  }
  request.setRawHeader("User-Agent", kUserAgent);
  request.setRawHeader("Accept", kAccept);
  if (!etag.empty()) request.setRawHeader("If-None-Match", QByteArray::fromStdString(etag));
  if (!lastModified.empty())
    request.setRawHeader("If-Modified-Since", QByteArray::fromStdString(lastModified));
  // Accept-Encoding is Qt's to add: it then decompresses what it asked for.
  request.setAttribute(QNetworkRequest::Http2AllowedAttribute, true);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  // The body limit stops a bomb; Qt's own guess would stop a large honest
  // feed of repetitive XML with an error of its own.
  request.setDecompressedSafetyCheckThreshold(-1);
  request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  reply_ = network_.get(request);
  reply_->setReadBufferSize(kReadBufferSize);
  QObject::connect(reply_, &QNetworkReply::readyRead, &context_, [this] { OnReadyRead(); });
  QObject::connect(reply_, &QNetworkReply::finished, &context_, [this] { OnFinished(); });
}

// A 301, 302, 303, 307 or 308 with a Location is followed with a new GET,
// within the limit, to http or https, never from https down to http.
bool FeedDownload::Relocate(int status) {
  if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
    return false;
  const QUrl location = reply_->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
  if (location.isEmpty()) return false;
  const QUrl target = reply_->url().resolved(location);
  redirects_.push_back({status, ToCp932(target.toString(QUrl::FullyEncoded))});
  const QString scheme = target.scheme().toLower();
  if (static_cast<int>(redirects_.size()) > kMaxRelocations) {
    Fail(HttpProblem::kTooManyRelocations, "too many relocations");
  } else if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) {
    Fail(HttpProblem::kUnsupportedScheme, "unsupported scheme: " + ToCp932(target.scheme()));
  } else if (secure_ && scheme == QStringLiteral("http")) {
    Fail(HttpProblem::kLessSafeRelocation, "Insecure redirect");
  } else {
    QObject::disconnect(reply_, nullptr, &context_, nullptr);
    reply_->deleteLater();
    body_.clear();
    secure_ = scheme == QStringLiteral("https");
    Request(target);
  }
  return true;
}

bool FeedDownload::Abort() {
  if (!running_) return false;
  Fail(HttpProblem::kAborted, "Connection aborted on request");
  return true;
}

std::string FeedDownload::StatusLine() const {
  return std::to_string(problem_.status) + (reason_.empty() ? "" : " " + reason_);
}

// The body as it comes, decompressed; a total over the limit ends the
// download before it is read.
void FeedDownload::OnReadyRead() {
  if (!running_) return;
  const qint64 available = reply_->bytesAvailable();
  if (available <= 0) return;
  if (Received() + available > maxBodySize) {
    Fail(HttpProblem::kTooLarge, "document too large");
    return;
  }
  const size_t before = body_.size();
  body_.resize(before + static_cast<size_t>(available));
  const qint64 read = reply_->read(body_.data() + before, available);
  body_.resize(before + static_cast<size_t>(std::max<qint64>(read, 0)));
  transferWatch_.Count(read);
  if (onBodyData) onBodyData();
}

void FeedDownload::OnFinished() {
  if (!running_) return;
  OnReadyRead();  // what came with the end
  if (!running_) return;
  QNetworkReply::NetworkError error = reply_->error();
  const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  TakeReplyFacts();
  // An answer of an error status comes as an error of its own class; the
  // network's and the proxy's own failures come below 200. A 2xx answer with
  // an error (a body that does not decompress) delivered no feed.
  const int code = status.toInt();
  const bool answered =
      status.isValid() &&
      (error == QNetworkReply::NoError ||
       ((code < 200 || code > 299) && error >= QNetworkReply::ContentAccessDenied));
  if (answered && Relocate(code)) return;
  if (answered) {
    problem_.status = code;
    reason_ =
        reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray().toStdString();
    problem_.problem = problem_.status >= 400 ? HttpProblem::kHttpStatus : HttpProblem::kNone;
    return Finish();
  }
  if (error == QNetworkReply::ProxyAuthenticationRequiredError) {
    // The proxy refused its credentials: for https, its tunnel.
    problem_.status = 407;
    problem_.problem = secure_ ? HttpProblem::kTunnelRefused : HttpProblem::kHttpStatus;
    reason_ = "Proxy Authentication Required";
    return Finish();
  }
  // Through the proxy, Qt reports its failures before the tunnel as a network
  // error of unknown kind, told apart only by its text: a proxy that takes no
  // connection, or the proxy's refusal of the tunnel for another reason than
  // its credentials (its status is not kept).
  if (secure_ && problem_.throughProxy && error == QNetworkReply::UnknownNetworkError) {
    if (reply_->errorString() !=
        QCoreApplication::translate("QHttpSocketEngine", "Proxy connection refused")) {
      Fail(HttpProblem::kTunnelRefused, ToCp932(reply_->errorString()));
      return;
    }
    error = QNetworkReply::ProxyConnectionRefusedError;
  }
  const HttpProblem problem = ProblemOf(error, status.isValid() || !body_.empty());
  std::string text = ToCp932(reply_->errorString());
  if (problem == HttpProblem::kTls) text = "TLS: " + problem_.host + ": " + text;
  // As the sites' client says it.
  if (error == QNetworkReply::ConnectionRefusedError ||
      error == QNetworkReply::ProxyConnectionRefusedError)
    text = "Connection refused (Error #" + std::to_string(ECONNREFUSED) + ")";
  Fail(problem, text);
}

// What the reply says of the exchange's end: where it ended up, and what came.
void FeedDownload::TakeReplyFacts() {
  const QUrl url = reply_->url();
  finalUrl_ = ToCp932(url.adjusted(QUrl::RemoveUserInfo).toString(QUrl::FullyEncoded));
  secure_ = url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
  problem_.host = ToCp932(url.host());
  if (!problem_.throughProxy) problem_.connectHost = problem_.host;
  contentType_ = reply_->rawHeader("Content-Type").toStdString();
  answerEtag_ = reply_->rawHeader("ETag").toStdString();
  answerLastModified_ = reply_->rawHeader("Last-Modified").toStdString();
  retryAfter_ = reply_->rawHeader("Retry-After").toStdString();
}

void FeedDownload::Fail(HttpProblem problem, const std::string& text) {
  if (!running_) return;
  problem_.failed = true;
  problem_.status = 0;
  problem_.problem = problem;
  failureText_ = text;
  if (reply_) TakeReplyFacts();
  Finish();
}

// Ends the download: the reply goes, and whoever began it hears of it from
// the event loop.
void FeedDownload::Finish() {
  running_ = false;
  transferWatch_.Stop();
  deadlineTimer_.stop();
  if (reply_) {
    QObject::disconnect(reply_, nullptr, &context_, nullptr);
    reply_->abort();
    reply_->deleteLater();
    reply_.clear();
  }
  if (ended_) QMetaObject::invokeMethod(&context_, std::exchange(ended_, {}), Qt::QueuedConnection);
}

}  // namespace quillet
