// HttpClient: one HTTP/1.0 exchange at a time over its own TCP connection,
// directly or through a proxy with basic authentication; https over TLS, through
// the proxy in a CONNECT tunnel. An exchange runs on the thread's Qt event
// loop and says when it has ended; nothing here waits.
#pragma once

#include <QObject>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/http/http_problem.h"
#include "core/http/http_response_parser.h"
#include "core/sys/error.h"
#include "net/transfer_floor.h"
#include "net/url.h"

class QHostAddress;
class QHostInfo;
class QSslError;
class QSslSocket;

namespace quillet {

class HttpClient {
 public:
  static constexpr std::chrono::milliseconds kDefaultRequestDeadline{300'000};
  static constexpr int64_t kDefaultMaxDocumentSize = 64 * 1024 * 1024;
  static constexpr int kMaxRelocations = 20;
  // Bytes taken from the socket at a time, straight into one buffer.
  static constexpr size_t kReceiveBufferSize = 64 * 1024;

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
  // The exchange fails with "Connection timed out" when it receives less than
  // the program's transfer floor (silence included), or when it has not ended
  // this long after BeginGet or BeginHead, relocations included, however
  // steadily bytes arrive; and with "document too large" past this many body
  // bytes (the bytes up to the limit are delivered first).
  std::chrono::milliseconds requestDeadline = kDefaultRequestDeadline;
  int64_t maxDocumentSize = kDefaultMaxDocumentSize;

  // Document events. They run as the exchange goes and must not throw nor
  // start another exchange on this client; AbortRequest is allowed.
  std::function<void(HttpClient&)> onDocBegin;                   // first body bytes
  std::function<void(HttpClient&, std::string_view)> onDocData;  // every piece of body
  std::function<void(HttpClient&)> onDocEnd;                     // closed after at least one piece

  // Start fetching `url` and return at once; `ended` is called from the event
  // loop when the exchange is over, however it ends (never from inside these
  // calls, and never once the client is gone). Raise QuilletError("HTTP
  // component is busy", 1) while an exchange runs. An https site's
  // certificate is always verified (see TlsConfiguration); a proxy's refusal
  // of the tunnel is reported as an HTTP error of the proxy.
  void BeginGet(std::function<void()> ended);
  void BeginHead(std::function<void()> ended);
  // The error the last exchange ended with: ResponseText with the status as
  // its code when ResponseCode is 400 or more (code 4 for "HTTP line too
  // long"), or when the exchange failed (code 404, the number the error
  // display has always given a failed download); none otherwise.
  std::optional<QuilletError> ExchangeError() const;
  // Ends the current exchange with "Connection aborted on request".
  void AbortRequest();

  // Results of the last exchange.
  // The answer's status; 0 when the exchange failed before a whole answer came.
  int ResponseCode() const { return failed_ ? 0 : response_.StatusCode(); }
  // The exchange ended before a whole answer came (ResponseText says why),
  // not with an answer of whatever status.
  bool Failed() const { return failed_; }
  const std::string& ResponseText() const {
    return failed_ ? failureText_ : response_.StatusText();
  }
  const std::vector<std::string>& ResponseHeader() const { return response_.HeaderLines(); }
  int32_t ReceivedCount() const { return receivedCount_; }
  int64_t DocumentLength() const { return response_.ContentLength(); }  // -1: no Content-Length
  const std::string& DocumentType() const { return response_.ContentType(); }
  // What kept the last exchange from delivering a document: a failure, the
  // proxy's refusal of the tunnel, or an answer of status 400 or more.
  HttpProblem Problem() const;
  // The host the last exchange asked for, after relocations, and the one it
  // connected to (the proxy's when there is one).
  const std::string& Host() const { return target_.host; }
  // The document's URL after any relocation, without user and password.
  std::string DocumentUrl() const { return AbsoluteUrl(target_); }
  const std::string& ConnectHost() const { return connectHost_; }
  bool ThroughProxy() const { return !proxy.empty(); }
  const TransferFloor& Floor() const { return transferWatch_.Floor(); }

 private:
  enum class Method { kGet, kHead };
  // kTunneling: the proxy's answer to CONNECT is awaited; kHandshaking: TLS.
  enum class State { kReady, kResolving, kConnecting, kTunneling, kHandshaking, kReceiving };

  void Start(Method method, std::function<void()> ended);
  void Connect();
  void OnLookedUp(const QHostInfo& info);
  void ConnectTo(const QList<QHostAddress>& addresses);
  QSslSocket& TlsSocket();
  void Watch(QTcpSocket& socket);
  void OnConnected();
  void StartTls();
  void OnTlsErrors(const QList<QSslError>& errors);
  void OnEncrypted();
  void SendRequest(const std::string& request);
  void OnSocketError(QAbstractSocket::SocketError error);
  void OnReadyRead();
  void OnConnectionClosed();
  enum class Read { kMore, kDrained, kClosed };
  Read ReadPiece();
  void OnResponseOutcome(HttpResponseParser::Outcome outcome);
  void OnTunnelOutcome(HttpResponseParser::Outcome outcome);
  HttpResponseParser DocumentParser();
  void DeliverBody(std::string_view piece);
  int64_t BodyLimit() const;
  void Relocate();
  std::string RequestTarget() const;
  std::string BuildRequest() const;
  std::string BuildTunnelRequest() const;
  std::string ProxyAuthorization() const;
  std::string TlsFailure(const QString& reason) const;
  void Fail(const std::string& text, HttpProblem problem, int errorCode = 404);
  void Finish();
  void CloseSocket();

  QObject context_;                        // receiver of the socket, lookup and timer notifications
  QTcpSocket tcpSocket_;                   // for http
  std::unique_ptr<QSslSocket> tlsSocket_;  // for https, made when first needed
  QTcpSocket* socket_ = &tcpSocket_;       // the one of the current connection
  std::optional<QSslConfiguration> tlsConfiguration_;  // made for https: it loads the TLS backend
  TransferWatch transferWatch_;
  QTimer deadlineTimer_;
  std::function<void()> ended_;  // of the exchange in progress
  bool readPosted_ = false;      // a read of what the socket still holds is on its way
  std::vector<char> receiveBuffer_;

  State state_ = State::kReady;
  Method method_ = Method::kGet;
  UrlParts target_;      // the document asked for, after relocations
  bool secure_ = false;  // target_ is https
  std::string user_;     // basic authentication from the URL's user part
  std::string password_;
  std::string connectHost_;
  uint16_t connectPort_ = 0;
  int lookupId_ = -1;
  HttpResponseParser response_;  // of the current connection
  bool bodyStarted_ = false;
  int relocations_ = 0;

  bool failed_ = false;  // the exchange failed before or while it was received
  HttpProblem failure_ = HttpProblem::kNone;
  bool tunnelRefused_ = false;  // the proxy answered CONNECT with 400 or more
  std::string failureText_;
  int errorCode_ = 0;
  int32_t receivedCount_ = 0;
};

}  // namespace quillet
