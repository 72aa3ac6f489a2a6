#include "net/http_client.h"

#include <QByteArray>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QSignalBlocker>
#include <QSslError>
#include <QSslSocket>
#include <QString>

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <utility>

#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "net/tls_configuration.h"

namespace quillet {

namespace {

bool IsHttp(std::string_view scheme) {
  return scheme.empty() || Cp932Lower(scheme) == "http";
}

bool IsHttps(std::string_view scheme) {
  return Cp932Lower(scheme) == "https";
}

// A port number that fills `text`, or 0, which no connection accepts.
uint16_t ParsePort(std::string_view text) {
  uint16_t port = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  return ec == std::errc() && end == text.data() + text.size() ? port : 0;
}

std::string Base64(const std::string& text) {
  return QByteArray::fromStdString(text).toBase64().toStdString();
}

// Asks for huge pages for the room `buffer` holds beyond its contents: a
// document of many megabytes would otherwise take a page fault every 4 KiB as
// it arrives, which costs more than receiving it. A hint; it may be refused.
void AdviseHugePages(std::string& buffer) {
  constexpr uintptr_t kHugePage = 2 * 1024 * 1024;
  const auto begin = reinterpret_cast<uintptr_t>(buffer.data() + buffer.size());
  const auto end = reinterpret_cast<uintptr_t>(buffer.data() + buffer.capacity());
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = end & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// The system's error number where Qt's error class stands for exactly one;
// Qt's own error value otherwise.
int ErrorNumber(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
      return ECONNREFUSED;
    case QAbstractSocket::SocketAccessError:
      return EACCES;
    case QAbstractSocket::AddressInUseError:
      return EADDRINUSE;
    case QAbstractSocket::SocketAddressNotAvailableError:
      return EADDRNOTAVAIL;
    case QAbstractSocket::SocketTimeoutError:
      return ETIMEDOUT;
    default:
      return static_cast<int>(error);
  }
}

}  // namespace

HttpClient::HttpClient()
    : transferWatch_([this] { Fail("Connection timed out", HttpProblem::kTooSlow); }),
      receiveBuffer_(kReceiveBufferSize) {
  deadlineTimer_.setSingleShot(true);
  deadlineTimer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
  QObject::connect(&deadlineTimer_, &QTimer::timeout, &context_,
                   [this] { Fail("Connection timed out", HttpProblem::kDeadline); });
  Watch(tcpSocket_);
}

HttpClient::~HttpClient() {
  if (lookupId_ != -1) QHostInfo::abortHostLookup(lookupId_);
  CloseSocket();
}

// The TLS socket is made at the first https connection: making it loads the
// TLS backend, which a client that never asks for https does not need.
QSslSocket& HttpClient::TlsSocket() {
  if (!tlsSocket_) {
    tlsSocket_ = std::make_unique<QSslSocket>();
    Watch(*tlsSocket_);
    QObject::connect(tlsSocket_.get(), &QSslSocket::sslErrors, &context_,
                     [this](const QList<QSslError>& errors) { OnTlsErrors(errors); });
    QObject::connect(tlsSocket_.get(), &QSslSocket::encrypted, &context_,
                     [this] { OnEncrypted(); });
  }
  return *tlsSocket_;
}

// The proxy is the one of the request settings, or none: a desktop's proxy
// (http_proxy and the like) would otherwise take the connection, and asking
// for it costs every connection a round trip to another thread.
void HttpClient::Watch(QTcpSocket& socket) {
  socket.setProxy(QNetworkProxy::NoProxy);
  QObject::connect(&socket, &QTcpSocket::connected, &context_, [this] { OnConnected(); });
  QObject::connect(&socket, &QTcpSocket::readyRead, &context_, [this] { OnReadyRead(); });
  QObject::connect(&socket, &QTcpSocket::disconnected, &context_, [this] { OnConnectionClosed(); });
  QObject::connect(&socket, &QTcpSocket::errorOccurred, &context_,
                   [this](QAbstractSocket::SocketError error) { OnSocketError(error); });
}

void HttpClient::BeginGet(std::function<void()> ended) {
  Start(Method::kGet, std::move(ended));
}

void HttpClient::BeginHead(std::function<void()> ended) {
  Start(Method::kHead, std::move(ended));
}

std::optional<QuilletError> HttpClient::ExchangeError() const {
  if (!failed_ && ResponseCode() < 400) return std::nullopt;
  constexpr int kFailureCode = 404;
  return QuilletError(ResponseText(), errorCode_ != 0 ? errorCode_
                                      : failed_       ? kFailureCode
                                                      : ResponseCode());
}

void HttpClient::Start(Method method, std::function<void()> ended) {
  if (state_ != State::kReady) throw QuilletError("HTTP component is busy", 1);
  ended_ = std::move(ended);
  method_ = method;
  receivedCount_ = 0;
  failed_ = false;
  failure_ = HttpProblem::kNone;
  tunnelRefused_ = false;
  failureText_.clear();
  errorCode_ = 0;
  relocations_ = 0;
  target_ = ParseUrl(url);
  user_ = target_.user;
  password_ = target_.password;
  deadlineTimer_.start(requestDeadline);
  transferWatch_.Start();
  Connect();
}

// Starts the connection for target_: the name lookup of the site or of the
// proxy. Used for the first request and for every relocation.
void HttpClient::Connect() {
  response_ = DocumentParser();
  bodyStarted_ = false;
  secure_ = IsHttps(target_.scheme);
  if (!secure_ && !IsHttp(target_.scheme)) {
    Fail("unsupported scheme: " + target_.scheme, HttpProblem::kUnsupportedScheme);
    return;
  }
  if (secure_) {
    try {
      tlsConfiguration_ = TlsConfiguration();
    } catch (const QuilletError& e) {
      Fail(e.what(), HttpProblem::kTls);
      return;
    }
  }
  socket_ = secure_ ? &TlsSocket() : &tcpSocket_;

  std::string host = target_.host;
  std::string port = !target_.port.empty() ? target_.port : secure_ ? "443" : "80";
  if (!proxy.empty()) {
    const UrlParts proxyParts = ParseUrl(proxy);
    host = proxyParts.host;
    port = proxyParts.port.empty() ? proxyPort : proxyParts.port;
  }
  connectHost_ = host;
  connectPort_ = ParsePort(port);

  state_ = State::kResolving;
  // A numeric address is used as it is: its lookup would ask for its name.
  QHostAddress numeric;
  if (numeric.setAddress(QString::fromLatin1(host))) {
    ConnectTo({numeric});
    return;
  }
  lookupId_ = QHostInfo::lookupHost(QString::fromLatin1(host), &context_,
                                    [this](const QHostInfo& info) { OnLookedUp(info); });
}

void HttpClient::OnLookedUp(const QHostInfo& info) {
  if (state_ != State::kResolving || info.lookupId() != lookupId_) return;
  lookupId_ = -1;
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    Fail("can't resolve hostname to IP address", HttpProblem::kHostNotFound);
    return;
  }
  ConnectTo(info.addresses());
}

void HttpClient::ConnectTo(const QList<QHostAddress>& addresses) {
  state_ = State::kConnecting;

  // Prefer an address of the local address's family.
  QHostAddress local;
  const bool bind = !localAddr.empty() && local.setAddress(QString::fromLatin1(localAddr));
  QHostAddress address = addresses.front();
  for (const QHostAddress& candidate : addresses) {
    if (!bind || candidate.protocol() == local.protocol()) {
      address = candidate;
      break;
    }
  }
  if (bind && !socket_->bind(local, 0)) {
    OnSocketError(socket_->error());
    return;
  }
  // Unbuffered: plain reads go straight from the system into receiveBuffer_.
  // A TLS socket decrypts into its own buffer anyway, and unbuffered it asks
  // its closed connection for bytes after a failed connect.
  socket_->connectToHost(
      address, connectPort_,
      secure_ ? QIODevice::ReadWrite : QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void HttpClient::OnConnected() {
  if (state_ != State::kConnecting) return;
  if (!secure_) {
    SendRequest(BuildRequest());
  } else if (proxy.empty()) {
    StartTls();
  } else {
    // Through the proxy, TLS runs in a tunnel to the site that it opens first.
    state_ = State::kTunneling;
    response_ = HttpResponseParser(false, 0, nullptr);
    const std::string request = BuildTunnelRequest();
    socket_->write(request.data(), static_cast<qint64>(request.size()));
  }
}

void HttpClient::StartTls() {
  if (socket_->state() != QAbstractSocket::ConnectedState) {
    Fail(TlsFailure(QStringLiteral("The remote host closed the connection")), HttpProblem::kTls);
    return;
  }
  state_ = State::kHandshaking;
  response_ = DocumentParser();  // the proxy's answer to CONNECT is not the site's
  QSslSocket& socket = TlsSocket();
  socket.setSslConfiguration(*tlsConfiguration_);
  // The name the certificate must hold, also sent as the server name (SNI)
  // unless it is an address.
  socket.setPeerVerifyName(QString::fromLatin1(target_.host));
  socket.startClientEncryption();
}

// A certificate that fails verification ends the exchange: there is no way to
// accept it anyway.
void HttpClient::OnTlsErrors(const QList<QSslError>& errors) {
  if (state_ != State::kHandshaking || errors.isEmpty()) return;
  Fail(TlsFailure(errors.front().errorString()), HttpProblem::kTls);
}

void HttpClient::OnEncrypted() {
  if (state_ != State::kHandshaking) return;
  SendRequest(BuildRequest());
}

void HttpClient::SendRequest(const std::string& request) {
  state_ = State::kReceiving;
  socket_->write(request.data(), static_cast<qint64>(request.size()));
}

void HttpClient::OnSocketError(QAbstractSocket::SocketError error) {
  if (state_ == State::kConnecting) {
    const std::string text = Utf8ToCp932(socket_->errorString().toStdString());
    Fail(text + " (Error #" + std::to_string(ErrorNumber(error)) + ")",
         HttpProblem::kConnectFailed);
  } else if (state_ == State::kHandshaking) {
    Fail(TlsFailure(socket_->errorString()), HttpProblem::kTls);
  } else {
    // Once connected, an error only means that the connection has ended.
    OnConnectionClosed();
  }
}

// One piece at a time: the event loop runs between pieces, so that a fast
// sender cannot hold the thread. A piece that filled the buffer may have left
// more behind, which a TLS socket would not announce again.
void HttpClient::OnReadyRead() {
  const Read read = ReadPiece();
  if (read == Read::kClosed) {
    OnResponseOutcome(response_.Close());
  } else if (read == Read::kMore && !readPosted_) {
    readPosted_ = true;
    QMetaObject::invokeMethod(
        &context_,
        [this] {
          readPosted_ = false;
          OnReadyRead();
        },
        Qt::QueuedConnection);
  }
}

void HttpClient::OnConnectionClosed() {
  if (state_ == State::kHandshaking) {
    Fail(TlsFailure(QStringLiteral("The remote host closed the connection")), HttpProblem::kTls);
    return;
  }
  if (state_ != State::kReceiving && state_ != State::kTunneling) return;
  // What arrived before the close may not have been read.
  while (ReadPiece() == Read::kMore) {
  }
  OnResponseOutcome(response_.Close());
}

// Feeds the response one buffer of what the socket holds.
HttpClient::Read HttpClient::ReadPiece() {
  if (state_ != State::kReceiving && state_ != State::kTunneling) return Read::kDrained;
  const qint64 count = socket_->read(receiveBuffer_.data(), std::ssize(receiveBuffer_));
  if (count < 0) return Read::kClosed;
  if (count == 0) return Read::kDrained;
  transferWatch_.Count(count);
  OnResponseOutcome(response_.Feed({receiveBuffer_.data(), static_cast<size_t>(count)}));
  return count == std::ssize(receiveBuffer_) ? Read::kMore : Read::kDrained;
}

void HttpClient::OnResponseOutcome(HttpResponseParser::Outcome outcome) {
  if (state_ == State::kTunneling) {
    OnTunnelOutcome(outcome);
    return;
  }
  if (state_ != State::kReceiving) return;  // ended by a document event
  switch (outcome) {
    case HttpResponseParser::Outcome::kPending:
      break;
    case HttpResponseParser::Outcome::kRelocate:
      Relocate();
      break;
    case HttpResponseParser::Outcome::kFailed:
      Fail(response_.FailureText(), response_.Failure(), response_.FailureCode());
      break;
    case HttpResponseParser::Outcome::kComplete: {
      const bool hadBody = bodyStarted_;
      Finish();
      if (hadBody && onDocEnd) onDocEnd(*this);
      break;
    }
  }
}

// The proxy's answer to CONNECT: a 2xx status opens the tunnel; an error
// status ends the exchange as the error of an HTTP answer does, anything else
// with its status text.
void HttpClient::OnTunnelOutcome(HttpResponseParser::Outcome outcome) {
  if (outcome == HttpResponseParser::Outcome::kPending) return;
  if (outcome == HttpResponseParser::Outcome::kFailed) {
    Fail(response_.FailureText(), response_.Failure(), response_.FailureCode());
    return;
  }
  const int status = response_.StatusCode();
  if (status >= 200 && status <= 299) {
    StartTls();
  } else if (status >= 400) {
    tunnelRefused_ = true;
    Finish();
  } else {
    Fail(response_.StatusText().empty() ? std::string("no tunnel through the proxy")
                                        : response_.StatusText(),
         HttpProblem::kTunnelRefused);
  }
}

HttpResponseParser HttpClient::DocumentParser() {
  return HttpResponseParser(method_ == Method::kGet, BodyLimit(),
                            [this](std::string_view piece) { DeliverBody(piece); });
}

void HttpClient::DeliverBody(std::string_view piece) {
  if (state_ != State::kReceiving) return;  // ended by a document event
  if (!bodyStarted_) {
    bodyStarted_ = true;
    const int64_t expected = std::min(DocumentLength(), BodyLimit());
    if (receiveStream && expected > 0) {
      receiveStream->reserve(receiveStream->size() + static_cast<size_t>(expected));
      AdviseHugePages(*receiveStream);
    }
    if (onDocBegin) onDocBegin(*this);
    if (state_ != State::kReceiving) return;  // aborted by the handler
  }
  receivedCount_ += static_cast<int32_t>(piece.size());
  if (receiveStream) receiveStream->append(piece);
  if (onDocData) onDocData(*this, piece);
}

int64_t HttpClient::BodyLimit() const {
  return std::min<int64_t>(maxDocumentSize, INT32_MAX);  // ReceivedCount's range
}

void HttpClient::Relocate() {
  if (++relocations_ > kMaxRelocations) {
    Fail("too many relocations", HttpProblem::kTooManyRelocations);
    return;
  }
  CloseSocket();
  const UrlParts next = ResolveLocation(target_, response_.Location());
  // The URL's credentials are for its own host: a relocation elsewhere, or
  // from https to plain http, does not carry them along, unless it names its
  // own.
  if (!next.user.empty()) {
    user_ = next.user;
    password_ = next.password;
  } else if (next.host != target_.host || next.port != target_.port ||
             next.scheme != target_.scheme) {
    user_.clear();
    password_.clear();
  }
  target_ = next;
  Connect();
}

// The absolute URL to a proxy, the path to a site (also in a tunnel).
std::string HttpClient::RequestTarget() const {
  if (!proxy.empty() && !secure_) return AbsoluteUrl(target_);
  if (target_.path.starts_with('/')) return target_.path;
  return "/" + target_.path;
}

std::string HttpClient::BuildRequest() const {
  std::string request = method_ == Method::kHead ? "HEAD " : "GET ";
  request += RequestTarget() + " HTTP/1.0\r\n";
  auto line = [&request](std::string_view name, std::string_view value) {
    request.append(name).append(value).append("\r\n");
  };
  if (!accept.empty()) line("Accept: ", accept);
  if (!agent.empty()) line("User-Agent: ", agent);
  line("Host: ", target_.host);
  if (noCache) line("Pragma: no-cache", "");
  if (!user_.empty()) line("Authorization: Basic ", Base64(user_ + ":" + password_));
  if (!proxy.empty() && !secure_) request += ProxyAuthorization();
  request += "\r\n";
  return request;
}

std::string HttpClient::BuildTunnelRequest() const {
  const std::string authority = target_.host + ":" + (target_.port.empty() ? "443" : target_.port);
  return "CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n" +
         ProxyAuthorization() + "\r\n";
}

// The proxy credentials' header line, when there are credentials.
std::string HttpClient::ProxyAuthorization() const {
  if (proxyUsername.empty()) return "";
  return "Proxy-Authorization: Basic " + Base64(proxyUsername + ":" + proxyPassword) + "\r\n";
}

// "TLS: host: reason", for whatever ends the handshake.
std::string HttpClient::TlsFailure(const QString& reason) const {
  return "TLS: " + target_.host + ": " + Utf8ToCp932(reason.toStdString());
}

void HttpClient::AbortRequest() {
  if (state_ == State::kReady) {
    CloseSocket();
    return;
  }
  const bool hadBody = bodyStarted_;
  Fail("Connection aborted on request", HttpProblem::kAborted);
  if (hadBody && onDocEnd) onDocEnd(*this);
}

HttpProblem HttpClient::Problem() const {
  if (failed_) return failure_;
  if (tunnelRefused_) return HttpProblem::kTunnelRefused;
  return response_.StatusCode() >= 400 ? HttpProblem::kHttpStatus : HttpProblem::kNone;
}

void HttpClient::Fail(const std::string& text, HttpProblem problem, int errorCode) {
  failed_ = true;
  failure_ = problem;
  failureText_ = text;
  errorCode_ = errorCode;
  Finish();
}

// Ends the exchange: the client is ready again, and whoever started the
// exchange hears of it from the event loop.
void HttpClient::Finish() {
  transferWatch_.Stop();
  deadlineTimer_.stop();
  if (lookupId_ != -1) {
    QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
  }
  CloseSocket();
  state_ = State::kReady;
  if (ended_) QMetaObject::invokeMethod(&context_, std::exchange(ended_, {}), Qt::QueuedConnection);
}

// Closes without running the close handlers: whoever closes on purpose does
// what follows itself.
void HttpClient::CloseSocket() {
  const QSignalBlocker blocker(socket_);
  socket_->abort();
}

}  // namespace quillet
