// The TLS configuration of a test server: a certificate and key that the
// build made with tools/sample-sites/make-certificates.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>

namespace quillet::test {

inline QSslConfiguration TestTls(const QString& name) {
  const QString path = QStringLiteral(QUILLET_TEST_CERTIFICATES "/") + name;
  QFile key(path + QStringLiteral(".key"));
  EXPECT_TRUE(key.open(QIODevice::ReadOnly));
  QSslConfiguration tls;
  tls.setLocalCertificateChain(QSslCertificate::fromPath(path + QStringLiteral(".pem")));
  tls.setPrivateKey(QSslKey(&key, QSsl::Ec));
  return tls;
}

}  // namespace quillet::test
