#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace quillet {
namespace {

constexpr int kWaitMs = 2000;
const QByteArray kShow = "show\n";
const QByteArray kShown = "shown\n";

}  // namespace

QString SingleInstance::SocketName(const std::string& folder) {
  // The folder as it is on disk when it exists, so that two spellings of one
  // folder meet; the hash keeps the name short and free of '/'.
  QString path = QString::fromLocal8Bit(folder.c_str());
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (!canonical.isEmpty()) path = canonical;
  const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256);
  return QStringLiteral("quillet-%1-%2")
      .arg(getuid())
      .arg(QString::fromLatin1(hash.toHex().left(16)));
}

SingleInstance::SingleInstance(const std::string& folder) : name_(SocketName(folder)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Answer(); });
}

bool SingleInstance::Claim() {
  // Two starts at once: the lock lets one look and listen before the other.
  QLockFile lock(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
  lock.tryLock(kWaitMs);
  if (AskRunningToShow()) return false;
  // Nobody answered: a socket file left there is stale.
  if (!server_.listen(name_)) {
    QLocalServer::removeServer(name_);
    server_.listen(name_);
  }
  return true;
}

bool SingleInstance::AskRunningToShow() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(kShow);
  socket.waitForBytesWritten(kWaitMs);
  // The answer says the window was shown; a program too busy to answer in
  // time still runs, so this start ends either way.
  socket.waitForReadyRead(kWaitMs);
  return true;
}

void SingleInstance::Answer() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      if (!socket->canReadLine()) return;
      if (socket->readLine() == kShow && OnShowRequested) OnShowRequested();
      socket->write(kShown);
      socket->disconnectFromServer();
    });
  }
}

}  // namespace quillet
