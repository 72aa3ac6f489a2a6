// Whole fetch runs over loopback: against the bundled sample sites, and
// against scripted servers for Cancel, Skip and a failing size probe.
#include "net/fetch_run.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <map>

#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "sample_server.h"
#include "support/temp_home.h"
#include "test_server.h"

namespace quillet {
namespace {

struct RecordingView : ProgressView {
  void ShowProgress(const std::string& s, const std::string& a, int m, int p) override {
    status = s;
    amount = a;
    maximum = m;
    position = p;
    ++updates;
  }
  std::string status, amount;
  int maximum = -1, position = -1, updates = 0;
};

std::map<std::string, int> RowsPerSite(const test::RecordingList& list) {
  std::map<std::string, int> count;
  for (const auto& row : list.rows)
    ++count[Cp932ToUtf8(row.caption)];
  return count;
}

class FetchRunTest : public ::testing::Test {
 protected:
  FetchRunTest() : run(list, view) {
    run.OnRunEnded = [this] { ++ended; };
    run.Http().idleTimeout = std::chrono::seconds(10);
  }
  void UseProxy(uint16_t port) {
    settings::WriteString("HTTP", "Proxy", "127.0.0.1:" + std::to_string(port));
  }
  // Presses a button as soon as the status line shows `status`.
  void PressWhen(const std::string& status, void (FetchRun::*button)()) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=, this] {
      if (view.status != status) return;
      (run.*button)();
      timer->deleteLater();
      timer->stop();
    });
    timer->start(5);
  }

  test::TempHome home;
  test::RecordingList list;
  RecordingView view;
  FetchRun run;
  int ended = 0;
};

TEST_F(FetchRunTest, SampleSitesGiveEveryCategoryItsHeadlinesAndLogs) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  UseProxy(sites.Port());
  run.Run();

  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(run.Running());
  const std::map<std::string, int> expected = {{"YOL", 45},    {"アサヒ", 43}, {"Impress", 49},
                                               {"ZAKZAK", 10}, {"CNN", 51},    {"中央日報", 47},
                                               {"毎日", 41}};
  EXPECT_EQ(RowsPerSite(list), expected);
  EXPECT_EQ(list.rows.front().imageIndex, 0);
  EXPECT_EQ(list.rows.back().imageIndex, 6);
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_GE(LoadLogFile(LogFilePath(c)).size(), 2u) << "category " << c;
  }
  const std::vector<std::string> requests = {
      "HEAD http://www.yomiuri.co.jp/index.html",     "GET http://www.yomiuri.co.jp/index.html",
      "HEAD http://www.asahi.com/index.html",         "GET http://www.asahi.com/index.html",
      "GET http://www.watch.impress.co.jp/index.htm", "HEAD http://www.zakzak.co.jp/main.html",
      "GET http://www.zakzak.co.jp/main.html",        "HEAD http://www.cnn.co.jp/index.html",
      "GET http://www.cnn.co.jp/index.html",          "HEAD http://japanese.joins.com/index.html",
      "GET http://japanese.joins.com/index.html",     "HEAD http://www.mainichi.co.jp/main.html",
      "GET http://www.mainichi.co.jp/main.html"};
  EXPECT_EQ(sites.Requests(), requests);
  // The last page's progress: 9,617 bytes of a known size.
  EXPECT_EQ(Cp932ToUtf8(view.status), "毎日新聞 の取得が終了しました");
  EXPECT_EQ(view.amount, "9KB / 9KB");
  EXPECT_EQ(view.maximum, 9617);

  // Everything is logged as shown now: a new-only run lists nothing.
  settings::WriteBool("Main", "AddNewsOnly", true);
  test::RecordingList again;
  FetchRun second(again, view);
  second.Run();
  EXPECT_TRUE(again.rows.empty());
}

TEST_F(FetchRunTest, ProxyCredentialsAreSentAndAFailedSizeProbeEndsTheRun) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  sites.RequireProxyCredentials("reader", "s3cret");
  ASSERT_TRUE(sites.Listen());
  UseProxy(sites.Port());
  settings::WriteString("HTTP", "ProxyUserName", "reader");
  settings::WriteString("HTTP", "ProxyPassword", "wrong");
  try {
    run.Run();
    FAIL() << "the run ended without an error";
  } catch (const QuilletError& e) {
    EXPECT_EQ(e.code(), 407);
  }
  EXPECT_EQ(ended, 1);  // the clean-up ran before the error went on
  EXPECT_EQ(sites.Requests().size(), 1u);

  settings::WriteString("HTTP", "ProxyPassword", "s3cret");
  run.Run();
  EXPECT_EQ(list.rows.size(), 286u);
}

TEST_F(FetchRunTest, NothingEnabledSendsNoRequest) {
  settings::Connection c;
  c.enabled.fill(false);
  settings::WriteConnection(c);
  test::TestServer server;
  UseProxy(server.Port());
  run.Run();
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_EQ(Cp932ToUtf8(view.status), "取得の準備をしています...");
  EXPECT_EQ(Cp932ToUtf8(view.amount), "0KB / 不明");
  EXPECT_EQ(ended, 1);
}

const std::string kYolPage =
    "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
    "<a href=\"/b.htm\">Beta</a>\r\n<!-- /topnews/headline=end -->\r\n";

std::string Ok(const std::string& body, bool withLength = true) {
  return "HTTP/1.0 200 OK\r\n" +
         (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") + "\r\n" +
         body;
}

TEST_F(FetchRunTest, CancelDuringTheThirdSiteKeepsTheFirstRowsAndStops) {
  test::TestServer server;
  UseProxy(server.Port());
  server.Add(Ok(""));        // YOL size probe
  server.Add(Ok(kYolPage));  // YOL page
  server.Add(Ok(""));        // アサヒ size probe
  server.Add(Ok(""));        // アサヒ page, empty
  // Impress Watch (no size probe): the page starts, then the server goes quiet.
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  PressWhen(CP932("Impress Watch のヘッドラインを取得しています..."), &FetchRun::Cancel);
  run.Run();
  EXPECT_EQ(list.Headlines(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(server.Connections(), 5);  // the four later sites are not visited
  EXPECT_TRUE(run.State().cancelled);
  EXPECT_EQ(ended, 1);
}

TEST_F(FetchRunTest, SkipDuringADownloadGoesOnWithTheNextSite) {
  test::TestServer server;
  UseProxy(server.Port());
  server.Add(Ok("", false));
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n" + kYolPage.substr(0, 40), 0}}, false});
  for (int i = 0; i < 11; ++i)
    server.Add(Ok(""));  // the other six sites, all empty
  PressWhen(CP932("Yomiuri On Line のヘッドラインを取得しています..."), &FetchRun::Skip);
  run.Run();
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(server.Connections(), 13);
  EXPECT_FALSE(run.State().cancelled);
  // The aborted download still ends its document; the later sites sent no
  // body, so their texts never replaced it.
  EXPECT_EQ(Cp932ToUtf8(view.status), "Yomiuri On Line の取得が終了しました");
}

TEST(AmountText, ShowsWholeKilobytes) {
  EXPECT_EQ(AmountText(10500, 10500), "10KB / 10KB");
  EXPECT_EQ(Cp932ToUtf8(AmountText(10500, 0)), "10KB / 不明");
  EXPECT_EQ(AmountText(1023, 1024), "0KB / 1KB");
}

}  // namespace
}  // namespace quillet
