#include "delayed_link.h"

#include <QHostAddress>

#include <algorithm>

namespace quillet {

DelayedLink::DelayedLink(QTcpSocket* client, quint16 port, std::chrono::milliseconds delay)
    : delay_(delay), handshakeDone_(Clock::now() + 2 * delay), client_(client), server_(this) {
  client_->setParent(this);
  client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  up_.from = down_.to = client_;
  up_.to = down_.from = &server_;
  for (Way* way : {&up_, &down_}) {
    way->timer.setSingleShot(true);
    way->timer.setTimerType(Qt::PreciseTimer);
    connect(&way->timer, &QTimer::timeout, this, [this, way] { Deliver(*way); });
    connect(way->from, &QTcpSocket::readyRead, this, [this, way] { Take(*way, false); });
    connect(way->from, &QTcpSocket::disconnected, this, [this, way] { Take(*way, true); });
    connect(way->from, &QTcpSocket::errorOccurred, this, [this, way] { Take(*way, true); });
  }
  // Writes before the connection is made wait in the socket's buffer.
  server_.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
  server_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  Take(up_, false);  // what the client sent before the link was made
}

void DelayedLink::Take(Way& way, bool end) {
  if (way.ended || (!way.pieces.empty() && way.pieces.back().end)) return;
  const Clock::time_point sent =
      &way == &up_ ? std::max(Clock::now(), handshakeDone_) : Clock::now();
  const Clock::time_point due = sent + delay_;
  QByteArray bytes = way.from->readAll();
  if (!bytes.isEmpty()) way.pieces.push_back({due, std::move(bytes), false});
  if (end) way.pieces.push_back({due, {}, true});
  if (!way.timer.isActive()) Deliver(way);
}

void DelayedLink::Deliver(Way& way) {
  const Clock::time_point now = Clock::now();
  while (!way.pieces.empty() && way.pieces.front().due <= now) {
    Piece piece = std::move(way.pieces.front());
    way.pieces.pop_front();
    if (piece.end) {
      way.ended = true;
      way.to->disconnectFromHost();
      // The other side may still be waiting to close; once both are, the
      // link goes.
      if (up_.ended && down_.ended) deleteLater();
      return;
    }
    way.to->write(piece.bytes);
  }
  if (way.pieces.empty()) return;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(way.pieces.front().due - now);
  way.timer.start(wait);
}

}  // namespace quillet
