// The main window: the headline menu, the geometry and the view kept in the
// settings file, and the program itself.
#include <sys/stat.h>

#include <QClipboard>
#include <QHeaderView>
#include <QProcess>
#include <QScreen>
#include <QWindow>

#include <array>
#include <tuple>

#include "app/quillet/command_line.h"
#include "core/sys/program_dir.h"
#include "program_windows.h"
#include "ui/single_instance.h"
#include "ui/window_placement.h"

namespace quillet {
namespace {

using test::Find;
using MainWindowTest = test::WindowsTest;

// The headline list's menu acts on the row of the right-button press: it
// shows the row's URL ('&' doubled, so that it shows), copies and opens it.
TEST_F(MainWindowTest, TheHeadlineMenuShowsCopiesAndOpensTheRowsUrl) {
  test::RecordingOpener opener;
  const std::string url = "http://127.0.0.1/2?x=1&y=2";
  w.mainWindow.show();
  for (const std::string& u : {std::string("http://127.0.0.1/1"), url})
    w.mainWindow.AppendRow("YOL", "", "", 0, std::make_unique<NewsItem>(NewsItem{"", "", u, ""}));
  auto* list = w.Main<ReportView>("headlineList");
  auto* menu = w.Main<QMenu>("headlineMenu");
  test::SelectRow(*list, 0);
  test::SendMouse(list->viewport(), QEvent::MouseButtonPress,
                  list->visualRect(list->Rows().index(1, 2)).center(), Qt::RightButton);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(Find<QAction>(*menu, "urlCaptionAction")->text(),
            QStringLiteral("http://127.0.0.1/2?x=1&&y=2"));
  menu->hide();
  Find<QAction>(*menu, "copyUrlAction")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), url);
  Find<QAction>(*menu, "openArticleAction")->trigger();
  EXPECT_EQ(opener.opened, test::Texts{url});
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(MainWindowTest, TheStoredGeometryAppliesAtTheFirstShowingAndIsWrittenAtClose) {
  // Nothing stored: the built-in bounds, inside the screen; written at close.
  w.mainWindow.show();
  ASSERT_TRUE(w.mainWindow.close());
  const QRect screen = w.mainWindow.screen()->availableGeometry();
  const settings::Geometry g = settings::ReadSettings().geometry;
  const QRect stored(g.left, g.top, g.width, g.height);
  EXPECT_EQ(stored.size(), QSize(505, 657));
  EXPECT_TRUE(screen.contains(stored)) << screen.width() << "x" << screen.height();
  EXPECT_EQ(g.left == 408, 408 + 505 <= screen.right());

  // Stored bounds apply, a frame off the screen moved inside. Later showings
  // and always on top keep the window in place; showings read the interval.
  test::PutGeometry({-3000, 40, 600, 500, false});
  test::PutSetting(settings::key::kTimerInterval, 3);
  MainWindow again;
  again.show();
  EXPECT_EQ(QRect(again.pos(), again.size()), QRect(screen.left(), 40, 600, 500));
  EXPECT_EQ(again.PatrolIntervalMs(), 3 * 60'000);
  again.move(100, 120);
  again.hide();
  test::PutSetting(settings::key::kTimerInterval, 4);
  again.show();
  test::PutSetting(settings::key::kTimerInterval, 5);
  Find<QToolButton>(again, "alwaysOnTopButton")->click();
  EXPECT_TRUE(again.isVisible() && (again.windowFlags() & Qt::WindowStaysOnTopHint));
  EXPECT_EQ(QRect(again.pos(), again.size()), QRect(100, 120, 600, 500));
  EXPECT_EQ(again.PatrolIntervalMs(), 4 * 60'000);

  // Stored maximized: the window comes back maximized over those bounds.
  test::PutGeometry({100, 120, 600, 500, true});
  MainWindow maximized;
  maximized.show();
  EXPECT_TRUE(maximized.isMaximized());
  EXPECT_EQ(maximized.normalGeometry().size(), QSize(600, 500));
  // A settings file that cannot be written: said once, and the window still closes.
  ASSERT_EQ(chmod(settings::SettingsFilePath().c_str(), 0444), 0);
  EXPECT_TRUE(maximized.close());
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, settings::SettingsFilePath() + " に書き込めません.");
}

TEST(FramePositionInside, MovesAFrameIntoTheAreaAsLittleAsItCan) {
  const QRect area(0, 30, 1280, 870);  // below a panel at the top
  const std::pair<QRect, QPoint> cases[] = {
      {{96, -10, 600, 500}, {96, 30}},      // title bar above the area
      {{1000, 800, 600, 500}, {680, 400}},  // off the right and the bottom
      {{10, 100, 600, 2000}, {10, 30}},     // taller than the area: the title bar stays in
      {{-5, 40, 1500, 500}, {0, 40}},       // wider than the area: the left edge stays in
  };
  for (const auto& [frame, expected] : cases)
    EXPECT_EQ(FramePositionInside(frame, area), expected) << frame.x() << "," << frame.y();
}

// What the user set comes back at the next start. Always on top makes the
// window anew: the dialogs and the search window stay transient for it.
TEST_F(MainWindowTest, WhatTheUserSetInTheWindowIsKeptAcrossStarts) {
  w.mainWindow.show();
  w.Main("logSearchButton")->click();
  QWidget* search = nullptr;  // no Q_OBJECT: found by its C++ type
  for (QWidget* child : w.mainWindow.findChildren<QWidget*>())
    if (dynamic_cast<LogSearchWindow*>(child) != nullptr) search = child;
  ASSERT_NE(search, nullptr);
  const std::array<QWidget*, 4> windows{&w.progressDialog, &w.connectionDialog, &w.behaviourDialog,
                                        search};
  for (QWidget* window : windows)
    window->show();
  w.Main("patrolButton")->click();
  w.Main("alwaysOnTopButton")->click();
  for (QWidget* window : windows)
    EXPECT_EQ(window->windowHandle()->transientParent(), w.mainWindow.windowHandle())
        << window->windowTitle().toStdString();
  w.Main<ReportView>("headlineList")->header()->resizeSection(1, 123);
  ASSERT_TRUE(w.mainWindow.close());
  const auto view = settings::ReadSettings().view;
  EXPECT_EQ(std::tie(view.patrol, view.alwaysOnTop, view.headlineColumns, view.logColumns),
            std::make_tuple(true, true,
                            std::string(w.Main<ReportView>("headlineList")->UserColumnWidths()),
                            std::string()));
  MainWindow again;
  again.show();
  auto* list = Find<ReportView>(again, "headlineList");
  again.AppendRow("YOL", "genre", "a headline", 0, std::make_unique<NewsItem>());
  list->FitColumns();
  EXPECT_EQ(list->columnWidth(1), 123);
  EXPECT_TRUE(Find<QToolButton>(again, "patrolButton")->isChecked());
  EXPECT_TRUE(again.windowFlags() & Qt::WindowStaysOnTopHint);
  // The search window's widths go to the next search window.
  Find<ReportView>(*search, "resultList")->header()->resizeSection(2, 77);
  search->close();
  LogSearchWindow next;
  EXPECT_EQ(Find<ReportView>(next, "resultList")->columnWidth(2), 77);
}

// A later start on the same folder asks the running one to show its window;
// --tray starts in the tray with the patrol timer on.
TEST_F(MainWindowTest, ALaterStartBringsTheRunningWindowForward) {
  TrayIconHost::SetAvailableForTesting(true);
  w.mainWindow.StartInTray();
  ASSERT_TRUE(test::SpinUntil([&] { return w.Main<QSystemTrayIcon>("trayIcon")->isVisible(); }));
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(w.Main("patrolButton")->isChecked());
  SingleInstance running(DataDirectory());
  ASSERT_TRUE(running.Claim());
  running.OnShowRequested = [&] { w.mainWindow.BringToFront(); };
  QProcess later;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QUILLET_HOME"), QString::fromStdString(DataDirectory()));
  later.setProcessEnvironment(environment);
  later.start(QStringLiteral(QUILLET_EXE), {});
  ASSERT_TRUE(test::SpinUntil([&] { return later.state() == QProcess::NotRunning; }));
  EXPECT_EQ(later.exitCode(), 0);
  EXPECT_TRUE(w.mainWindow.isVisible());
  EXPECT_FALSE(w.Main<QSystemTrayIcon>("trayIcon")->isVisible());
  w.mainWindow.showMinimized();
  w.mainWindow.BringToFront();
  EXPECT_FALSE(w.mainWindow.isMinimized());
  TrayIconHost::SetAvailableForTesting(std::nullopt);
}

// Qt's own options, with their values, start the window; any other is unknown.
TEST(Program, OnlyQtsOptionsStartTheWindow) {
  using Args = std::vector<std::string>;
  for (const Args& args : {Args{}, Args{"-platform", "offscreen"},
                           Args{"--style=fusion", "-nograb"}, Args{"-display", "-reverse"}})
    EXPECT_EQ(ParseCommandLine(args), CommandLineRequest::kRun) << testing::PrintToString(args);
  EXPECT_EQ(ParseCommandLine({"-nograb", "--tray"}), CommandLineRequest::kRunInTray);
  for (const Args& args : {Args{"-reverse=1"}, Args{"-"}, Args{"x"}, Args{"-style", "x", "-bogus"}})
    EXPECT_EQ(ParseCommandLine(args), CommandLineRequest::kUnknownOption)
        << testing::PrintToString(args);
}

}  // namespace
}  // namespace quillet
