// Fetch runs from the main window's fetch button, driven by the progress
// dialog: the bundled sample sites into the headline list, and Skip and
// Cancel from the dialog's buttons.
#include "ui/fetch_progress_dialog.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "net/test_server.h"
#include "program_windows.h"
#include "sample_server.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

class ProgressDialogTest : public test::WindowsTest {
 protected:
  ProgressDialogTest() {
    w.progressDialog.Runner().Http().idleTimeout = std::chrono::seconds(10);
    w.mainWindow.show();
  }
  void Fetch() {
    w.Main("fetchButton")->click();
    EXPECT_FALSE(w.Main("fetchButton")->isEnabled());
    ASSERT_TRUE(test::SpinUntil([this] { return !w.progressDialog.isVisible(); }));
    EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
  }
  ReportView& List() { return *w.Main<ReportView>("headlineList"); }
  std::string Text(int row, int column) {
    return List().topLevelItem(row)->text(column).toStdString();
  }
  template <typename T>
  T* Dialog(const char* name) {
    return test::Find<T>(w.progressDialog, name);
  }
  std::string Status() { return Dialog<QLabel>("statusLabel")->text().toStdString(); }
  std::string Amount() { return Dialog<QLabel>("amountLabel")->text().toStdString(); }
};

TEST_F(ProgressDialogTest, TheSampleSitesFillTheListDuringTheRun) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  // When 毎日新聞's first request arrives, the six sites before it are in the
  // list already. The tray menu's fetch item then only brings the dialog to
  // the front: the list stays and no second run starts.
  int rowsBeforeLastSite = -1;
  test::WhenReady(
      &w.mainWindow, [&] { return sites.Requests().size() == 12; },
      [&] {
        rowsBeforeLastSite = List().topLevelItemCount();
        w.Main<QAction>("trayFetchAction")->trigger();
      });
  Fetch();

  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(rowsBeforeLastSite, 286 - 41);
  ASSERT_EQ(List().topLevelItemCount(), 286);
  EXPECT_EQ(Text(0, 0), "YOL");
  EXPECT_EQ(Text(285, 0), "毎日");
  EXPECT_FALSE(List().topLevelItem(0)->icon(0).isNull());
  // The last page's progress: 9,617 bytes of a known size.
  EXPECT_EQ(Status(), "毎日新聞 の取得が終了しました");
  EXPECT_EQ(Amount(), "9KB / 9KB");
  EXPECT_EQ(Dialog<QProgressBar>("progressBar")->maximum(), 9617);
  EXPECT_EQ(Dialog<QProgressBar>("progressBar")->value(), 9617);
  // The columns are fitted at the end of the run: wider than any site label.
  int site = 0;
  for (int i = 0; i < 286; ++i)
    site = std::max(site, List().fontMetrics().horizontalAdvance(List().topLevelItem(i)->text(0)));
  EXPECT_GT(List().columnWidth(0), site);
}

TEST_F(ProgressDialogTest, SkipEndsTheDownloadAndCancelTheRunKeepingTheRowsSoFar) {
  const std::string kYolPage =
      "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
      "<a href=\"/b.htm\">Beta</a>\r\n<!-- /topnews/headline=end -->\r\n";
  test::TestServer server;
  w.UseProxy(server.Port());
  server.Add("HTTP/1.0 200 OK\r\n\r\n");  // YOL: size probe, page
  server.Add("HTTP/1.0 200 OK\r\n\r\n" + kYolPage);
  // アサヒ, of no known size, and Impress Watch (no size probe): each page
  // starts, then the server goes quiet.
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  const auto downloading = [&](int connections) {
    return server.Connections() == connections &&
           Status().ends_with("のヘッドラインを取得しています...");
  };
  std::string amountWhileSkipped;
  int barWhileSkipped = -1;
  test::WhenReady(
      &w.progressDialog, [&] { return downloading(4); },
      [&] {
        amountWhileSkipped = Amount();
        barWhileSkipped = Dialog<QProgressBar>("progressBar")->value();
        Dialog<QPushButton>("skipButton")->click();
        test::WhenReady(
            &w.progressDialog, [&] { return downloading(5); },
            [&] { Dialog<QPushButton>("cancelButton")->click(); });
      });
  Fetch();

  EXPECT_EQ(amountWhileSkipped, "0KB / 不明");
  EXPECT_EQ(barWhileSkipped, 0);  // with no size known the bar stays empty
  ASSERT_EQ(List().topLevelItemCount(), 2);
  EXPECT_EQ(Text(0, 2), "Alpha");
  EXPECT_EQ(Text(1, 2), "Beta");
  EXPECT_EQ(server.Connections(), 5);  // the four later sites are not visited
  EXPECT_TRUE(w.progressDialog.Runner().State().cancelled);
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace quillet
