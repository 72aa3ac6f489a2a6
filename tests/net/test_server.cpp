#include "test_server.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace quillet::test {
namespace {

// The path of a request's target, also of an absolute one sent to a proxy.
std::string PathOf(const std::string& request) {
  const size_t begin = request.find(' ') + 1, end = request.find(' ', begin);
  std::string target = request.substr(begin, end == std::string::npos ? 0 : end - begin);
  if (const size_t scheme = target.find("://"); scheme != std::string::npos) {
    const size_t path = target.find('/', scheme + 3);
    target = path == std::string::npos ? "/" : target.substr(path);
  }
  return target;
}

}  // namespace

std::vector<std::string> TestServer::Paths() const {
  std::vector<std::string> paths;
  for (const std::string& request : requests_) {
    if (request.find("\r\n\r\n") == std::string::npos) continue;
    const std::string path = PathOf(request);
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  }
  return paths;
}

TestServer::TestServer() {
  Listen(std::make_unique<QTcpServer>());
}

TestServer::TestServer(const std::string& certificate) : scheme_("https") {
  QFile key(QString::fromStdString(certificate + ".key"));
  if (!key.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + certificate);
  QSslConfiguration tls;
  tls.setLocalCertificateChain(
      QSslCertificate::fromPath(QString::fromStdString(certificate + ".pem")));
  tls.setPrivateKey(QSslKey(&key, QSsl::Ec));
  auto server = std::make_unique<QSslServer>();
  server->setSslConfiguration(tls);
  server->setHandshakeTimeout(60'000);  // its 5 s are too short for a slow (sanitized) run
  Listen(std::move(server));
}

void TestServer::Listen(std::unique_ptr<QTcpServer> server) {
  server_ = std::move(server);
  if (!server_->listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("cannot listen");
  // An https connection is pending once its handshake is over.
  QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, server_.get(), [this] {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
      requests_.emplace_back();
      auto script = std::make_shared<Script>();
      auto taken = std::make_shared<bool>(false);
      if (!scripts_.empty() && scripts_.front().unasked) {
        *script = std::move(scripts_.front());
        scripts_.pop_front();
        *taken = true;
      }
      // Plays the pieces from `next` on, each `delayMs` after the one before.
      auto play = std::make_shared<std::function<void(size_t)>>();
      *play = [this, socket, script, weak = std::weak_ptr(play)](size_t next) {
        if (next == script->pieces.size()) {
          if (script->close) socket->disconnectFromHost();
          return;
        }
        const Piece& piece = script->pieces[next];
        if (piece.onRelease && !released_) {  // asks again shortly
          QTimer::singleShot(10, socket, [weak, next] { (*weak.lock())(next); });
          return;
        }
        QTimer::singleShot(piece.delayMs, socket, [socket, &piece, next, weak] {
          socket->write(piece.bytes.data(), static_cast<qint64>(piece.bytes.size()));
          socket->flush();
          if (auto self = weak.lock()) (*self)(next + 1);
        });
      };
      QObject::connect(socket, &QTcpSocket::readyRead, socket,
                       [this, socket, index = requests_.size() - 1, play, script, taken] {
                         std::string& request = requests_[index];
                         const bool complete = request.find("\r\n\r\n") != std::string::npos;
                         request += socket->readAll().toStdString();
                         if (complete || request.find("\r\n\r\n") == std::string::npos) return;
                         if (!*taken) {
                           *taken = true;
                           if (auto served = served_.find(PathOf(request));
                               served != served_.end()) {
                             *script = served->second;
                           } else if (!scripts_.empty()) {
                             *script = std::move(scripts_.front());
                             scripts_.pop_front();
                           }
                         }
                         (*play)(0);
                       });
      if (script->unasked) (*play)(0);
    }
  });
}

}  // namespace quillet::test
