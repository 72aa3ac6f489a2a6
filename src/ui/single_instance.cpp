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

// The folder as it will be on disk: its nearest existing ancestor resolved
// (symbolic links, "..") and the parts not made yet after it. The name is thus
// the same before and after the first fetch creates the folder, and two
// spellings of one folder meet.
QString ResolvedFolder(const std::string& folder) {
  const QString absolute = QFileInfo(QString::fromLocal8Bit(folder.c_str())).absoluteFilePath();
  QString existing = absolute;
  QString missing;
  while (!existing.isEmpty()) {
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    if (!canonical.isEmpty()) return QDir::cleanPath(canonical + missing);
    const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) break;
    missing.prepend(existing.mid(slash));
    existing.truncate(slash);
  }
  return QDir::cleanPath(absolute);
}

}  // namespace

QString SingleInstance::SocketName(const std::string& folder) {
  // The hash keeps the name short and free of '/'.
  const QByteArray hash =
      QCryptographicHash::hash(ResolvedFolder(folder).toUtf8(), QCryptographicHash::Sha256);
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
