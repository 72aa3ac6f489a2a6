// A scripted HTTP server on 127.0.0.1, or an https one: each connection reads
// the request, then plays the next script (pieces of response, then a close or
// silence).
#pragma once

#include <QTcpServer>

#include <deque>
#include <map>
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
  // Scripts for the coming requests, in order; one without is closed at once.
  void Add(Script script) { scripts_.push_back(std::move(script)); }
  void Add(std::string response) { Add(Script{{{std::move(response), 0}}, true}); }
  // The script of every request for `path` (also when asked for through a
  // proxy), before those added: a client that sends a request again on a new
  // connection gets the same answer.
  void Serve(const std::string& path, Script script) { served_[path] = std::move(script); }
  void Serve(const std::string& path, std::string response) {
    Serve(path, Script{{{std::move(response), 0}}, true});
  }
  void Release() { released_ = true; }  // the pieces waiting for it go
  int Connections() const { return static_cast<int>(requests_.size()); }
  const std::vector<std::string>& Requests() const { return requests_; }  // as received
  // The paths asked for, each once, in order.
  std::vector<std::string> Paths() const;

 private:
  void Listen(std::unique_ptr<QTcpServer> server);

  std::deque<Script> scripts_;
  std::map<std::string, Script> served_;
  std::vector<std::string> requests_;
  bool released_ = false;
  std::string scheme_ = "http";
  std::unique_ptr<QTcpServer> server_;  // last, so that its connections go before the rest
};

}  // namespace quillet::test
