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

  const QList<QSslCertificate> extra = QSslCertificate::fromPath(
      QFile::decodeName(caFile), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
  if (extra.isEmpty()) {
    throw QuilletError("QUILLET_CA_FILE: no PEM certificate could be read from " +
                       Utf8ToCp932(caFile.toStdString()));
  }
  // CAs set by hand end the loading of the system's on demand, so those are
  // set too; reading them takes a while, so once.
  static const QList<QSslCertificate> systemCas = QSslConfiguration::systemCaCertificates();
  config.setCaCertificates(systemCas + extra);
  return config;
}

}  // namespace quillet
