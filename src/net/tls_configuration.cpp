#include "net/tls_configuration.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslSocket>
#include <QString>

#include "core/sys/error.h"
#include "core/text/text_codec.h"

namespace quillet {

QSslConfiguration TlsConfiguration() {
  if (!QSslSocket::supportsSsl()) throw QuilletError("TLS: no TLS backend is available");
  QSslConfiguration config = QSslConfiguration::defaultConfiguration();
  config.setPeerVerifyMode(QSslSocket::VerifyPeer);
  const QByteArray caFile = qgetenv("QUILLET_CA_FILE");
  if (caFile.isEmpty()) return config;

  // Decoding the certificates takes longer than a handshake: the file's are
  // kept for the connections that follow, as long as the variable names it.
  static QByteArray loadedFile;
  static QList<QSslCertificate> loaded;
  if (caFile != loadedFile) {
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(
        QFile::decodeName(caFile), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    if (extra.isEmpty()) {
      throw QuilletError("QUILLET_CA_FILE: no PEM certificate could be read from " +
                         Utf8ToCp932(caFile.toStdString()));
    }
    // CAs set by hand end the loading of the system's on demand, so those are
    // set too.
    loaded = QSslConfiguration::systemCaCertificates() + extra;
    loadedFile = caFile;
  }
  config.setCaCertificates(loaded);
  return config;
}

}  // namespace quillet
