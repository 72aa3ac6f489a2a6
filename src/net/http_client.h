// HttpClient: one HTTP/1.0 exchange at a time over its own TCP connection,
// directly or through a proxy with basic authentication. SendGet and SendHead
// wait for the end of the exchange in a nested Qt event loop, so a
// QCoreApplication must exist.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/url.h"

class QEventLoop;
class QHostInfo;

namespace quillet {

class HttpClient {
 public:
  static constexpr std::chrono::milliseconds kDefaultIdleTimeout{60'000};
  static constexpr int64_t kDefaultMaxDocumentSize = 64 * 1024 * 1024;
  static constexpr int kMaxRelocations = 20;
  // Bytes taken from the socket at a time; a header line and its LF must fit.
  static constexpr size_t kReceiveBufferSize = 8192;

  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Request settings (CP932 bytes), read when an exchange starts and again at
  // each relocation.
  std::string url;
  std::string proxy;  // "host" or "host:port"; empty for a direct connection
  std::string proxyPort = "80";
  std::string proxyUsername;
  std::string proxyPassword;
  std::string localAddr = "0.0.0.0";  // empty: no bind
  std::string agent;
  std::string accept;
  bool noCache = false;
  std::string* receiveStream = nullptr;  // every body byte is appended; may be null
  // The exchange fails with "Connection timed out" after this long without
  // any progress, and with "document too large" past this many body bytes.
  std::chrono::milliseconds idleTimeout = kDefaultIdleTimeout;
  int64_t maxDocumentSize = kDefaultMaxDocumentSize;

  // Document events. They run inside the wait and must not throw nor start
  // another exchange on this client; AbortRequest is allowed.
  std::function<void(HttpClient&)> onDocBegin;                   // first body bytes
  std::function<void(HttpClient&, std::string_view)> onDocData;  // every piece of body
  std::function<void(HttpClient&)> onDocEnd;                     // closed after at least one piece

  // Fetch `url` and return when the exchange is over, serving the application's
  // events meanwhile. Raise QuilletError(ResponseText, code) when
  // ResponseCode is 400 or more (code 4 for "HTTP line too long"), and
  // QuilletError("HTTP component is busy", 1) while an exchange runs.
  void SendGet();
  void SendHead();
  // Ends the current exchange with "Connection aborted on request".
  void AbortRequest();

  // Results of the last exchange.
  int ResponseCode() const { return responseCode_; }
  const std::string& ResponseText() const { return responseText_; }
  const std::vector<std::string>& ResponseHeader() const { return responseHeader_; }
  int32_t ReceivedCount() const { return receivedCount_; }
  int64_t DocumentLength() const { return documentLength_; }  // -1: no Content-Length
  const std::string& DocumentType() const { return documentType_; }
  const std::string& NewLocation() const { return newLocation_; }

 private:
  enum class Method { kGet, kHead };
  enum class State { kReady, kResolving, kConnecting, kWaitingForHeader, kReceivingBody };

  void Send(Method method);
  void Start(Method method);
  void Connect();
  void OnLookedUp(const QHostInfo& info);
  void OnConnected();
  void OnSocketError(QAbstractSocket::SocketError error);
  void OnReadyRead();
  void OnConnectionClosed();
  void ProcessHeader();
  void HeaderLine(const std::string& line);
  void EndOfHeader();
  void DeliverBody(std::string_view piece);
  void Relocate();
  std::string RequestTarget() const;
  std::string BuildRequest() const;
  void Fail(const std::string& text, int errorCode = 404);
  void Finish();
  void CloseSocket();

  QObject context_;  // receiver of the socket, lookup and timer notifications
  QTcpSocket socket_;
  QTimer idleTimer_;
  QEventLoop* waitLoop_ = nullptr;

  State state_ = State::kReady;
  Method method_ = Method::kGet;
  UrlParts target_;   // the document asked for, after relocations
  std::string user_;  // basic authentication from the URL's user part
  std::string password_;
  uint16_t connectPort_ = 0;
  int lookupId_ = -1;
  std::string pending_;  // header bytes not yet cut into lines
  int lineCount_ = 0;
  bool bodyStarted_ = false;
  std::string location_;
  int relocations_ = 0;
  int errorCode_ = 0;

  int responseCode_ = 0;
  std::string responseText_;
  std::vector<std::string> responseHeader_;
  int32_t receivedCount_ = 0;
  int64_t documentLength_ = -1;
  std::string documentType_;
  std::string newLocation_;
};

}  // namespace quillet
