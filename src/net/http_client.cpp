#include "net/http_client.h"

#include <QByteArray>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QSignalBlocker>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <utility>

#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {

namespace {

bool IsHttp(std::string_view scheme) {
  return scheme.empty() || Cp932Lower(scheme) == "http";
}

// A decimal number that fills `text`, or `fallback`.
int64_t ParseDecimal(std::string_view text, int64_t fallback) {
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : fallback;
}

std::string Base64(const std::string& text) {
  return QByteArray::fromStdString(text).toBase64().toStdString();
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

HttpClient::HttpClient() {
  idleTimer_.setSingleShot(true);
  idleTimer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
  QObject::connect(&socket_, &QTcpSocket::connected, &context_, [this] { OnConnected(); });
  QObject::connect(&socket_, &QTcpSocket::readyRead, &context_, [this] { OnReadyRead(); });
  QObject::connect(&socket_, &QTcpSocket::disconnected, &context_,
                   [this] { OnConnectionClosed(); });
  QObject::connect(&socket_, &QTcpSocket::errorOccurred, &context_,
                   [this](QAbstractSocket::SocketError error) { OnSocketError(error); });
  QObject::connect(&idleTimer_, &QTimer::timeout, &context_,
                   [this] { Fail("Connection timed out"); });
}

HttpClient::~HttpClient() {
  if (lookupId_ != -1) QHostInfo::abortHostLookup(lookupId_);
  CloseSocket();
}

void HttpClient::SendGet() {
  Send(Method::kGet);
}

void HttpClient::SendHead() {
  Send(Method::kHead);
}

void HttpClient::Send(Method method) {
  Start(method);
  if (state_ != State::kReady) {
    QEventLoop loop;
    waitLoop_ = &loop;
    loop.exec();
    waitLoop_ = nullptr;
    // The loop also ends when the application quits; the exchange cannot
    // outlive the wait.
    if (state_ != State::kReady) AbortRequest();
  }
  if (responseCode_ >= 400) {
    throw QuilletError(responseText_, errorCode_ != 0 ? errorCode_ : responseCode_);
  }
}

void HttpClient::Start(Method method) {
  if (state_ != State::kReady) throw QuilletError("HTTP component is busy", 1);
  method_ = method;
  responseHeader_.clear();
  receivedCount_ = 0;
  newLocation_.clear();
  errorCode_ = 0;
  relocations_ = 0;
  target_ = ParseUrl(url);
  user_ = target_.user;
  password_ = target_.password;
  Connect();
}

// Starts the connection for target_: the name lookup of the site or of the
// proxy. Used for the first request and for every relocation.
void HttpClient::Connect() {
  responseCode_ = 0;
  responseText_.clear();
  documentLength_ = -1;
  documentType_.clear();
  location_.clear();
  pending_.clear();
  lineCount_ = 0;
  bodyStarted_ = false;
  if (!IsHttp(target_.scheme)) {
    Fail("unsupported scheme: " + target_.scheme);
    return;
  }

  std::string host = target_.host;
  std::string port = target_.port.empty() ? "80" : target_.port;
  if (!proxy.empty()) {
    const UrlParts proxyParts = ParseUrl(proxy);
    host = proxyParts.host;
    port = proxyParts.port.empty() ? proxyPort : proxyParts.port;
  }
  // A port that is not a number gets 0, which no connection accepts.
  const int64_t portNumber = ParseDecimal(port, 0);
  connectPort_ = portNumber > 0 && portNumber <= 65535 ? static_cast<uint16_t>(portNumber) : 0;

  state_ = State::kResolving;
  idleTimer_.start(idleTimeout);
  lookupId_ = QHostInfo::lookupHost(QString::fromLatin1(host), &context_,
                                    [this](const QHostInfo& info) { OnLookedUp(info); });
}

void HttpClient::OnLookedUp(const QHostInfo& info) {
  if (state_ != State::kResolving || info.lookupId() != lookupId_) return;
  lookupId_ = -1;
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    Fail("can't resolve hostname to IP address");
    return;
  }
  idleTimer_.start(idleTimeout);
  state_ = State::kConnecting;

  // Prefer an address of the local address's family.
  QHostAddress local;
  const bool bind = !localAddr.empty() && local.setAddress(QString::fromLatin1(localAddr));
  QHostAddress address = info.addresses().front();
  for (const QHostAddress& candidate : info.addresses()) {
    if (!bind || candidate.protocol() == local.protocol()) {
      address = candidate;
      break;
    }
  }
  if (bind && !socket_.bind(local, 0)) {
    OnSocketError(socket_.error());
    return;
  }
  socket_.connectToHost(address, connectPort_);
}

void HttpClient::OnConnected() {
  if (state_ != State::kConnecting) return;
  idleTimer_.start(idleTimeout);
  state_ = State::kWaitingForHeader;
  const std::string request = BuildRequest();
  socket_.write(request.data(), static_cast<qint64>(request.size()));
}

void HttpClient::OnSocketError(QAbstractSocket::SocketError error) {
  if (state_ == State::kConnecting) {
    const std::string text = Utf8ToCp932(socket_.errorString().toStdString());
    Fail(text + " (Error #" + std::to_string(ErrorNumber(error)) + ")");
  } else {
    // Once connected, an error only means that the connection has ended.
    OnConnectionClosed();
  }
}

void HttpClient::OnReadyRead() {
  char buffer[kReceiveBufferSize];
  while (state_ == State::kWaitingForHeader || state_ == State::kReceivingBody) {
    const qint64 count = socket_.read(buffer, sizeof buffer);
    if (count <= 0) break;
    idleTimer_.start(idleTimeout);
    const std::string_view bytes(buffer, static_cast<size_t>(count));
    if (state_ == State::kWaitingForHeader) {
      pending_ += bytes;
      ProcessHeader();
    } else {
      DeliverBody(bytes);
    }
  }
}

void HttpClient::OnConnectionClosed() {
  if (state_ != State::kWaitingForHeader && state_ != State::kReceivingBody) return;
  OnReadyRead();  // what arrived before the close is still buffered
  if (state_ == State::kWaitingForHeader) {
    if (location_.empty()) {
      Finish();
    } else {
      Relocate();
    }
  } else if (state_ == State::kReceivingBody) {
    const bool hadBody = bodyStarted_;
    Finish();
    if (hadBody && onDocEnd) onDocEnd(*this);
  }
}

void HttpClient::ProcessHeader() {
  while (state_ == State::kWaitingForHeader) {
    if (lineCount_ == 0 && pending_.size() >= 6 && Cp932Lower(pending_.substr(0, 6)) == "<html>") {
      // A document without header: all of it is body.
      if (documentType_.empty()) documentType_ = "text/html";
      state_ = State::kReceivingBody;
      DeliverBody(std::exchange(pending_, std::string()));
      return;
    }
    const size_t lf = pending_.find('\n');
    if (lf == std::string::npos || lf >= kReceiveBufferSize) {
      if (pending_.size() >= kReceiveBufferSize) Fail("HTTP line too long", 4);
      return;
    }
    std::string line = pending_.substr(0, lf);
    pending_.erase(0, lf + 1);
    ++lineCount_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      EndOfHeader();
      return;
    }
    HeaderLine(line);
    if (responseCode_ >= 400) {
      Finish();
      return;
    }
  }
}

void HttpClient::HeaderLine(const std::string& line) {
  responseHeader_.push_back(line);
  if (line.starts_with("HTTP/1.0") || line.starts_with("HTTP/1.1")) {
    // "HTTP/1.0 404 Not Found": the code in columns 10-12, the reason from 14.
    responseCode_ = line.size() > 9 ? static_cast<int>(ParseDecimal(line.substr(9, 3), 0)) : 0;
    responseText_ = line.size() > 13 ? line.substr(13) : std::string();
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return;
  const std::string name = Cp932Lower(std::string_view(line).substr(0, colon));
  std::string_view value = std::string_view(line).substr(colon + 1);
  while (value.starts_with(' '))
    value.remove_prefix(1);
  if (name == "location") {
    location_ = TrimSpaces(value);
  } else if (name == "content-length") {
    documentLength_ = std::max<int64_t>(ParseDecimal(TrimSpaces(value), -1), -1);
  } else if (name == "content-type") {
    documentType_ = Cp932Lower(value);
  }
}

void HttpClient::EndOfHeader() {
  // A relocation is followed even when its response announces an empty body.
  if (!location_.empty()) {
    Relocate();
  } else if (documentLength_ == 0 || method_ == Method::kHead) {
    Finish();
  } else {
    state_ = State::kReceivingBody;
    if (!pending_.empty()) DeliverBody(std::exchange(pending_, std::string()));
  }
}

void HttpClient::DeliverBody(std::string_view piece) {
  const int64_t limit = std::min<int64_t>(maxDocumentSize, INT32_MAX);  // ReceivedCount's range
  if (receivedCount_ + static_cast<int64_t>(piece.size()) > limit) {
    Fail("document too large");
    return;
  }
  if (!bodyStarted_) {
    bodyStarted_ = true;
    if (onDocBegin) onDocBegin(*this);
    if (state_ != State::kReceivingBody) return;  // aborted by the handler
  }
  receivedCount_ += static_cast<int32_t>(piece.size());
  if (receiveStream) receiveStream->append(piece);
  if (onDocData) onDocData(*this, piece);
}

void HttpClient::Relocate() {
  if (++relocations_ > kMaxRelocations) {
    Fail("too many relocations");
    return;
  }
  CloseSocket();
  responseHeader_.clear();
  const UrlParts next = ResolveLocation(target_, location_);
  // The URL's credentials are for its own host: a relocation elsewhere does
  // not carry them along, unless it names its own.
  if (!next.user.empty()) {
    user_ = next.user;
    password_ = next.password;
  } else if (next.host != target_.host || next.port != target_.port) {
    user_.clear();
    password_.clear();
  }
  target_ = next;
  newLocation_ = AbsoluteUrl(target_);
  Connect();
}

std::string HttpClient::RequestTarget() const {
  if (!proxy.empty()) return AbsoluteUrl(target_);
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
  if (!proxy.empty() && !proxyUsername.empty()) {
    line("Proxy-Authorization: Basic ", Base64(proxyUsername + ":" + proxyPassword));
  }
  request += "\r\n";
  return request;
}

void HttpClient::AbortRequest() {
  if (state_ == State::kReady) {
    CloseSocket();
    return;
  }
  const bool hadBody = state_ == State::kReceivingBody && bodyStarted_;
  Fail("Connection aborted on request");
  if (hadBody && onDocEnd) onDocEnd(*this);
}

void HttpClient::Fail(const std::string& text, int errorCode) {
  responseCode_ = 404;
  responseText_ = text;
  errorCode_ = errorCode;
  Finish();
}

// Ends the exchange: the client is ready again and the wait returns.
void HttpClient::Finish() {
  idleTimer_.stop();
  if (lookupId_ != -1) {
    QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
  }
  CloseSocket();
  state_ = State::kReady;
  if (waitLoop_) waitLoop_->quit();
}

// Closes without running the close handlers: whoever closes on purpose does
// what follows itself.
void HttpClient::CloseSocket() {
  const QSignalBlocker blocker(socket_);
  socket_.abort();
}

}  // namespace quillet
