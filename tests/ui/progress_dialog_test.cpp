// Fetches from the main window's fetch button, driven by the progress dialog:
// the bundled sample sites into the headline list, and a close of the main
// window during a run. Skip and Cancel are tried with the patrol's runs.
#include <QProgressBar>

#include <algorithm>
#include <map>

#include "core/log/log_store.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "sample_server.h"
#include "ui/icons.h"

namespace quillet {
namespace {

using ProgressDialog = test::WindowsTest;

TEST_F(ProgressDialog, TheSampleSitesFillTheListDuringTheRun) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  sites.RequireProxyCredentials("reader", "s3cret");
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  settings::WriteString("HTTP", "ProxyUserName", "reader");
  settings::WriteString("HTTP", "ProxyPassword", "s3cret");
  w.mainWindow.show();
  ReportView& list = *w.Main<ReportView>("headlineList");
  // When 毎日新聞's first request arrives, the six sites before it are in the
  // list already. The tray menu's fetch item then only brings the dialog to
  // the front: the list stays and no second run starts.
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
  // Rows per site, and a size probe (HEAD) before every page but one.
  std::map<std::string, int> perSite;
  for (const std::string& site : test::Column(list, 0))
    ++perSite[site];
  std::string rows, methods;
  for (const auto& [site, count] : perSite)
    rows += site + ":" + std::to_string(count) + " ";
  for (const std::string& request : sites.Requests())
    methods += request[0];
  EXPECT_EQ(rows, "CNN:51 Impress:49 YOL:45 ZAKZAK:10 アサヒ:43 中央日報:47 毎日:41 ");
  EXPECT_EQ(methods, "HGHGGHGHGHGHG");
  EXPECT_EQ(test::Column(list, 0)[0], "YOL");
  EXPECT_EQ(test::RowIcon(list, 0), SiteIcon(0).pixmap(16).toImage());
  for (int c = 0; c < kCategoryCount; ++c)
    EXPECT_GE(LoadLogFile(LogFilePath(c)).size(), 2u) << "category " << c;

  // The last page's progress: 9,617 bytes of a known size.
  const auto text = [&](const char* label) {
    return test::Find<QLabel>(w.progressDialog, label)->text().toStdString();
  };
  EXPECT_EQ(text("statusLabel"), "毎日新聞 の取得が終了しました");
  EXPECT_EQ(text("amountLabel"), "9KB / 9KB");
  auto* bar = test::Find<QProgressBar>(w.progressDialog, "progressBar");
  EXPECT_EQ(std::pair(bar->value(), bar->maximum()), std::pair(9617, 9617));
  // The columns are fitted at the end of the run: wider than any site label.
  int site = 0;
  for (const std::string& label : test::Column(list, 0))
    site = std::max(site, list.fontMetrics().horizontalAdvance(QString::fromStdString(label)));
  EXPECT_GT(list.columnWidth(0), site);
}

TEST_F(ProgressDialog, ClosingTheMainWindowCancelsTheRun) {
  // YOL's page never ends; without the cancel the run would go on to the
  // other six sites after the window has closed.
  test::TestServer server;
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  w.UseProxy(server.Port());
  w.mainWindow.show();
  test::WhenReady(
      &w.mainWindow, [&] { return server.Connections() == 2; }, [&] { w.mainWindow.close(); });
  w.Main("fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_TRUE(w.progressDialog.Runner().State().cancelled);
  EXPECT_EQ(server.Connections(), 2);  // no later site was asked for
}

}  // namespace
}  // namespace quillet
