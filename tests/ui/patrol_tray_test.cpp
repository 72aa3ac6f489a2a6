// The patrol timer and the tray icon: the timer's rules, the tray's clicks,
// and in the main window the toolbar toggle and tray item mirroring each
// other, ticks that fetch (also while the window sits in the tray), wait or
// pass silently, and hiding into the tray and coming back.
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>

#include <string>
#include <tuple>
#include <vector>

#include "core/sites/catalogue.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

using test::Find;

// Serves events for `ms` milliseconds.
void SpinFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  test::SpinUntil([&] { return clock.elapsed() >= ms; });
}

TEST(PatrolTimer, TicksOnlyWithAnIntervalAndOnlyANewValueRestartsTheCountdown) {
  PatrolTimer timer;
  int ticks = 0;
  timer.OnTick = [&] { ++ticks; };
  timer.SetIntervalMinutes(int64_t{1} << 40);  // cut to what the timer holds
  EXPECT_EQ(timer.IntervalMs(), 35791 * 60'000);
  timer.SetIntervalMinutes(-5);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.IntervalMs(), 0);
  EXPECT_FALSE(timer.Counting());  // an interval of 0 never fires

  // Setting the same interval and state again and again never delays a tick.
  timer.SetIntervalMs(150);
  EXPECT_TRUE(test::SpinUntil([&] {
    timer.SetIntervalMs(150);
    timer.SetEnabled(true);
    return ticks > 0;
  }));
  // A different interval every 50 ms restarts the countdown each time: in
  // 600 ms the 400 ms tick never comes.
  ticks = 0;
  for (int i = 0; i < 12; ++i) {
    timer.SetIntervalMs(i % 2 ? 400 : 410);
    SpinFor(50);
  }
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Counting());
}

TEST(TrayActivationMapper, ClicksCloseInTimeAndPlaceBecomeDoubleClicks) {
  using R = QSystemTrayIcon::ActivationReason;
  static const char* const kNames[] = {"L", "LDbl", "R", "RDbl", "M"};
  struct Step {
    R reason;  // Unknown with press=true: a right press seen by the program
    int64_t ms;
    QPoint pos;
    bool press = false;
  };
  const QPoint p(100, 200);
  const struct {
    std::vector<Step> steps;
    const char* clicks;
  } cases[] = {
      {{{R::Trigger, 0, p}, {R::Trigger, 399, p + QPoint(5, -5)}}, "L LDbl"},
      {{{R::Trigger, 0, p}, {R::Trigger, 400, p}}, "L L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 10, p + QPoint(6, 0)}}, "L L"},
      {{{R::Trigger, 0, p}, {R::DoubleClick, 100, p}, {R::Trigger, 200, p}}, "L LDbl L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 100, p}, {R::Trigger, 200, p}}, "L LDbl L"},
      {{{R::Trigger, 0, p}, {R::Context, 100, p}, {R::Context, 300, p}}, "L R RDbl"},
      {{{R::MiddleClick, 0, p}, {R::MiddleClick, 100, p}, {R::Unknown, 100, p}}, "M M -"},
      {{{R::Context, 0, p}, {R::Unknown, 100, p, true}, {R::Context, 200, p}}, "R RDbl R"},
      {{{R::Context, 0, p}, {R::Unknown, 400, p, true}}, "R -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clicks);
    TrayActivationMapper mapper(400, 5);
    std::string got;
    for (const Step& step : c.steps) {
      got += got.empty() ? "" : " ";
      if (step.press) {
        got += mapper.TakeSecondRightPress(step.ms, step.pos) ? "RDbl" : "-";
      } else {
        const std::optional<TrayClick> click = mapper.Map(step.reason, step.ms, step.pos);
        got += click ? kNames[static_cast<int>(*click)] : "-";
      }
    }
    EXPECT_EQ(got, c.clicks);
  }
}

const std::string kYolPage =
    "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
    "<a href=\"/b.htm\">Beta</a>\r\n<!-- /topnews/headline=end -->\r\n";

class PatrolTray : public test::WindowsTest {
 protected:
  PatrolTray() {
    w.progressDialog.Runner().Http().idleTimeout = std::chrono::seconds(10);
    w.mainWindow.show();
    PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
    timer.OnTick = [this, tick = std::move(timer.OnTick)] {
      ++ticks;
      tick();
    };
    for (const char* headline : {"old one", "old two"}) {
      w.mainWindow.AppendRow("OLD", "genre", headline, 0,
                             std::make_unique<NewsItem>(NewsItem{"OLD", headline, "u", "genre"}));
    }
  }
  std::vector<std::string> Headlines() {
    std::vector<std::string> texts;
    auto* list = w.Main<ReportView>("headlineList");
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      texts.push_back(list->topLevelItem(row)->text(2).toStdString());
    return texts;
  }
  // The patrol timer on or off from the tray menu; on, it ticks every 20 ms.
  void TogglePatrol() {
    w.mainWindow.PatrolTimerForTesting().SetIntervalMs(20);
    w.Main<QAction>("trayPatrolAction")->trigger();
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
  QSystemTrayIcon* Icon() { return w.Main<QSystemTrayIcon>("trayIcon"); }

  test::TrayAvailable tray{true};
  int ticks = 0;
};

TEST_F(PatrolTray, ToolbarToggleAndTrayItemMirrorEachOther) {
  QToolButton* button = w.Main("patrolButton");
  QAction* item = w.Main<QAction>("trayPatrolAction");
  const std::tuple<const char*, std::function<void()>, bool> steps[] = {
      {"toolbar on", [&] { button->click(); }, true},
      {"tray item off", [&] { item->trigger(); }, false},
      {"tray item on", [&] { item->trigger(); }, true},
      {"toolbar off", [&] { button->click(); }, false},
  };
  for (const auto& [what, action, on] : steps) {
    SCOPED_TRACE(what);
    action();
    EXPECT_EQ(button->isChecked(), on);
    EXPECT_EQ(item->isChecked(), on);
    EXPECT_EQ(w.mainWindow.PatrolTimerForTesting().Counting(), on);
  }
}

TEST_F(PatrolTray, ATickInTheTrayAddsRowsAfterTheOldOnesWithTheWindowHidden) {
  // YOL alone: its size probe and its page, for two runs.
  for (int category = Sites()[1].firstCategory; category < kCategoryCount; ++category)
    settings::WriteBool("CheckRoute", std::to_string(category), false);
  test::TestServer server;
  for (int run = 0; run < 2; ++run) {
    server.Add("HTTP/1.0 200 OK\r\n\r\n");
    server.Add("HTTP/1.0 200 OK\r\n\r\n" + kYolPage);
  }
  w.UseProxy(server.Port());
  w.Main("trayButton")->click();
  bool hiddenAndBusy = false;
  TogglePatrol();
  ASSERT_TRUE(RunOneFetch([&] {
    hiddenAndBusy = !w.mainWindow.isVisible() && !w.Main("fetchButton")->isEnabled();
    TogglePatrol();  // one run is enough
  }));
  EXPECT_TRUE(hiddenAndBusy);
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(Icon()->isVisible());
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
  EXPECT_EQ(Headlines(), (std::vector<std::string>{"old one", "old two", "Alpha", "Beta"}));

  // The tray menu's fetch, unlike a tick, empties the list first.
  w.Main<QAction>("trayFetchAction")->trigger();
  EXPECT_TRUE(Headlines().empty());
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  EXPECT_EQ(Headlines(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, TicksStartNoRunWhileTheDialogOrTheErrorOfARunIsOpen) {
  // The first run hangs in YOL's page until cancelled; the next ones meet
  // the proxy's refusal at once.
  test::TestServer server;
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  for (int run = 0; run < 3; ++run)
    server.Add("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n");
  w.UseProxy(server.Port());
  test::NetworkCheckStub network(true);
  w.Main("trayButton")->click();

  // Three ticks during the run, watched from inside its network waits, do
  // not even ask for the network.
  size_t checksDuringRun = 0;
  TogglePatrol();
  ASSERT_TRUE(RunOneFetch([&] {
    test::WhenReady(
        &w.mainWindow, [&, start = ticks] { return ticks >= start + 3; },
        [&] {
          checksDuringRun = network.proxies.size();
          Find<QPushButton>(w.progressDialog, "cancelButton")->click();
        });
  }));
  EXPECT_EQ(checksDuringRun, 1u);
  EXPECT_TRUE(w.messages.empty());

  // The next tick's run fails; its box comes after the clean-up, and while it
  // is open three ticks start nothing. Once it is closed, the next tick runs.
  bool cleanedUpFirst = false;
  size_t checksWhileOpen = 0;
  bool dialogWhileOpen = true;
  w.OnMessage = [&] {
    if (w.messages.size() != 1) return;
    cleanedUpFirst = !w.progressDialog.isVisible() && w.Main("fetchButton")->isEnabled();
    const size_t checks = network.proxies.size();
    test::SpinUntil([&, start = ticks] { return ticks >= start + 3; });
    checksWhileOpen = network.proxies.size() - checks;
    dialogWhileOpen = w.progressDialog.isVisible();
  };
  ASSERT_TRUE(test::SpinUntil([&] { return w.messages.size() >= 2; }));
  TogglePatrol();
  EXPECT_TRUE(cleanedUpFirst);
  EXPECT_EQ(checksWhileOpen, 0u);
  EXPECT_FALSE(dialogWhileOpen);
  EXPECT_EQ(w.messages[0].text, "Proxy Authentication Required.");
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  EXPECT_FALSE(w.mainWindow.isVisible());
}

TEST_F(PatrolTray, WithoutANetworkTheFetchButtonSaysSoAndATickPassesSilently) {
  settings::WriteString("HTTP", "Proxy", "192.0.2.1:8080");
  test::NetworkCheckStub network(false);
  w.Main("fetchButton")->click();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ネットワークに接続されていません");
  EXPECT_EQ(w.messages[0].caption, "エラー");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kExclamation);

  TogglePatrol();
  ASSERT_TRUE(test::SpinUntil([&] { return network.proxies.size() >= 3; }));
  TogglePatrol();
  EXPECT_EQ(network.proxies[0], "192.0.2.1:8080");
  EXPECT_EQ(w.messages.size(), 1u);
  EXPECT_FALSE(w.progressDialog.isVisible());
  EXPECT_EQ(Headlines().size(), 2u);
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
}

TEST_F(PatrolTray, TheBehaviourDialogSetsTheIntervalOnOkOnly) {
  const auto setInterval = [this](int minutes, const char* button) {
    w.Main<QAction>("behaviourAction")->trigger();
    Find<QSpinBox>(w.behaviourDialog, "intervalSpin")->setValue(minutes);
    Find<QPushButton>(w.behaviourDialog, button)->click();
  };
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 120 * 60'000);
  w.Main("patrolButton")->click();
  setInterval(45, "okButton");
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 45 * 60'000);
  EXPECT_TRUE(w.mainWindow.PatrolTimerForTesting().Counting());
  setInterval(7, "cancelButton");
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 45 * 60'000);
  // With the timer off the value is still taken, for the next switch on.
  w.Main("patrolButton")->click();
  setInterval(6000, "okButton");
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), int64_t{6000} * 60'000);
  EXPECT_FALSE(w.mainWindow.PatrolTimerForTesting().Counting());
}

TEST_F(PatrolTray, WithoutATrayTheWindowStaysAndTheNextAttemptTriesAgain) {
  TrayIconHost::SetAvailableForTesting(false);
  w.Main("trayButton")->click();
  TrayIconHost::SetAvailableForTesting(true);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "タスクトレイに登録できません.");
  EXPECT_TRUE(w.mainWindow.isVisible());
  EXPECT_FALSE(Icon()->isVisible());
  w.Main("trayButton")->click();
  EXPECT_FALSE(w.mainWindow.isVisible());
  EXPECT_TRUE(Icon()->isVisible());
}

TEST_F(PatrolTray, IntoTheTrayAndBackAsTheUserLeftIt) {
  settings::WriteGeometry({30, 40, 400, 300, false});
  QMenu& menu = *w.Main<QMenu>("trayMenu");
  // The tray's clicks are handled from the event loop.
  const auto click = [&](QSystemTrayIcon::ActivationReason reason) {
    emit Icon()->activated(reason);
    QCoreApplication::processEvents();
  };
  bool restoredDuringMenu = true;
  const std::pair<const char*, std::function<void()>> restores[] = {
      {"left double click", [&] { click(QSystemTrayIcon::DoubleClick); }},
      {"two close left clicks",
       [&] {
         click(QSystemTrayIcon::Trigger);
         click(QSystemTrayIcon::Trigger);
       }},
      {"right double click",
       [&] {
         // The first click opens the menu. It holds the tray (a double click
         // meanwhile is dropped) and takes the second press.
         const auto secondPress = QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
           QTimer::singleShot(0, &menu, [&] {
             click(QSystemTrayIcon::DoubleClick);
             restoredDuringMenu = w.mainWindow.isVisible();
             const QPoint at = QCursor::pos();
             QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at,
                               Qt::RightButton, Qt::RightButton, Qt::NoModifier);
             QCoreApplication::sendEvent(&menu, &press);
             if (menu.isVisible()) menu.close();  // so that a failure cannot hang the test
           });
         });
         click(QSystemTrayIcon::Context);
         QObject::disconnect(secondPress);
       }},
      {"tray menu", [&] { w.Main<QAction>("trayRestoreAction")->trigger(); }},
  };
  int step = 0;
  for (const auto& [what, restore] : restores) {
    SCOPED_TRACE(what);
    const QPoint left(200 + step, 210);
    const QSize size(420 + step, 330);
    ++step;
    w.mainWindow.move(left);
    w.mainWindow.resize(size);
    w.Main("trayButton")->click();
    EXPECT_TRUE(Icon()->isVisible());
    EXPECT_FALSE(w.mainWindow.isVisible());
    restore();
    EXPECT_FALSE(Icon()->isVisible());
    EXPECT_TRUE(w.mainWindow.isVisible());
    // Where and as large as it was when it was hidden, not the stored bounds.
    EXPECT_EQ(w.mainWindow.pos(), left);
    EXPECT_EQ(w.mainWindow.size(), size);
  }
  EXPECT_FALSE(restoredDuringMenu);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(PatrolTray, ExitFromTheTrayQuitsWithTheGeometryOfTheHiddenWindow) {
  w.mainWindow.move(250, 260);
  w.mainWindow.resize(450, 350);
  w.Main("trayButton")->click();
  ASSERT_FALSE(w.mainWindow.isVisible());
  settings::WriteGeometry({30, 40, 400, 300, false});
  bool shownAgain = false;
  test::WhenReady(
      &w.mainWindow, [&] { return w.mainWindow.isVisible(); }, [&] { shownAgain = true; });
  w.Main<QAction>("trayQuitAction")->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(shownAgain);
  const settings::Geometry stored = settings::ReadGeometry({-1, -1, -1, -1, true});
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({250, 260, 450, 350}));
  EXPECT_FALSE(stored.maximized);
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace quillet
