// The main window's patrol timer and tray icon: the toolbar toggle and the
// tray menu item mirroring each other, ticks that fetch (also while the
// window sits in the tray) or pass silently, the interval from the settings
// file and the behaviour dialog, and hiding into the tray and coming back.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/sample_sites/sample_server.h"
#include "net/test_server.h"
#include "platform/network_check.h"
#include "program_windows.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

// Pretends that the desktop has (or has not) a notification area.
class TrayAvailable {
 public:
  explicit TrayAvailable(bool available) { TrayIconHost::SetAvailableForTesting(available); }
  ~TrayAvailable() { TrayIconHost::SetAvailableForTesting(std::nullopt); }
  TrayAvailable(const TrayAvailable&) = delete;
  TrayAvailable& operator=(const TrayAvailable&) = delete;
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
  NetworkCheckStub(const NetworkCheckStub&) = delete;
  NetworkCheckStub& operator=(const NetworkCheckStub&) = delete;

  std::vector<std::string> proxies;
};

std::unique_ptr<TNewsItem> News(const std::string& url) {
  return std::make_unique<TNewsItem>(TNewsItem{"YOL", "headline", url, "genre"});
}

class PatrolTray : public ::testing::Test {
 protected:
  PatrolTray() {
    w.form2.FetchRun().HttpClient().IdleTimeout = std::chrono::seconds(10);
    w.form1.show();
  }
  void AddOldRows() {
    w.form1.AppendRow("OLD", "genre", "old one", 0, News("http://old.example/1"));
    w.form1.AppendRow("OLD", "genre", "old two", 0, News("http://old.example/2"));
  }
  int Rows() const { return w.form1.ListView1->topLevelItemCount(); }
  std::string Text(int row, int column) const {
    return w.form1.ListView1->topLevelItem(row)->text(column).toStdString();
  }
  // Counts the patrol timer's ticks, which still go to the window.
  void CountTicks() {
    std::function<void()> tick = std::move(w.form1.Timer1.OnTick);
    w.form1.Timer1.OnTick = [this, tick] {
      ++ticks;
      tick();
    };
  }
  // Serves events until a tick has shown the progress dialog and the run it
  // started has hidden it again; `whenShown` runs as the dialog appears.
  bool RunOneTick(const std::function<void()>& whenShown) {
    bool shown = false;
    test::WhenReady(
        &w.form1, [this] { return w.form2.isVisible(); },
        [&] {
          shown = true;
          whenShown();
        });
    return test::SpinUntil([&] { return shown && !w.form2.isVisible(); });
  }
  settings::Geometry Stored() { return settings::ReadGeometry({-1, -1, -1, -1, true}); }
  void OpenBehaviourDialogAndConfirm(int minutes) {
    w.form1.N5->trigger();
    w.form4.SpinEdit1->setValue(minutes);
    w.form4.Button1->click();
  }

  test::ProgramWindows w;
  int ticks = 0;
};

// --- The toggle and the tray menu item. --------------------------------------

TEST_F(PatrolTray, ToolbarToggleAndTrayItemMirrorEachOther) {
  TForm1& f = w.form1;
  EXPECT_FALSE(f.ToolButton5->isChecked());
  EXPECT_TRUE(f.N10->isCheckable());
  EXPECT_FALSE(f.N10->isChecked());
  EXPECT_FALSE(f.Timer1.Enabled());

  struct Step {
    const char* what;
    std::function<void()> action;
    bool on;
  };
  const std::vector<Step> steps = {
      {"toolbar on", [&] { f.ToolButton5->click(); }, true},
      {"tray item off", [&] { f.N10->trigger(); }, false},
      {"tray item on", [&] { f.N10->trigger(); }, true},
      {"toolbar off", [&] { f.ToolButton5->click(); }, false},
      {"toolbar on again", [&] { f.ToolButton5->click(); }, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.action();
    EXPECT_EQ(f.ToolButton5->isChecked(), step.on);
    EXPECT_EQ(f.N10->isChecked(), step.on);
    EXPECT_EQ(f.Timer1.Enabled(), step.on);
    EXPECT_EQ(f.Timer1.Counting(), step.on);  // 120 minutes from the settings
  }
  EXPECT_FALSE(w.form2.isVisible());
}

// --- Ticks. ------------------------------------------------------------------

TEST_F(PatrolTray, ATickFetchesAndAddsTheRowsAfterTheOnesInTheList) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  AddOldRows();

  w.form1.Timer1.SetIntervalMs(20);
  w.form1.ToolButton5->click();
  bool buttonDisabled = false;
  ASSERT_TRUE(RunOneTick([&] {
    buttonDisabled = !w.form1.ToolButton3->isEnabled();
    w.form1.ToolButton5->click();  // one run is enough
  }));

  EXPECT_TRUE(buttonDisabled);
  EXPECT_TRUE(w.form1.ToolButton3->isEnabled());
  EXPECT_TRUE(w.messages.empty());
  ASSERT_EQ(Rows(), 2 + 286);
  EXPECT_EQ(Text(0, 2), "old one");
  EXPECT_EQ(Text(1, 2), "old two");
  EXPECT_EQ(Text(2, 0), "YOL");
  EXPECT_EQ(Text(2 + 285, 0), "毎日");
}

TEST_F(PatrolTray, TicksPassWhileTheDialogShowsAndTheNextOneAfterItStartsARun) {
  // The first site's size probe gets half an answer, then silence: the run
  // waits until it is cancelled. Later connections are closed at once.
  test::TestServer server;
  server.Add({{{"HTTP/1.0 200 OK\r\n", 0}}, false});
  w.UseProxy(server.Port());
  NetworkCheckStub network(true);
  AddOldRows();
  CountTicks();

  // Everything during a run is watched from inside its network waits.
  size_t checksDuringRun = 0;
  bool cancelled = false;
  test::WhenReady(
      &w.form1, [&] { return w.form2.isVisible(); },
      [&] {
        test::WhenReady(
            &w.form1, [&, ticksAtStart = ticks] { return ticks >= ticksAtStart + 3; },
            [&] {
              checksDuringRun = network.proxies.size();
              w.form2.BitBtn1->click();
              cancelled = true;
            });
      });
  w.form1.Timer1.SetIntervalMs(20);
  w.form1.ToolButton5->click();
  ASSERT_TRUE(test::SpinUntil([&] { return cancelled && !w.form2.isVisible(); }));
  // The ticks during the run did not even ask for the network.
  EXPECT_EQ(checksDuringRun, 1u);

  // The dialog gone, the next tick starts another run.
  bool again = false;
  test::WhenReady(
      &w.form1, [&] { return w.form2.isVisible(); },
      [&] {
        again = true;
        w.form1.ToolButton5->click();  // off
      });
  ASSERT_TRUE(test::SpinUntil([&] { return again && !w.form2.isVisible(); }));
  ASSERT_EQ(network.proxies.size(), 2u);
  EXPECT_EQ(network.proxies[1], "127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_GT(server.Connections(), 1);
  EXPECT_EQ(Rows(), 2);  // the old rows stay; the sites gave nothing
  EXPECT_TRUE(w.form1.ToolButton3->isEnabled());
}

TEST_F(PatrolTray, ATickWithoutANetworkPassesSilently) {
  settings::WriteString("HTTP", "Proxy", "192.0.2.1:8080");
  NetworkCheckStub network(false);
  AddOldRows();

  w.form1.Timer1.SetIntervalMs(20);
  w.form1.ToolButton5->click();
  ASSERT_TRUE(test::SpinUntil([&] { return network.proxies.size() >= 3; }));
  w.form1.ToolButton5->click();

  EXPECT_EQ(network.proxies[0], "192.0.2.1:8080");
  EXPECT_TRUE(w.messages.empty());
  EXPECT_FALSE(w.form2.isVisible());
  EXPECT_EQ(Rows(), 2);
  EXPECT_TRUE(w.form1.ToolButton3->isEnabled());
}

// --- The interval. -----------------------------------------------------------

TEST_F(PatrolTray, TheIntervalComesFromTheSettingsAtEveryShowing) {
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 120 * 60 * 1000);  // the default
  w.form1.ToolButton5->click();

  // 0 minutes: on, but never counting down.
  settings::WriteInteger("Main", "TimerInterval", 0);
  w.form1.hide();
  w.form1.show();
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 0);
  EXPECT_TRUE(w.form1.Timer1.Enabled());
  EXPECT_FALSE(w.form1.Timer1.Counting());

  settings::WriteInteger("Main", "TimerInterval", 3);
  w.form1.hide();
  w.form1.show();
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 3 * 60 * 1000);
  EXPECT_TRUE(w.form1.Timer1.Counting());
}

TEST_F(PatrolTray, TheBehaviourDialogSetsTheIntervalOnOkOnly) {
  settings::WriteInteger("Main", "TimerInterval", 2);
  w.form1.hide();
  w.form1.show();
  w.form1.ToolButton5->click();

  // Whether a confirmed value restarts the countdown is the timer's own rule
  // (the same value keeps it); here: the value reaches the timer, which
  // keeps counting.
  OpenBehaviourDialogAndConfirm(2);
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 2 * 60 * 1000);
  EXPECT_TRUE(w.form1.Timer1.Counting());

  OpenBehaviourDialogAndConfirm(45);
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 45 * 60 * 1000);
  EXPECT_TRUE(w.form1.Timer1.Counting());
  EXPECT_EQ(settings::TimerInterval(), 45);

  w.form1.N5->trigger();
  w.form4.SpinEdit1->setValue(7);
  w.form4.Button2->click();  // Cancel
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), 45 * 60 * 1000);

  // With the timer off the value is still taken, for the next switch on.
  w.form1.ToolButton5->click();
  OpenBehaviourDialogAndConfirm(6000);
  EXPECT_EQ(w.form1.Timer1.IntervalMs(), int64_t{6000} * 60 * 1000);
  EXPECT_FALSE(w.form1.Timer1.Counting());
  EXPECT_TRUE(w.messages.empty());
}

// --- The tray. ---------------------------------------------------------------

TEST_F(PatrolTray, TheTrayIconWaitsUnregisteredWithTheTrayMenu) {
  EXPECT_FALSE(w.form1.TaskTray1.Registered());
  EXPECT_EQ(w.form1.TaskTray1.IconID(), 1);
  EXPECT_FALSE(w.form1.TaskTray1.Icon().isNull());
  EXPECT_EQ(w.form1.TaskTray1.PopupMenuR(), w.form1.PopupMenu4);
}

TEST_F(PatrolTray, WithoutATrayTheWindowStaysAndTheErrorIsShown) {
  TrayAvailable tray(false);
  w.form1.ToolButton6->click();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "タスクトレイに登録できません.");
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  EXPECT_TRUE(w.form1.isVisible());
  EXPECT_FALSE(w.form1.TaskTray1.Registered());
}

TEST_F(PatrolTray, IntoTheTrayAndBackWithTheStoredGeometry) {
  TrayAvailable tray(true);
  settings::WriteGeometry({30, 40, 400, 300, false});
  w.form1.hide();
  w.form1.show();
  TTaskTray& icon = w.form1.TaskTray1;

  struct Restore {
    const char* what;
    std::function<void()> action;
  };
  const std::vector<Restore> restores = {
      {"left double click",
       [&] {
         emit icon.HostForTesting().SystemTrayIcon().activated(QSystemTrayIcon::DoubleClick);
       }},
      {"right double click",
       [&] {
         TTaskTray::HandleTrayMessage(icon.IconID(), TrayMouseMessage::kRightDblClk, QPoint(5, 6));
       }},
      {"tray menu", [&] { w.form1.R1->trigger(); }},
  };
  for (const Restore& restore : restores) {
    SCOPED_TRACE(restore.what);
    w.form1.move(200, 210);
    w.form1.ToolButton6->click();
    EXPECT_TRUE(icon.Registered());
    EXPECT_TRUE(icon.HostForTesting().SystemTrayIcon().isVisible());
    EXPECT_FALSE(w.form1.isVisible());

    restore.action();
    EXPECT_FALSE(icon.Registered());
    EXPECT_FALSE(icon.HostForTesting().SystemTrayIcon().isVisible());
    EXPECT_TRUE(w.form1.isVisible());
    // Where it was at the last close, not where it was moved.
    EXPECT_EQ(w.form1.pos(), QPoint(30, 40));
    EXPECT_EQ(w.form1.size(), QSize(400, 300));
  }
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, ExitFromTheTrayShowsTheWindowAndClosesIt) {
  TrayAvailable tray(true);
  w.form1.move(250, 260);
  w.form1.ToolButton6->click();
  ASSERT_FALSE(w.form1.isVisible());
  // Only the position is stored: the showing takes it, the close writes the
  // whole geometry.
  settings::WriteInteger("Main", "Left", 30);
  settings::WriteInteger("Main", "Top", 40);

  w.form1.Exit1->trigger();
  EXPECT_FALSE(w.form1.isVisible());
  const settings::Geometry stored = Stored();
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({30, 40, 505, 657}));
  EXPECT_FALSE(stored.maximized);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, ATickWhileInTheTrayFetchesWithTheWindowHidden) {
  TrayAvailable tray(true);
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  w.form1.ToolButton6->click();
  ASSERT_FALSE(w.form1.isVisible());

  w.form1.Timer1.SetIntervalMs(20);
  w.form1.N10->trigger();  // on, from the tray menu
  EXPECT_TRUE(w.form1.ToolButton5->isChecked());
  bool hiddenDuringRun = false;
  ASSERT_TRUE(RunOneTick([&] {
    hiddenDuringRun = !w.form1.isVisible();
    w.form1.N10->trigger();  // off again
  }));

  EXPECT_TRUE(hiddenDuringRun);
  EXPECT_FALSE(w.form1.isVisible());
  EXPECT_TRUE(w.form1.TaskTray1.Registered());
  EXPECT_EQ(Rows(), 286);
  EXPECT_TRUE(w.messages.empty());

  w.form1.R1->trigger();
  EXPECT_TRUE(w.form1.isVisible());
  EXPECT_EQ(Rows(), 286);
}

TEST_F(PatrolTray, TheTrayMenusFetchEmptiesTheListAndFetchesWithTheWindowHidden) {
  TrayAvailable tray(true);
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  AddOldRows();
  w.form1.ToolButton6->click();

  w.form1.H1->trigger();
  EXPECT_EQ(Rows(), 0);
  EXPECT_TRUE(w.form2.isVisible());
  EXPECT_FALSE(w.form1.ToolButton3->isEnabled());
  ASSERT_TRUE(test::SpinUntil([&] { return !w.form2.isVisible(); }));
  EXPECT_FALSE(w.form1.isVisible());
  EXPECT_EQ(Rows(), 286);
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

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
      &w.form1, [&] { return w.form2.FetchRun().State().FStatusText.find("Yomiuri") == 0; },
      [&] {
        w.form1.close();
        closed = true;
      });
  w.form1.ToolButton3->click();
  ASSERT_TRUE(test::SpinUntil([&] { return closed && !w.form2.isVisible(); }));
  EXPECT_FALSE(w.form1.isVisible());
  EXPECT_TRUE(w.form2.FetchRun().State().FCancelled);
  EXPECT_EQ(server.Connections(), 2);  // no later site was asked for
}

}  // namespace
}  // namespace quillet
