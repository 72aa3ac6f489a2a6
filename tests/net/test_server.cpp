#include "test_server.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace quillet::test {

TestServer::TestServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("cannot listen");
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      requests_.emplace_back();
      auto script = std::make_shared<Script>();
      if (!scripts_.empty()) {
        *script = std::move(scripts_.front());
        scripts_.pop_front();
      }
      auto play = [socket, script] {
        int at = 0;
        for (const Piece& piece : script->pieces) {
          at += piece.delayMs;
          QTimer::singleShot(at, socket, [socket, script, &piece] {
            socket->write(piece.bytes.data(), static_cast<qint64>(piece.bytes.size()));
            socket->flush();
          });
        }
        if (script->close)
          QTimer::singleShot(at, socket, [socket] { socket->disconnectFromHost(); });
      };
      QObject::connect(socket, &QTcpSocket::readyRead, socket,
                       [this, socket, index = requests_.size() - 1, play] {
                         std::string& request = requests_[index];
                         const bool complete = request.find("\r\n\r\n") != std::string::npos;
                         request += socket->readAll().toStdString();
                         if (!complete && request.find("\r\n\r\n") != std::string::npos) play();
                       });
    }
  });
}

}  // namespace quillet::test
