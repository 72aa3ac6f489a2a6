// The feeds' downloads on Qt's network access manager, against scripted
// servers on 127.0.0.1, the tests' CA and tinyproxy.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>

#include "core/text/text_codec.h"
#include "gzip_answer.h"
#include "net/feed_download.h"
#include "net/feed_network.h"
#include "test_server.h"
#include "tinyproxy.h"

namespace quillet {
namespace {

using namespace std::chrono_literals;
using test::GzipAnswer;
using test::TestServer;
const std::string kOk = "HTTP/1.0 200 OK\r\n\r\n";
const std::string kNet = "。ネットワークの接続と、接続設定のプロキシを確かめてください";
const std::string kFeedUrl = "。フィードの URL と、接続設定のプロキシを確かめてください";

class FeedDownloadTest : public testing::Test {
 protected:
  FeedDownloadTest() {
    UseProxy(network_, {});
    SetTransferFloorForTesting(TransferFloor{1, 10s});
  }
  ~FeedDownloadTest() override { SetTransferFloorForTesting(std::nullopt); }
  // The download of `url` to its end: "" or the explanation of what kept it
  // from delivering a feed, then "|" and the reason.
  std::string Get(const std::string& url) {
    QEventLoop loop;
    bool ended = false;
    download_.Begin(url, [&] {
      ended = true;
      loop.quit();
    });
    if (!ended) loop.exec();
    const int status = download_.Status();
    if (!download_.Failed() && status >= 200 && status <= 299) return "";
    return Cp932ToUtf8(DownloadProblemText(download_.Problem(), SourceKind::kFeed)) + "|" +
           Cp932ToUtf8(download_.Failed() ? download_.FailureText() : download_.StatusLine());
  }
  QNetworkAccessManager network_;
  FeedDownload download_{network_};
  TestServer server_;
};

// Relocations followed to the final URL, gzip undone, the feed's own headers
// sent; a chain longer than the limit fails.
TEST_F(FeedDownloadTest, FollowsRelocationsDecompressesAndNamesItself) {
  const std::string feed = "<rss><channel><title>圧縮</title></channel></rss>";
  server_.Serve("/a", "HTTP/1.1 302 Found\r\nLocation: /b/c\r\nContent-Length: 0\r\n\r\n");
  server_.Serve("/b/c", "HTTP/1.1 301 Moved\r\nLocation: d.xml?x=1\r\nContent-Length: 0\r\n\r\n");
  server_.Serve("/b/d.xml?x=1", GzipAnswer(feed));
  EXPECT_EQ(Get(server_.Url("/a")), "");
  EXPECT_EQ(download_.Body(), feed);
  EXPECT_EQ(download_.FinalUrl(), server_.Url("/b/d.xml?x=1"));
  EXPECT_EQ(download_.ContentType(), "application/rss+xml");
  EXPECT_EQ(server_.Paths(), (std::vector<std::string>{"/a", "/b/c", "/b/d.xml?x=1"}));
  const auto& requests = server_.Requests();
  const auto last = std::ranges::find_if(requests, [](const std::string& r) {
    return r.starts_with("GET /b/d.xml?x=1 HTTP/1.1\r\n");
  });
  ASSERT_NE(last, requests.end());
  const std::string& request = *last;
  for (const std::string line :
       {"\r\nUser-Agent: Quillet/" QUILLET_VERSION "\r\n",
        "\r\nAccept: application/rss+xml, application/atom+xml, application/feed+json, "
        "application/xml;q=0.9, text/xml;q=0.9, */*;q=0.1\r\n"})
    EXPECT_NE(request.find(line), std::string::npos) << line << request;
  EXPECT_NE(request.find("\r\nAccept-Encoding: "), std::string::npos);
  EXPECT_NE(request.find("gzip"), std::string::npos);
  EXPECT_EQ(request.find("Cookie"), std::string::npos);
}

// The body counted after decompression: a bomb stops at the limit, a body of
// exactly the limit goes through. Each failure explained as the sites' are.
TEST_F(FeedDownloadTest, StopsABombAtTheLimitAndExplainsEachFailure) {
  const std::string limit(kMaxFeedBytes, ' ');
  server_.Serve("/limit", GzipAnswer(limit));
  EXPECT_EQ(Get(server_.Url("/limit")), "");
  EXPECT_EQ(download_.Received(), static_cast<int64_t>(kMaxFeedBytes));
  server_.Serve("/bomb", GzipAnswer(std::string(size_t{256} << 20, '\0')));
  EXPECT_EQ(Get(server_.Url("/bomb")), "データが上限 (16 MB) を超えたため、取得を打ち切りました" +
                                           kFeedUrl + "|document too large");
  EXPECT_LE(download_.Received(), static_cast<int64_t>(kMaxFeedBytes));

  const uint16_t dead = TestServer().Port();
  struct Case {
    std::string path, answer, want;  // no answer: the URL is `path`
  };
  const Case cases[] = {
      {"/404", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone",
       "フィードが見つかりません (404)" + kFeedUrl + "|404 Not Found"},
      {"/500", "HTTP/1.0 500 Internal Server Error\r\n\r\n",
       "サーバーが答えられない状態です (500)。しばらくしてから取得し直してください|500 Internal "
       "Server Error"},
      {"/304", "HTTP/1.0 304 Not Modified\r\n\r\n",
       "サーバーの答えにフィードがありません (304)" + kFeedUrl + "|304 Not Modified"},
      {"/short", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc",
       "データが途中で切れました (Content-Length の長さに届く前に接続が閉じられました)" + kNet +
           "|"},
      {"http://127.0.0.1:" + std::to_string(dead) + "/", "",
       "サーバー 127.0.0.1 に接続できません" + kNet + "|Connection refused (Error #111)"},
      {"/corrupt", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 5\r\n\r\nnotgz",
       "サーバーの答えが HTTP として読めません" + kFeedUrl + "|"},
      {"ftp://127.0.0.1/x", "", "http でも https でもない URL へ転送されました" + kFeedUrl + "|"},
  };
  for (const Case& c : cases) {
    if (!c.answer.empty()) server_.Serve(c.path, c.answer);
    const std::string got = Get(c.answer.empty() ? c.path : server_.Url(c.path));
    // The reason of a transport failure is Qt's own text, but for a refused connection.
    EXPECT_EQ(c.want.ends_with('|') ? got.substr(0, got.find('|') + 1) : got, c.want) << c.path;
  }
}

// The test CA trusted through QUILLET_CA_FILE; the desktop's proxy variables
// never used; the program's proxy with basic authentication, for http and
// for https in its tunnel.
class FeedDownloadTlsTest : public FeedDownloadTest {
 protected:
  FeedDownloadTlsTest() { setenv("QUILLET_CA_FILE", QUILLET_TEST_CERTIFICATES "/ca.pem", 1); }
  ~FeedDownloadTlsTest() override { unsetenv("QUILLET_CA_FILE"); }
  TestServer site_{QUILLET_TEST_CERTIFICATES "/server"};
};

TEST_F(FeedDownloadTlsTest, HttpsDirectlyAndThroughTheProgramsProxyNeverTheDesktops) {
  const char* variables[] = {"http_proxy", "https_proxy", "all_proxy",
                             "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"};
  const std::string deadProxy = "http://127.0.0.1:" + std::to_string(TestServer().Port());
  for (const char* name : variables)
    qputenv(name, QByteArray::fromStdString(deadProxy));
  QNetworkProxyFactory::setUseSystemConfiguration(true);  // as a desktop may have it
  UseProxy(network_, {});
  EXPECT_FALSE(QNetworkProxyFactory::usesSystemConfiguration());
  site_.Serve("/feed", kOk + "secure");
  site_.Serve("/down", "HTTP/1.0 302 Found\r\nLocation: " + server_.Url("/plain") + "\r\n\r\n");
  server_.Serve("/plain", kOk + "plain");
  EXPECT_EQ(Get(server_.Url("/plain")), "");
  EXPECT_EQ(Get(site_.Url("/feed")), "");
  EXPECT_EQ(download_.Body(), "secure");
  EXPECT_EQ(Get(site_.Url("/down")), "https から http へ転送されたため、取得を打ち切りました" +
                                         kFeedUrl + "|Insecure redirect");
  TestServer untrusted(QUILLET_TEST_CERTIFICATES "/untrusted");
  const std::string tls = Get(untrusted.Url("/"));
  EXPECT_TRUE(
      tls.starts_with("127.0.0.1 との暗号化した接続 (TLS) を確立できません。"
                      "コンピューターの日付と時刻、ネットワークの接続、接続設定のプロキシ"
                      "を確かめてください|TLS: 127.0.0.1: "))
      << tls;
  for (const char* name : variables)
    qunsetenv(name);
  EXPECT_EQ(server_.Paths(), std::vector<std::string>{"/plain"});

  test::Tinyproxy proxy(site_.Port());
  settings::Proxy program{"127.0.0.1:" + std::to_string(proxy.port), "reader", "s3cret"};
  UseProxy(network_, program);
  site_.Serve("/tunnelled", kOk + "tunnelled");
  server_.Serve("/proxied", kOk + "proxied");
  EXPECT_EQ(Get(site_.Url("/tunnelled")), "");
  EXPECT_EQ(download_.Body(), "tunnelled");
  EXPECT_EQ(Get(server_.Url("/proxied")), "");
  EXPECT_EQ(download_.Body(), "proxied");
  // The credentials are the proxy's: the sites never see them.
  for (const std::string& request : site_.Requests())
    EXPECT_EQ(request.find("Authorization"), std::string::npos) << request;
  for (const std::string& request : server_.Requests())
    EXPECT_EQ(request.find("Authorization"), std::string::npos) << request;
  // No credentials: the proxy asks for them.
  UseProxy(network_, {program.address, "", ""});
  EXPECT_EQ(Get(site_.Url("/tunnelled")),
            "プロキシが 127.0.0.1 へのトンネル (CONNECT) を拒みました (407)。接続設定のプロキシの"
            "ユーザー名とパスワードを確かめてください|407 Proxy Authentication Required");
  EXPECT_EQ(Get(server_.Url("/proxied")),
            "プロキシが認証を求めています (407)。接続設定のプロキシのユーザー名とパスワードを確かめ"
            "てください|407 Proxy Authentication Required");
}

}  // namespace
}  // namespace quillet
