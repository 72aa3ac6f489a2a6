// The main window's patrol timer and tray icon: the toolbar toggle and the
// tray menu item mirroring each other, ticks that fetch (also while the
// window sits in the tray) or pass silently, the interval from the behaviour
// dialog, and hiding into the tray and coming back.
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/sys/network_check.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "sample_server.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

// Pretends that the desktop has (or has not) a notification area.
class TrayAvailable {
 public:
  explicit TrayAvailable(bool available) { TrayIconHost::SetAvailableForTesting(available); }
  ~TrayAvailable() { TrayIconHost::SetAvailableForTesting(std::nullopt); }
};

// Answers the network check with `up` and records the proxies it was asked
// about.
class NetworkCheckStub {
 public:
  explicit NetworkCheckStub(bool up) {
    SetNetworkCheckForTesting([this, up](const std::string& proxy) {
      proxies.push_back(proxy);
      return up;
    });
  }
  ~NetworkCheckStub() { SetNetworkCheckForTesting(nullptr); }

  std::vector<std::string> proxies;
};

class PatrolTray : public ::testing::Test {
 protected:
  PatrolTray() {
    w.progressDialog.Runner().Http().idleTimeout = std::chrono::seconds(10);
    w.mainWindow.show();
  }
  void AddOldRows() {
    for (const char* headline : {"old one", "old two"}) {
      w.mainWindow.AppendRow("OLD", "genre", headline, 0,
                             std::make_unique<NewsItem>(NewsItem{"OLD", headline, "u", "genre"}));
    }
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
  // Serves events until the progress dialog has shown and hidden again;
  // `whenShown` runs as it appears.
  bool RunOneFetch(const std::function<void()>& whenShown) {
    bool shown = false;
    test::WhenReady(
        &w.mainWindow, [this] { return w.progressDialog.isVisible(); },
        [&] {
          shown = true;
          whenShown();
        });
    return test::SpinUntil([&] { return shown && !w.progressDialog.isVisible(); });
  }
  void BehaviourDialog(int minutes, QPushButton* close) {
    test::Find<QAction>(w.mainWindow, "behaviourAction")->trigger();
    test::Find<QSpinBox>(w.behaviourDialog, "intervalSpin")->setValue(minutes);
    close->click();
  }

  test::ProgramWindows w;
};

TEST_F(PatrolTray, ToolbarToggleAndTrayItemMirrorEachOther) {
  MainWindow& f = w.mainWindow;
  EXPECT_FALSE(test::Find<QAction>(f, "trayPatrolAction")->isChecked());
  EXPECT_FALSE(f.PatrolTimerForTesting().Enabled());
  const std::tuple<const char*, std::function<void()>, bool> steps[] = {
      {"toolbar on", [&] { test::Find<QToolButton>(f, "patrolButton")->click(); }, true},
      {"tray item off", [&] { test::Find<QAction>(f, "trayPatrolAction")->trigger(); }, false},
      {"tray item on", [&] { test::Find<QAction>(f, "trayPatrolAction")->trigger(); }, true},
      {"toolbar off", [&] { test::Find<QToolButton>(f, "patrolButton")->click(); }, false},
      {"toolbar on again", [&] { test::Find<QToolButton>(f, "patrolButton")->click(); }, true},
  };
  for (const auto& [what, action, on] : steps) {
    SCOPED_TRACE(what);
    action();
    EXPECT_EQ(test::Find<QToolButton>(f, "patrolButton")->isChecked(), on);
    EXPECT_EQ(test::Find<QAction>(f, "trayPatrolAction")->isChecked(), on);
    EXPECT_EQ(f.PatrolTimerForTesting().Enabled(), on);
    EXPECT_EQ(f.PatrolTimerForTesting().Counting(), on);  // 120 minutes when nothing is stored
  }
  EXPECT_FALSE(w.progressDialog.isVisible());
}

TEST_F(PatrolTray, ATickInTheTrayAddsRowsAfterTheListsWithTheWindowHidden) {
  TrayAvailable tray(true);
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  AddOldRows();
  test::Find<QToolButton>(w.mainWindow, "trayButton")->click();
  ASSERT_FALSE(w.mainWindow.isVisible());

  w.mainWindow.PatrolTimerForTesting().SetIntervalMs(20);
  test::Find<QAction>(w.mainWindow, "trayPatrolAction")->trigger();  // on, from the tray menu
  bool hiddenAndBusy = false;
  ASSERT_TRUE(RunOneFetch([&] {
    hiddenAndBusy = !w.mainWindow.isVisible() &&
                    !test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled();
    test::Find<QAction>(w.mainWindow, "trayPatrolAction")->trigger();  // one run is enough
  }));
  EXPECT_TRUE(hiddenAndBusy);
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(test::Find<QSystemTrayIcon>(w.mainWindow, "trayIcon")->isVisible());
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  ASSERT_EQ(Rows(), 2 + 286);
  EXPECT_EQ(Text(0, 2), "old one");
  EXPECT_EQ(Text(1, 2), "old two");
  EXPECT_EQ(Text(2, 0), "YOL");
  EXPECT_EQ(Text(2 + 285, 0), "毎日");

  // The tray menu's fetch, unlike a tick, empties the list first.
  test::Find<QAction>(w.mainWindow, "trayFetchAction")->trigger();
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(w.progressDialog.isVisible());
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_EQ(Rows(), 286);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, TicksPassWhileTheDialogShowsAndTheNextOneAfterItStartsARun) {
  // The first site's size probe gets half an answer, then silence: the run
  // waits until it is cancelled. Later connections are closed at once.
  test::TestServer server;
  server.Add({{{"HTTP/1.0 200 OK\r\n", 0}}, false});
  w.UseProxy(server.Port());
  NetworkCheckStub network(true);
  AddOldRows();
  int ticks = 0;
  w.mainWindow.PatrolTimerForTesting().OnTick =
      [&, tick = std::move(w.mainWindow.PatrolTimerForTesting().OnTick)] {
        ++ticks;
        tick();
      };

  // Three ticks during the run, watched from inside its network waits, do not
  // even ask for the network.
  size_t checksDuringRun = 0;
  w.mainWindow.PatrolTimerForTesting().SetIntervalMs(20);
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  ASSERT_TRUE(RunOneFetch([&] {
    test::WhenReady(
        &w.mainWindow, [&, ticksAtStart = ticks] { return ticks >= ticksAtStart + 3; },
        [&] {
          checksDuringRun = network.proxies.size();
          test::Find<QPushButton>(w.progressDialog, "cancelButton")->click();
        });
  }));
  EXPECT_EQ(checksDuringRun, 1u);

  // The dialog gone, the next tick starts another run.
  ASSERT_TRUE(RunOneFetch([&] { test::Find<QToolButton>(w.mainWindow, "patrolButton")->click(); }));
  ASSERT_EQ(network.proxies.size(), 2u);
  EXPECT_EQ(network.proxies[1], "127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_GT(server.Connections(), 1);
  EXPECT_EQ(Rows(), 2);  // the old rows stay; the sites gave nothing
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
}

TEST_F(PatrolTray, TicksWaitWhileTheErrorOfARunIsOpen) {
  // Every run ends with the proxy's refusal; the window sits in the tray.
  TrayAvailable tray(true);
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  sites.RequireProxyCredentials("reader", "s3cret");
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  NetworkCheckStub network(true);
  test::Find<QToolButton>(w.mainWindow, "trayButton")->click();
  int ticks = 0;
  w.mainWindow.PatrolTimerForTesting().OnTick =
      [&, tick = std::move(w.mainWindow.PatrolTimerForTesting().OnTick)] {
        ++ticks;
        tick();
      };
  size_t checksWhileOpen = 0;
  bool dialogWhileOpen = false;
  w.OnMessage = [&] {
    if (w.messages.size() != 1) return;
    // Inside the first box: three ticks pass without starting anything.
    const size_t checks = network.proxies.size();
    const int ticksAtBox = ticks;
    test::SpinUntil([&] { return ticks >= ticksAtBox + 3; });
    checksWhileOpen = network.proxies.size() - checks;
    dialogWhileOpen = w.progressDialog.isVisible();
  };
  w.mainWindow.PatrolTimerForTesting().SetIntervalMs(20);
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  // Once the box is closed, the next tick runs (and fails) again.
  ASSERT_TRUE(test::SpinUntil([&] { return w.messages.size() >= 2; }));
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  EXPECT_EQ(checksWhileOpen, 0u);
  EXPECT_FALSE(dialogWhileOpen);
  EXPECT_EQ(w.messages[1].text, "Proxy Authentication Required.");
}

TEST_F(PatrolTray, ATickWithoutANetworkPassesSilently) {
  settings::WriteString("HTTP", "Proxy", "192.0.2.1:8080");
  NetworkCheckStub network(false);
  AddOldRows();
  w.mainWindow.PatrolTimerForTesting().SetIntervalMs(20);
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return network.proxies.size() >= 3; }));
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();

  EXPECT_EQ(network.proxies[0], "192.0.2.1:8080");
  EXPECT_TRUE(w.messages.empty());
  EXPECT_FALSE(w.progressDialog.isVisible());
  EXPECT_EQ(Rows(), 2);
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
}

TEST_F(PatrolTray, TheBehaviourDialogSetsTheIntervalOnOkOnly) {
  // The interval read from the settings at each showing is checked with the
  // window's geometry.
  EXPECT_EQ(w.mainWindow.PatrolTimerForTesting().IntervalMs(), 120 * 60 * 1000);
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  BehaviourDialog(45, test::Find<QPushButton>(w.behaviourDialog, "okButton"));
  EXPECT_EQ(w.mainWindow.PatrolTimerForTesting().IntervalMs(), 45 * 60 * 1000);
  EXPECT_TRUE(w.mainWindow.PatrolTimerForTesting().Counting());
  EXPECT_EQ(settings::TimerInterval(), 45);
  BehaviourDialog(7, test::Find<QPushButton>(w.behaviourDialog, "cancelButton"));  // Cancel
  EXPECT_EQ(w.mainWindow.PatrolTimerForTesting().IntervalMs(), 45 * 60 * 1000);

  // With the timer off the value is still taken, for the next switch on.
  test::Find<QToolButton>(w.mainWindow, "patrolButton")->click();
  BehaviourDialog(6000, test::Find<QPushButton>(w.behaviourDialog, "okButton"));
  EXPECT_EQ(w.mainWindow.PatrolTimerForTesting().IntervalMs(), int64_t{6000} * 60 * 1000);
  EXPECT_FALSE(w.mainWindow.PatrolTimerForTesting().Counting());
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, WithoutATrayTheWindowStaysAndTheErrorIsShown) {
  TrayAvailable tray(false);
  test::Find<QToolButton>(w.mainWindow, "trayButton")->click();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "タスクトレイに登録できません.");
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  EXPECT_TRUE(w.mainWindow.isVisible());
  EXPECT_FALSE(test::Find<QSystemTrayIcon>(w.mainWindow, "trayIcon")->isVisible());
}

TEST_F(PatrolTray, IntoTheTrayAndBackAsTheUserLeftIt) {
  TrayAvailable tray(true);
  settings::WriteGeometry({30, 40, 400, 300, false});
  QSystemTrayIcon& shown = *test::Find<QSystemTrayIcon>(w.mainWindow, "trayIcon");
  QMenu& menu = *test::Find<QMenu>(w.mainWindow, "trayMenu");
  // The tray's clicks are handled from the event loop.
  const auto activate = [&](QSystemTrayIcon::ActivationReason reason) {
    emit shown.activated(reason);
    QCoreApplication::processEvents();
  };
  const std::pair<const char*, std::function<void()>> restores[] = {
      {"left double click", [&] { activate(QSystemTrayIcon::DoubleClick); }},
      {"two close left clicks",
       [&] {
         activate(QSystemTrayIcon::Trigger);
         activate(QSystemTrayIcon::Trigger);
       }},
      {"right double click",
       [&] {
         // The first click opens the menu, which takes the second press.
         const QMetaObject::Connection secondPress =
             QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu] {
               QTimer::singleShot(0, &menu, [&menu] {
                 const QPoint at = QCursor::pos();
                 QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at,
                                   Qt::RightButton, Qt::RightButton, Qt::NoModifier);
                 QCoreApplication::sendEvent(&menu, &press);
                 if (menu.isVisible()) menu.close();  // so that a failure cannot hang the test
               });
             });
         activate(QSystemTrayIcon::Context);
         QObject::disconnect(secondPress);
       }},
      {"tray menu", [&] { test::Find<QAction>(w.mainWindow, "trayRestoreAction")->trigger(); }},
  };
  int step = 0;
  for (const auto& [what, restore] : restores) {
    SCOPED_TRACE(what);
    const QPoint left(200 + step, 210);
    const QSize size(420 + step, 330);
    ++step;
    w.mainWindow.move(left);
    w.mainWindow.resize(size);
    test::Find<QToolButton>(w.mainWindow, "trayButton")->click();
    EXPECT_TRUE(shown.isVisible());
    EXPECT_FALSE(w.mainWindow.isVisible());

    restore();
    EXPECT_FALSE(shown.isVisible());
    EXPECT_TRUE(w.mainWindow.isVisible());
    // Where and as large as it was when it was hidden, not the stored bounds.
    EXPECT_EQ(w.mainWindow.pos(), left);
    EXPECT_EQ(w.mainWindow.size(), size);
  }
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, ExitFromTheTrayQuitsWithTheGeometryOfTheHiddenWindow) {
  TrayAvailable tray(true);
  w.mainWindow.move(250, 260);
  w.mainWindow.resize(450, 350);
  test::Find<QToolButton>(w.mainWindow, "trayButton")->click();
  ASSERT_FALSE(w.mainWindow.isVisible());
  settings::WriteGeometry({30, 40, 400, 300, false});

  bool shownAgain = false;
  test::WhenReady(
      &w.mainWindow, [&] { return w.mainWindow.isVisible(); }, [&] { shownAgain = true; });
  test::Find<QAction>(w.mainWindow, "trayQuitAction")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(shownAgain);
  EXPECT_FALSE(w.mainWindow.isVisible());
  const settings::Geometry stored = settings::ReadGeometry({-1, -1, -1, -1, true});
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({250, 260, 450, 350}));
  EXPECT_FALSE(stored.maximized);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, ClosingTheWindowDuringAFetchCancelsIt) {
  // The first site's page never finishes; without the cancel the run would go
  // on to the other six sites after the window has closed.
  test::TestServer server;
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  w.UseProxy(server.Port());
  NetworkCheckStub network(true);
  bool closed = false;
  test::WhenReady(
      &w.mainWindow,
      [&] { return w.progressDialog.Runner().State().statusText.find("Yomiuri") == 0; },
      [&] {
        w.mainWindow.close();
        closed = true;
      });
  test::Find<QToolButton>(w.mainWindow, "fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return closed && !w.progressDialog.isVisible(); }));
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(w.progressDialog.Runner().State().cancelled);
  EXPECT_EQ(server.Connections(), 2);  // no later site was asked for
}

}  // namespace
}  // namespace quillet
