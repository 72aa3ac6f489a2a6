// A scripted HTTP server on 127.0.0.1, or an https one: each connection reads
// the request, then plays the next script (pieces of response, then a close or
// silence).
#pragma once

#include <QTcpServer>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace quillet::test {

class TestServer {
 public:
  struct Piece {
    std::string bytes;
    int delayMs = 0;         // before this piece is sent
    bool onRelease = false;  // not before Release() is called
  };
  struct Script {
    std::vector<Piece> pieces;
    bool close = true;     // false: stay silent with the connection open
    bool unasked = false;  // true: played as soon as the connection is taken
  };

  TestServer();
  // https with the certificate and key in `certificate`.pem and .key
  explicit TestServer(const std::string& certificate);
  uint16_t Port() const { return server_->serverPort(); }
  std::string Url(std::string_view path) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(Port()) + std::string(path);
  }
  // Scripts for the coming connections, in order; one without is closed at once.
  void Add(Script script) { scripts_.push_back(std::move(script)); }
  void Add(std::string response) { Add(Script{{{std::move(response), 0}}, true}); }
  void Release() { released_ = true; }  // the pieces waiting for it go
  int Connections() const { return static_cast<int>(requests_.size()); }
  const std::vector<std::string>& Requests() const { return requests_; }  // as received

 private:
  void Listen(std::unique_ptr<QTcpServer> server);

  std::deque<Script> scripts_;
  std::vector<std::string> requests_;
  bool released_ = false;
  std::string scheme_ = "http";
  std::unique_ptr<QTcpServer> server_;  // last, so that its connections go before the rest
};

}  // namespace quillet::test
