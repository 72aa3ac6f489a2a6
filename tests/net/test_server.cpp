#include "test_server.h"

#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>
#include <stdexcept>

namespace quillet::test {

TestServer::TestServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("cannot listen");
  port_ = server_.serverPort();
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
}

std::string TestServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void TestServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    ++connections_;
    requests_.emplace_back();
    const size_t index = requests_.size() - 1;
    auto script = std::make_shared<Script>();
    if (!scripts_.empty()) {
      *script = std::move(scripts_.front());
      scripts_.pop_front();
    }

    // Plays the pieces from `next` on, one timer per piece.
    auto play = std::make_shared<std::function<void(size_t)>>();
    *play = [socket, script, weakPlay = std::weak_ptr(play)](size_t next) {
      if (next == script->pieces.size()) {
        if (script->close) socket->disconnectFromHost();
        return;
      }
      const Piece& piece = script->pieces[next];
      QTimer::singleShot(piece.delayMs, socket, [socket, &piece, next, weakPlay] {
        socket->write(piece.bytes.data(), static_cast<qint64>(piece.bytes.size()));
        socket->flush();
        if (auto self = weakPlay.lock()) (*self)(next + 1);
      });
    };
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index, play] {
      std::string& request = requests_[index];
      const bool complete = request.find("\r\n\r\n") != std::string::npos;
      request += socket->readAll().toStdString();
      if (!complete && request.find("\r\n\r\n") != std::string::npos) (*play)(0);
    });
  }
}

uint16_t ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed again when `probe` goes
}

}  // namespace quillet::test
