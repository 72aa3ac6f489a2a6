// quillet-latency-relay: listens on 127.0.0.1 and relays every connection to
// another port of 127.0.0.1, each piece of data held for half a round-trip
// time each way (and a connection's first for a round trip more, its
// handshake), so that a server on loopback answers as a distant one would.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "delayed_link.h"

namespace {

bool ParseNumber(const char* text, long max, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && value >= 0 && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  long port = 0, to = 0, rtt = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const bool ok = (arg == "--port" && ParseNumber(argv[i + 1], 65535, port)) ||
                    (arg == "--to" && ParseNumber(argv[i + 1], 65535, to)) ||
                    (arg == "--rtt" && ParseNumber(argv[i + 1], 60000, rtt));
    if (!ok) rtt = -1, i = argc;
  }
  if (argc % 2 == 0 || to == 0 || rtt < 0) {
    std::fprintf(stderr,
                 "usage: quillet-latency-relay --to PORT --rtt MS [--port N]\n"
                 "Relays connections on 127.0.0.1:N (0 or none: a free port, printed) to\n"
                 "127.0.0.1:PORT, delaying the data by MS/2 milliseconds each way and a\n"
                 "new connection's first bytes by MS more, for the TCP handshake.\n");
    return 2;
  }
  QTcpServer server;
  const std::chrono::milliseconds half(rtt / 2);
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* client = server.nextPendingConnection())
      new quillet::DelayedLink(client, static_cast<quint16>(to), half);
  });
  if (!server.listen(QHostAddress(QHostAddress::LocalHost), static_cast<quint16>(port))) {
    std::fprintf(stderr, "quillet-latency-relay: cannot listen on 127.0.0.1:%ld\n", port);
    return 1;
  }
  std::printf("%u\n", static_cast<unsigned>(server.serverPort()));
  std::fflush(stdout);
  return QCoreApplication::exec();
}
