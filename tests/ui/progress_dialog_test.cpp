// Fetch runs started from the main window's fetch button and driven by the
// progress dialog: the sample sites into the headline list, Cancel and Skip
// from the dialog's buttons, and an error that ends a run.
#include "ui/fetch_progress_dialog.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

#include "net/test_server.h"
#include "program_windows.h"
#include "sample_server.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

class ProgressDialogTest : public ::testing::Test {
 protected:
  ProgressDialogTest() {
    w.progressDialog.Runner().Http().idleTimeout = std::chrono::seconds(10);
    w.mainWindow.show();
  }
  // Clicks the fetch button and serves events until the dialog is gone.
  void Fetch() {
    test::Find<QToolButton>(w.mainWindow, "fetchButton")->click();
    ASSERT_TRUE(test::SpinUntil([this] { return !w.progressDialog.isVisible(); }));
  }
  int Rows() const {
    return test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItemCount();
  }
  std::string Text(int row, int column) const {
    return test::Find<ReportView>(w.mainWindow, "headlineList")
        ->topLevelItem(row)
        ->text(column)
        .toStdString();
  }
  bool StatusIs(const char* utf8) const {
    return test::Find<QLabel>(w.progressDialog, "statusLabel")->text() == QString::fromUtf8(utf8);
  }

  test::ProgramWindows w;
};

TEST_F(ProgressDialogTest, SampleSitesFillTheListWhileTheWindowStaysUsable) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());

  // When 毎日新聞's first request arrives, the six sites before it are in
  // the list already: rows appear during the run, not at its end.
  int rowsBeforeLastSite = -1;
  test::WhenReady(
      &w.mainWindow, [&] { return sites.Requests().size() == 12; },
      [&] { rowsBeforeLastSite = Rows(); });

  test::Find<QToolButton>(w.mainWindow, "fetchButton")->click();
  EXPECT_FALSE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  EXPECT_TRUE(w.progressDialog.isVisible());
  EXPECT_EQ(w.progressDialog.windowTitle().toStdString(), "データの取得");
  ASSERT_TRUE(test::SpinUntil([this] { return !w.progressDialog.isVisible(); }));

  EXPECT_TRUE(w.messages.empty());
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  ASSERT_EQ(Rows(), 286);
  EXPECT_EQ(rowsBeforeLastSite, 286 - 41);
  EXPECT_EQ(Text(0, 0), "YOL");
  EXPECT_EQ(Text(285, 0), "毎日");
  EXPECT_FALSE(
      test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItem(0)->icon(0).isNull());

  // The last page's progress: 9,617 bytes of a known size.
  EXPECT_EQ(test::Find<QLabel>(w.progressDialog, "statusLabel")->text().toStdString(),
            "毎日新聞 の取得が終了しました");
  EXPECT_EQ(test::Find<QLabel>(w.progressDialog, "amountLabel")->text().toStdString(), "9KB / 9KB");
  EXPECT_EQ(test::Find<QProgressBar>(w.progressDialog, "progressBar")->maximum(), 9617);
  EXPECT_EQ(test::Find<QProgressBar>(w.progressDialog, "progressBar")->value(), 9617);

  // The columns are fitted at the end of the run (the fit itself is the
  // report view's): wider than the widest site label.
  ReportView& list = *test::Find<ReportView>(w.mainWindow, "headlineList");
  int site = 0;
  for (int i = 0; i < Rows(); ++i)
    site = std::max(site, list.fontMetrics().horizontalAdvance(list.topLevelItem(i)->text(0)));
  EXPECT_GT(list.columnWidth(0), site);

  // A second fetch disposes of the old rows first.
  Fetch();
  EXPECT_EQ(Rows(), 286);
}

const std::string kYolPage =
    "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
    "<a href=\"/b.htm\">Beta</a>\r\n<!-- /topnews/headline=end -->\r\n";

std::string Ok(const std::string& body, bool withLength = true) {
  return "HTTP/1.0 200 OK\r\n" +
         (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") + "\r\n" +
         body;
}

TEST_F(ProgressDialogTest, CancelButtonEndsTheRunAndKeepsTheRowsSoFar) {
  test::TestServer server;
  w.UseProxy(server.Port());
  server.Add(Ok(""));        // YOL size probe
  server.Add(Ok(kYolPage));  // YOL page
  server.Add(Ok(""));        // アサヒ size probe
  server.Add(Ok(""));        // アサヒ page, empty
  // Impress Watch (no size probe): the page starts, then the server goes quiet.
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});

  bool dialogWasInFront = false;
  test::WhenReady(
      &w.progressDialog,
      [&] { return StatusIs("Impress Watch のヘッドラインを取得しています..."); },
      [&] {
        EXPECT_EQ(test::Find<QLabel>(w.progressDialog, "amountLabel")->text().toStdString(),
                  "0KB / 不明");
        // The tray's fetch item during a run only brings the dialog forward:
        // the list stays and no second run starts.
        test::Find<QAction>(w.mainWindow, "trayFetchAction")->trigger();
        dialogWasInFront = w.progressDialog.isVisible() &&
                           !test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled();
        EXPECT_EQ(Rows(), 2);
        test::Find<QPushButton>(w.progressDialog, "cancelButton")->click();
      });
  Fetch();

  EXPECT_TRUE(dialogWasInFront);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Text(0, 2), "Alpha");
  EXPECT_EQ(Text(1, 2), "Beta");
  EXPECT_EQ(server.Connections(), 5);  // the four later sites are not visited
  EXPECT_TRUE(w.progressDialog.Runner().State().cancelled);
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(ProgressDialogTest, SkipButtonEndsOnlyTheCurrentDownload) {
  test::TestServer server;
  w.UseProxy(server.Port());
  server.Add(Ok("", false));
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n" + kYolPage.substr(0, 40), 0}}, false});
  for (int i = 0; i < 11; ++i)
    server.Add(Ok(""));  // the other six sites, all empty

  test::WhenReady(
      &w.progressDialog,
      [&] { return StatusIs("Yomiuri On Line のヘッドラインを取得しています..."); },
      [&] { test::Find<QPushButton>(w.progressDialog, "skipButton")->click(); });
  Fetch();

  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(server.Connections(), 13);  // every later site was still fetched
  EXPECT_FALSE(w.progressDialog.Runner().State().cancelled);
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  // With no size known the bar stays empty.
  EXPECT_EQ(test::Find<QProgressBar>(w.progressDialog, "progressBar")->value(), 0);
  EXPECT_EQ(test::Find<QLabel>(w.progressDialog, "amountLabel")->text().toStdString(),
            "0KB / 不明");
}

TEST_F(ProgressDialogTest, AnErrorEndingTheRunIsShownAfterTheCleanUp) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  sites.RequireProxyCredentials("reader", "s3cret");
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());

  bool cleanedUpFirst = false;
  w.OnMessage = [&] {
    cleanedUpFirst = !w.progressDialog.isVisible() &&
                     test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled();
  };
  Fetch();

  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_TRUE(cleanedUpFirst);
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  // The status line's text, with the "." the display adds.
  EXPECT_EQ(w.messages[0].text, "Proxy Authentication Required.");
  EXPECT_EQ(Rows(), 0);

  // The program goes on: with the right credentials the next run succeeds.
  settings::WriteString("HTTP", "ProxyUserName", "reader");
  settings::WriteString("HTTP", "ProxyPassword", "s3cret");
  Fetch();
  EXPECT_EQ(Rows(), 286);
  EXPECT_EQ(w.messages.size(), 1u);
}

}  // namespace
}  // namespace quillet
