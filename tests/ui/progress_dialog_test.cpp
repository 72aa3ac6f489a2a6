// Runs from the fetch button, driven by the progress dialog.
#include <QDateTime>
#include <QLockFile>

#include "core/log/log_store.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "sample_server.h"
#include "support/reference_log.h"

namespace quillet {
namespace {

using ProgressDialog = test::WindowsTest;

const std::string kYolPage =
    "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
    "<a href=\"/b.htm\">Beta</a>\r\n<!-- /topnews/headline=end -->\r\n";

// The log tab on show reads its log again after the run, keeping the selected record.
TEST_F(ProgressDialog, TheSampleSitesFillTheListAndTheShownLogDuringTheRun) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  sites.RequireProxyCredentials("reader", "s3cret");
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  test::PutSetting(settings::key::kProxyUserName, "reader");
  test::PutSetting(settings::key::kProxyPassword, "s3cret");
  test::WriteBytes(LogFilePath(0), "old story\thttp://127.0.0.1/old\t2020/01/01\t1\r\n");
  w.mainWindow.show();
  w.Main<QTabWidget>("tabs")->setCurrentWidget(w.Main<QWidget>("logTab"));
  QTreeWidget& tree = *w.Main<QTreeWidget>("siteTree");
  tree.setCurrentItem(tree.topLevelItem(0)->child(0));
  ReportView& log = *w.Main<ReportView>("recordList");
  test::SelectRow(log, 0);
  ReportView& list = *w.Main<ReportView>("headlineList");
  // At 毎日新聞's first request the six sites before it are listed; the tray's
  // fetch item then only brings the dialog forward, starting no second run.
  int rowsBeforeLastSite = -1;
  test::WhenReady(
      &w.mainWindow, [&] { return sites.Requests().size() == 12; },
      [&] {
        rowsBeforeLastSite = list.Rows().rowCount();
        w.Main<QAction>("trayFetchAction")->trigger();
      });
  w.Main("fetchButton")->click();
  EXPECT_FALSE(w.Main("fetchButton")->isEnabled());
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(rowsBeforeLastSite, 286 - 41);
  // Every site's rows, and a size probe (HEAD) before every page but one.
  std::string methods;
  for (const std::string& request : sites.Requests())
    methods += request[0];
  EXPECT_EQ(list.Rows().rowCount(), 286);
  EXPECT_EQ(methods, "HGHGGHGHGHGHG");
  ASSERT_TRUE(test::SpinUntil([&] { return log.Rows().rowCount() > 1; }));
  EXPECT_EQ(static_cast<size_t>(log.Rows().rowCount()), LoadLogFile(LogFilePath(0)).size());
  EXPECT_EQ(log.SelectedRow(), log.Rows().rowCount() - 1);
  // The last page's amount: 9,617 bytes of a known size.
  EXPECT_EQ(test::Find<QLabel>(w.progressDialog, "amountLabel")->text().toStdString(), "9KB / 9KB");
}

// A run waiting for another one, cancelled, leaves the list; a failed one emptied
// it as it started. Closing the window during a run
// (YOL listed, CNN's probe hanging) ends it quietly, then the program.
TEST_F(ProgressDialog, RunsEndAsTheStatusSaysAndAClosedWindowEndsTheRunQuietly) {
  settings::Connection only;  // the categories fetched
  only.enabled = {};
  only.enabled[0] = only.enabled[32] = only.enabled[40] = true;
  test::PutConnection(only);
  test::TestServer server;
  server.Add("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n");
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add("HTTP/1.0 200 OK\r\n\r\n" + kYolPage);
  server.Add(test::TestServer::Script{{}, false});
  w.UseProxy(server.Port());
  SetClockForTesting(QDateTime(QDate(2026, 12, 7), QTime(14, 0, 30)).toSecsSinceEpoch());
  for (const char* headline : {"old one", "old two"})
    w.mainWindow.AppendRow("", "", headline, 0, std::make_unique<NewsItem>());
  TrayIconHost::SetAvailableForTesting(true);
  w.mainWindow.show();
  const auto headlines = [&] { return test::Column(*w.Main<ReportView>("headlineList"), 2); };
  const auto ended = [&] {
    return QString(w.Main<QLabel>("newCountLabel")->text() + QLatin1Char('|') +
                   w.Main<QSystemTrayIcon>("trayIcon")->toolTip())
        .toStdString();
  };
  auto& status = *test::Find<QLabel>(w.progressDialog, "statusLabel");

  QLockFile other(QString::fromStdString(w.home.Path("quillet.lock")));
  ASSERT_TRUE(other.tryLock());
  test::Texts listWhileWaiting;
  test::WhenReady(
      &w.mainWindow,
      [&] { return status.text() == QString::fromUtf8("他の取得の終了を待っています..."); },
      [&] {
        listWhileWaiting = headlines();
        test::Find<QPushButton>(w.progressDialog, "cancelButton")->click();
      });
  w.Main("fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  const test::Texts old{"old one", "old two"};
  EXPECT_EQ(listWhileWaiting, old);
  EXPECT_EQ(headlines(), old);
  EXPECT_EQ(ended(), "取得をキャンセルしました|Quillet\n最終巡回 14:00 取得をキャンセルしました");
  other.unlock();

  w.Main("fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_EQ(ended(), "取得に失敗しました|Quillet\n最終巡回 14:00 取得に失敗しました");
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(
      w.messages[0].text,
      "Yomiuri On Line: プロキシが認証を求めています (407)。接続設定のプロキシのユーザー名とパス"
      "ワードを確かめてください。詳細: Proxy Authentication Required.");
  EXPECT_TRUE(headlines().empty());

  QApplication::setQuitOnLastWindowClosed(true);
  test::WhenReady(
      &w.mainWindow, [&] { return server.Connections() == 4; }, [&] { w.mainWindow.close(); });
  QTimer::singleShot(0, &w.mainWindow, [&] { w.Main("fetchButton")->click(); });
  QTimer limit;  // a program that does not end fails the test instead of hanging it
  limit.callOnTimeout([] { QCoreApplication::exit(1); });
  limit.start(30'000);
  const int exitCode = QApplication::exec();
  QApplication::setQuitOnLastWindowClosed(false);
  TrayIconHost::SetAvailableForTesting(std::nullopt);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(w.messages.size(), 1u);
  EXPECT_FALSE(w.progressDialog.isVisible() || w.Main<QSystemTrayIcon>("trayIcon")->isVisible());
  EXPECT_EQ(headlines(), (test::Texts{"Alpha", "Beta"}));
  EXPECT_EQ(server.Connections(), 4);  // no later site was asked for
}

// Failed sources are listed in a box once while the same ones fail, and counted
// in the status area and tooltip after every run.
TEST_F(ProgressDialog, TheSourcesThatFailedAreListedOnceInSightAndCountedInTheTray) {
  TrayIconHost::SetAvailableForTesting(true);
  w.mainWindow.show();
  w.mainWindow.FetchRunEnded({"Alpha: 404", "Beta: timeout"});
  EXPECT_TRUE(w.messages.empty());  // not before the run has ended
  ASSERT_TRUE(test::SpinUntil([&] { return !w.messages.empty(); }));
  EXPECT_EQ(w.messages[0].text,
            "次のサイトやフィードを取得できませんでした\nAlpha: 404\nBeta: timeout");
  EXPECT_EQ(w.messages[0].caption, "取得エラー");
  auto& label = *w.Main<QLabel>("feedErrorLabel");
  EXPECT_EQ(label.text().toStdString(), "取得エラー 2件");
  // The same sources (any reasons, any run ended early between): no box.
  const std::tuple<std::vector<std::string>, RunOutcome, size_t> runs[] = {
      {{"Beta: refused", "Alpha: 404"}, RunOutcome::kCompleted, 1},
      {{}, RunOutcome::kFailed, 1},
      {{"Alpha: 404"}, RunOutcome::kCompleted, 2},
      {{}, RunOutcome::kCompleted, 2},
      {{"Alpha: 404"}, RunOutcome::kCompleted, 3},
  };
  for (const auto& [errors, outcome, boxes] : runs) {
    w.mainWindow.FetchRunEnded(errors, outcome);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.messages.size(), boxes) << errors.size();
    EXPECT_EQ(label.isHidden(), errors.empty());
  }
  EXPECT_EQ(w.messages.back().text, "次のサイトやフィードを取得できませんでした\nAlpha: 404");
  EXPECT_EQ(label.text().toStdString(), "取得エラー 1件");
  const QString toolTip = w.Main<QSystemTrayIcon>("trayIcon")->toolTip();
  EXPECT_TRUE(toolTip.endsWith(QString::fromUtf8("\n取得エラー 1件")));
  // Sources read in spite of faults are the count's tip, and no failure.
  w.mainWindow.FetchRunEnded({}, RunOutcome::kCompleted, {"Gamma: mended", "Delta: cut"});
  EXPECT_TRUE(label.isHidden());
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->toolTip().toStdString(),
            "警告: Gamma: mended\n警告: Delta: cut");
  TrayIconHost::SetAvailableForTesting(std::nullopt);
}

}  // namespace
}  // namespace quillet
