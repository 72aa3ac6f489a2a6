// One relayed connection: what either side sends reaches the other side a
// fixed time later, in order, and so does its close. The client's first bytes
// wait a round trip more, as the TCP handshake that loopback skips would.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <deque>

namespace quillet {

class DelayedLink : public QObject {
 public:
  // Takes `client` (parented to this link) and connects to 127.0.0.1:`port`;
  // deletes itself once both sides are closed.
  DelayedLink(QTcpSocket* client, quint16 port, std::chrono::milliseconds delay);

 private:
  using Clock = std::chrono::steady_clock;
  struct Piece {
    Clock::time_point due;
    QByteArray bytes;
    bool end = false;  // the sending side closed
  };
  struct Way {
    QTcpSocket* from = nullptr;
    QTcpSocket* to = nullptr;
    std::deque<Piece> pieces;
    QTimer timer;
    bool ended = false;  // the close was passed on
  };

  void Take(Way& way, bool end);
  void Deliver(Way& way);

  std::chrono::milliseconds delay_;  // one way
  Clock::time_point handshakeDone_;
  QTcpSocket* client_;
  QTcpSocket server_;
  Way up_, down_;  // client to server, server to client
};

}  // namespace quillet
