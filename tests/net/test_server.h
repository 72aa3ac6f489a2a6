// A scripted HTTP server on 127.0.0.1 for the client tests. Each connection
// reads the request up to its empty line, then plays the next script: pieces
// of response, each after its delay, then a close (or silence, connection
// kept open). Runs in the test's thread, served by the client's wait.
#pragma once

#include <QTcpServer>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

class TestServer {
 public:
  struct Piece {
    std::string bytes;
    int delayMs = 0;  // before this piece is sent
  };
  struct Script {
    std::vector<Piece> pieces;
    bool close = true;  // false: stay silent with the connection open
  };

  TestServer();

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Url(std::string_view path) const;

  // Scripts for the coming connections, in order; a connection without one
  // is closed at once.
  void Add(Script script) { scripts_.push_back(std::move(script)); }
  void Add(std::string response) { Add(Script{{{std::move(response), 0}}, true}); }

  int Connections() const { return connections_; }
  // The request of every connection so far, as received.
  const std::vector<std::string>& Requests() const { return requests_; }

 private:
  void Accept();

  uint16_t port_ = 0;
  std::deque<Script> scripts_;
  int connections_ = 0;
  std::vector<std::string> requests_;
  QTcpServer server_;  // last, so that its connections go before the rest
};

// A port on 127.0.0.1 on which nothing listens.
uint16_t ClosedPort();

}  // namespace quillet::test
