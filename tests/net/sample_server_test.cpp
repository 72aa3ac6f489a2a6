// The sample server's HTTP/1.1 answers on the hosts named for them, and its
// HTTP/1.0 answers, which the seven sites' client reads, as they always were;
// the latency relay of the feed benchmark in front of it.
#include <QProcess>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#define ZLIB_CONST
#include <zlib.h>

#include "sample_server.h"
#include "support/spin_until.h"

namespace quillet {
namespace {

const std::string kFeed = "<rss version=\"2.0\"><channel><title>t</title>" +
                          std::string(2000, ' ') + "</channel></rss>\r\n";
const std::string kNewHost = "bench1.quillet.test";

std::string Get(const std::string& host, const std::string& version,
                const std::string& headers = "") {
  return "GET http://" + host + "/feed.xml " + version + "\r\nHost: " + host + "\r\n" + headers +
         "\r\n";
}

std::string Gunzipped(const std::string& gzipped) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return "(no zlib)";
  std::string out(1 << 16, '\0');
  stream.next_in = reinterpret_cast<const Bytef*>(gzipped.data());
  stream.avail_in = static_cast<uInt>(gzipped.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : "(not gzip)";
}

struct Response {
  std::string head;  // status line and headers
  std::string body;
  std::string Header(const std::string& name) const {
    const size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos) return "";
    const size_t start = at + name.size() + 4;
    return head.substr(start, head.find("\r\n", start) - start);
  }
};

class SampleServerHttp : public testing::Test {
 protected:
  SampleServerHttp() : server(QUILLET_SAMPLE_DIR) {
    server.AddFeed(kNewHost, "/feed.xml", "application/rss+xml", kFeed);
    server.AnswerHttp11For(kNewHost);
    EXPECT_TRUE(server.Listen());
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
  }

  void Send(const std::string& requests) {
    client.write(requests.data(), static_cast<qint64>(requests.size()));
  }
  // The next whole answer on the connection; its body ends by Content-Length
  // (none after 304).
  Response Next() {
    Response response;
    bool got = false;
    const auto whole = [&] {
      if (got) return true;
      received += client.readAll().toStdString();
      const size_t end = received.find("\r\n\r\n");
      if (end == std::string::npos) return false;
      response.head = received.substr(0, end + 2);
      const size_t length = response.head.compare(9, 3, "304") == 0
                                ? 0
                                : std::stoul("0" + response.Header("Content-Length"));
      if (received.size() < end + 4 + length) return false;
      response.body = received.substr(end + 4, length);
      received.erase(0, end + 4 + length);
      return got = true;
    };
    EXPECT_TRUE(test::SpinUntil(whole, 10'000)) << "no whole answer in: " << received;
    return response;
  }
  bool ClosedByServer() {
    return test::SpinUntil([&] { return client.state() == QAbstractSocket::UnconnectedState; },
                           10'000);
  }

  SampleSiteServer server;
  QTcpSocket client;
  std::string received;
};

// Requests in turn and pipelined on one kept connection; validators and 304;
// gzip when asked for; HTTP/1.0 answered as it always was, and closed.
TEST_F(SampleServerHttp, KeepsAliveAnswers304AndGzipAndHttp10AsBefore) {
  Send(Get(kNewHost, "HTTP/1.1") + "GET /none.xml HTTP/1.1\r\nHost: " + kNewHost + "\r\n\r\n");
  const Response plain = Next();
  EXPECT_EQ(plain.head.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(plain.body, kFeed);
  const Response missing = Next();
  EXPECT_EQ(missing.head.substr(0, 22), "HTTP/1.1 404 Not Found");
  const std::string tag = plain.Header("ETag"), date = plain.Header("Last-Modified");
  ASSERT_EQ(date, "Tue, 24 Nov 2026 14:00:00 GMT");
  const struct {
    std::string headers;
    bool notModified, gzip;
  } cases[] = {
      {"If-None-Match: \"other\", W/" + tag + "\r\n", true, false},
      {"If-None-Match: \"other\"\r\nIf-Modified-Since: " + date + "\r\n", false, false},
      {"If-Modified-Since: Wed, 25 Nov 2026 09:00:00 GMT\r\n", true, false},
      {"If-Modified-Since: Tue, 24 Nov 2026 13:59:59 GMT\r\n", false, false},
      {"Accept-Encoding: deflate, gzip;q=0.5\r\n", false, true},
      {"Accept-Encoding: gzip;q=0\r\n", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    Send(Get(kNewHost, "HTTP/1.1", c.headers));
    const Response response = Next();
    EXPECT_EQ(response.head.substr(0, 12), c.notModified ? "HTTP/1.1 304" : "HTTP/1.1 200");
    EXPECT_EQ(response.Header("Content-Encoding"), c.gzip ? "gzip" : "");
    EXPECT_EQ(c.gzip ? Gunzipped(response.body) : response.body, c.notModified ? "" : kFeed);
  }
  EXPECT_EQ(client.state(), QAbstractSocket::ConnectedState);
  EXPECT_EQ(server.Count().connections, 1);
  EXPECT_EQ(server.Count().notModified, 2);
  Send(Get(kNewHost, "HTTP/1.0", "Connection: keep-alive\r\nAccept-Encoding: gzip\r\n"));
  const Response old = Next();
  EXPECT_EQ(old.head,
            "HTTP/1.0 200 OK\r\nServer: quillet-sample-sites\r\n"
            "Content-Type: application/rss+xml\r\nContent-Length: " +
                std::to_string(kFeed.size()) + "\r\n");
  EXPECT_EQ(old.body, kFeed);
  EXPECT_TRUE(ClosedByServer());
}

// Bytes both ways whole and in order, in pieces larger than a socket's
// buffer, and the server's close passed on.
TEST_F(SampleServerHttp, TheLatencyRelayPassesEverythingOnAndTheClose) {
  const std::string big(300'000, 'x');
  server.AddFeed(kNewHost, "/big.xml", "application/rss+xml", big);
  QProcess relay;
  relay.start(QStringLiteral(QUILLET_LATENCY_RELAY),
              {QStringLiteral("--to"), QString::number(server.Port()), QStringLiteral("--rtt"),
               QStringLiteral("20")});
  ASSERT_TRUE(test::SpinUntil([&] { return relay.canReadLine(); }, 10'000));
  const auto port = static_cast<quint16>(relay.readLine().trimmed().toUInt());
  client.abort();
  client.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
  const std::string bigRequest = "GET http://" + kNewHost + "/big.xml HTTP/1.1\r\n\r\n";
  Send(bigRequest + Get(kNewHost, "HTTP/1.1") + bigRequest);
  EXPECT_EQ(Next().body, big);
  EXPECT_EQ(Next().body, kFeed);
  EXPECT_EQ(Next().body, big);
  Send(Get(kNewHost, "HTTP/1.0"));
  EXPECT_EQ(Next().body, kFeed);
  EXPECT_TRUE(ClosedByServer());
  relay.kill();
  relay.waitForFinished();
}

}  // namespace
}  // namespace quillet
