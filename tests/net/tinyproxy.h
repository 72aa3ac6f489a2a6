// tinyproxy started for a test and killed with it.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <string>

#include "support/spin_until.h"
#include "support/temp_home.h"
#include "test_server.h"

namespace quillet::test {

// tinyproxy on a free port, with basic authentication, tunnelling to `tunnelPort` only.
class Tinyproxy {
 public:
  explicit Tinyproxy(uint16_t tunnelPort) {
    const QString config = dir_.filePath(QStringLiteral("tinyproxy.conf"));
    test::WriteBytes(config.toStdString(),
                     "User nobody\nGroup nogroup\nListen 127.0.0.1\nLogLevel Error\nBasicAuth "
                     "reader s3cret\nPort " +
                         std::to_string(port) + "\nConnectPort " + std::to_string(tunnelPort) +
                         "\n");
    process_.start(QStringLiteral("tinyproxy"),
                   {QStringLiteral("-d"), QStringLiteral("-c"), config});
    EXPECT_TRUE(test::SpinUntil([this] {
      QTcpSocket probe;
      probe.connectToHost(QHostAddress::LocalHost, port);
      return probe.waitForConnected(100);
    }));
  }
  ~Tinyproxy() {
    process_.kill();
    process_.waitForFinished();
  }
  const uint16_t port = TestServer().Port();  // free once the server is gone

 private:
  QTemporaryDir dir_;
  QProcess process_;
};

}  // namespace quillet::test
