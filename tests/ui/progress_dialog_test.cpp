// A fetch of the bundled sample sites from the main window's fetch button,
// driven by the progress dialog into the headline list. Skip and Cancel are
// tried with the patrol timer's runs.
#include <QProgressBar>

#include <algorithm>

#include "program_windows.h"
#include "sample_server.h"

namespace quillet {
namespace {

using ProgressDialog = test::WindowsTest;

TEST_F(ProgressDialog, TheSampleSitesFillTheListDuringTheRun) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  w.progressDialog.Runner().Http().idleTimeout = std::chrono::seconds(10);
  w.mainWindow.show();
  ReportView& list = *w.Main<ReportView>("headlineList");
  // When 毎日新聞's first request arrives, the six sites before it are in the
  // list already. The tray menu's fetch item then only brings the dialog to
  // the front: the list stays and no second run starts.
  int rowsBeforeLastSite = -1;
  test::WhenReady(
      &w.mainWindow, [&] { return sites.Requests().size() == 12; },
      [&] {
        rowsBeforeLastSite = list.topLevelItemCount();
        w.Main<QAction>("trayFetchAction")->trigger();
      });
  w.Main("fetchButton")->click();
  EXPECT_FALSE(w.Main("fetchButton")->isEnabled());
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(rowsBeforeLastSite, 286 - 41);
  ASSERT_EQ(list.topLevelItemCount(), 286);
  EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(), "YOL");
  EXPECT_EQ(list.topLevelItem(285)->text(0).toStdString(), "毎日");
  EXPECT_FALSE(list.topLevelItem(0)->icon(0).isNull());

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
  for (int i = 0; i < 286; ++i)
    site = std::max(site, list.fontMetrics().horizontalAdvance(list.topLevelItem(i)->text(0)));
  EXPECT_GT(list.columnWidth(0), site);
}

}  // namespace
}  // namespace quillet
