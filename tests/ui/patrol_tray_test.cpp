// The tray's clicks, and the main window's patrol timer and tray: toggle and
// tray item mirroring each other, ticks that fetch (also with the window in
// the tray), wait or pass silently, Skip and Cancel, the time of the next
// patrol, and hiding into the tray and coming back.
#include <QCursor>
#include <QDateTime>
#include <QLabel>
#include <QStatusBar>

#include <array>
#include <tuple>

#include "core/settings/watch_list.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "support/settings_edits.h"

namespace quillet {
namespace {

TEST(TrayActivationMapper, ClicksCloseInTimeAndPlaceBecomeDoubleClicks) {
  using R = QSystemTrayIcon::ActivationReason;
  const R press = R::Unknown;  // a right press seen by the program itself
  const QPoint p(100, 200);
  const struct {
    std::vector<std::tuple<R, int64_t, QPoint>> steps;
    const char* clicks;
  } cases[] = {
      {{{R::Trigger, 0, p}, {R::Trigger, 399, p + QPoint(5, -5)}, {R::Trigger, 500, p}}, "L LD L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 400, p}, {R::Trigger, 410, p + QPoint(6, 0)}}, "L L L"},
      {{{R::Trigger, 0, p}, {R::DoubleClick, 100, p}, {R::Trigger, 200, p}}, "L LD L"},
      {{{R::Trigger, 0, p}, {R::Context, 100, p}, {R::Context, 300, p}}, "L R RD"},
      {{{R::Context, 0, p}, {press, 100, p}, {R::Context, 200, p}}, "R RD R"},
      {{{R::Context, 0, p}, {press, 400, p}}, "R -"},
  };
  for (const auto& c : cases) {
    TrayActivationMapper mapper(400, 5);
    std::string got;
    for (const auto& [reason, ms, at] : c.steps) {
      std::optional<TrayClick> click = mapper.Map(reason, ms, at);
      if (reason == press && mapper.TakeSecondRightPress(ms, at)) click = TrayClick::kRightDouble;
      got += std::string(got.empty() ? "" : " ") +
             (click ? std::array{"L", "LD", "R", "RD", "M"}[static_cast<size_t>(*click)] : "-");
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
    TrayIconHost::SetAvailableForTesting(true);  // a desktop with a notification area
    w.mainWindow.show();
    PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
    timer.OnTick = [this, tick = std::move(timer.OnTick)] {
      ++ticks;
      tick();
    };
    for (const char* headline : {"old one", "old two"})
      w.mainWindow.AppendRow("", "", headline, 0, std::make_unique<NewsItem>());
  }
  ~PatrolTray() override { TrayIconHost::SetAvailableForTesting(std::nullopt); }
  test::Texts Headlines() { return test::Column(*w.Main<ReportView>("headlineList"), 2); }
  // The patrol timer on or off, from the tray menu and the toolbar in turn
  // (on, it ticks every 20 ms); each shows what the other did.
  void TogglePatrol() {
    PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
    timer.SetIntervalMs(20);
    const bool on = !timer.Counting();
    toggles++ % 2 == 0 ? w.Main<QAction>("trayPatrolAction")->trigger()
                       : w.Main("patrolButton")->click();
    EXPECT_EQ(timer.Counting(), on);
    EXPECT_EQ(w.Main("patrolButton")->isChecked(), on);
    EXPECT_EQ(w.Main<QAction>("trayPatrolAction")->isChecked(), on);
  }
  // Serves events until the progress dialog has come and gone; `whenShown`
  // runs as it appears.
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
  bool InTray() { return w.Main<QSystemTrayIcon>("trayIcon")->isVisible(); }

  int ticks = 0, toggles = 0;
};

// A tick with the window in the tray runs behind it and adds its rows after
// the old ones; Skip and Cancel end a download and the run. Later ticks wait
// for the dialog and for the error box of a run.
TEST_F(PatrolTray, TicksFetchBehindTheTrayAndWaitForTheDialogAndForTheErrorOfARun) {
  // The first run: YOL in full; アサヒ (of no known size) and Impress Watch
  // (no size probe) hang in their pages. The runs after it meet the proxy's
  // refusal at once.
  test::TestServer server;
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  server.Add("HTTP/1.0 200 OK\r\n\r\n" + kYolPage);
  server.Add("HTTP/1.0 200 OK\r\n\r\n");
  for (int site = 0; site < 2; ++site)
    server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  for (int run = 0; run < 3; ++run)
    server.Add("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n");
  w.UseProxy(server.Port());
  test::NetworkCheckStub network(true);
  w.Main("trayButton")->click();
  const auto downloading = [&](int connections) {
    return server.Connections() == connections &&
           test::Find<QLabel>(w.progressDialog, "statusLabel")
               ->text()
               .endsWith(QString::fromUtf8("のヘッドラインを取得しています..."));
  };
  const auto press = [&](const char* button) {
    test::Find<QPushButton>(w.progressDialog, button)->click();
  };
  // Ticks during the run, watched from inside its network waits, do not even
  // ask for the network.
  size_t checksDuringRun = 0;
  bool fetchButtonDuringRun = true;  // a click would start a second run inside this one
  TogglePatrol();
  ASSERT_TRUE(RunOneFetch([&] {
    fetchButtonDuringRun = w.Main("fetchButton")->isEnabled();
    test::WhenReady(
        &w.mainWindow, [&] { return downloading(4); },
        [&] {
          press("skipButton");
          test::WhenReady(
              &w.mainWindow, [&, start = ticks] { return downloading(5) && ticks >= start + 3; },
              [&] {
                checksDuringRun = network.proxies.size();
                press("cancelButton");
              });
        });
  }));
  EXPECT_EQ(checksDuringRun, 1u);
  EXPECT_FALSE(fetchButtonDuringRun);
  EXPECT_EQ(server.Connections(), 5);  // Skip went on to the next site, Cancel ended the run
  EXPECT_EQ(Headlines(), (test::Texts{"old one", "old two", "Alpha", "Beta"}));
  EXPECT_TRUE(!w.mainWindow.isVisible() && InTray());
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
  EXPECT_EQ(
      w.messages[0].text,
      "Yomiuri On Line: プロキシが認証を求めています (407)。接続設定のプロキシのユーザー名とパス"
      "ワードを確かめてください。詳細: Proxy Authentication Required.");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
}

// The notifications the tray icon shows: "title|text" each.
struct Notifications {
  Notifications() {
    TrayIconHost::SetMessageHookForTesting([this](const QString& title, const QString& text) {
      shown.push_back((title + QLatin1Char('|') + text).toStdString());
    });
  }
  ~Notifications() { TrayIconHost::SetMessageHookForTesting(nullptr); }
  test::Texts shown;
};

// A run's new rows are bold and watched rows highlighted; the status area
// and the tray icon's tooltip count them. Out of sight, the window announces
// them once per run, as the settings allow; a click on the notification
// brings it back with the first new row selected.
TEST_F(PatrolTray, NewRowsAreMarkedCountedAndAnnouncedWhenTheWindowIsOutOfSight) {
  for (int c = 1; c < kCategoryCount; ++c)
    test::PutSetting(settings::key::kCheckRouteOf[static_cast<size_t>(c)], false);
  test::PutWatchList({"BETA"});
  const std::string gamma = "<a href=\"/g.htm\">Gamma beta</a>\r\n";
  const std::string delta = "<a href=\"/d.htm\">Delta</a>\r\n";
  const std::string epsilon = "<a href=\"/e.htm\">Epsilon</a>\r\n";
  test::TestServer server;
  const size_t marker = kYolPage.find('\n') + 1;
  for (const std::string& extra : {std::string(), gamma, delta, delta, epsilon}) {
    server.Add("HTTP/1.0 200 OK\r\n\r\n");
    server.Add("HTTP/1.0 200 OK\r\n\r\n" + kYolPage.substr(0, marker) + extra +
               kYolPage.substr(marker));
  }
  w.UseProxy(server.Port());
  test::NetworkCheckStub network(true);
  Notifications notifications;
  auto& list = *w.Main<ReportView>("headlineList");
  const auto marks = [&] {
    test::Texts out;
    for (int row = 0; row < list.model()->rowCount(); ++row) {
      const QModelIndex at = list.model()->index(row, 2);
      out.push_back(at.data().toString().toStdString() +
                    (at.data(Qt::FontRole).value<QFont>().bold() ? " bold" : "") +
                    (at.data(Qt::BackgroundRole).isValid() ? " watched" : ""));
    }
    return out;
  };
  const auto fetch = [&](const char* how) {
    w.Main<QAction>(how)->trigger();
    return RunOneFetch([] {});
  };
  EXPECT_FALSE(w.Main<QStatusBar>("statusBar")->isVisible());

  w.Main("trayButton")->click();
  ASSERT_TRUE(fetch("trayFetchAction"));
  EXPECT_EQ(marks(), (test::Texts{"Alpha bold", "Beta bold watched"}));
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 2件 (ウォッチ 1件)"));
  EXPECT_TRUE(w.Main<QSystemTrayIcon>("trayIcon")
                  ->toolTip()
                  .endsWith(QString::fromUtf8(" 新着 2件 (ウォッチ 1件)")));
  EXPECT_EQ(notifications.shown, test::Texts{"新着 2件 (ウォッチ 1件)|YOL: Beta\nYOL: Alpha"});
  emit w.Main<QSystemTrayIcon>("trayIcon")->messageClicked();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }));
  EXPECT_FALSE(InTray());
  EXPECT_EQ(list.SelectedRow(), 0);

  // In sight: counted, not announced. Minimised: announced from an icon that
  // leaves when the window is back.
  w.Main("fetchButton")->click();
  ASSERT_TRUE(RunOneFetch([] {}));
  EXPECT_EQ(marks(), (test::Texts{"Gamma beta bold watched", "Alpha", "Beta watched"}));
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 1件 (ウォッチ 1件)"));
  w.mainWindow.showMinimized();
  w.Main("fetchButton")->click();
  ASSERT_TRUE(RunOneFetch([] {}));
  ASSERT_EQ(notifications.shown.size(), 2u);
  EXPECT_EQ(notifications.shown[1], "新着 1件|YOL: Delta");
  EXPECT_TRUE(InTray());
  w.mainWindow.showNormal();
  EXPECT_FALSE(InTray());

  // Out of sight with nothing new, or with only unwatched news when only
  // the watched are announced: no notification.
  w.Main("trayButton")->click();
  ASSERT_TRUE(fetch("trayFetchAction"));
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 0件"));
  test::PutSetting(settings::key::kNotify, static_cast<int>(settings::Notify::kWatchOnly));
  ASSERT_TRUE(fetch("trayFetchAction"));
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 1件"));
  EXPECT_EQ(notifications.shown.size(), 2u);
}

// While the patrol timer counts down, the status area and the tray icon's
// tooltip say when it fetches next, by the program's clock.
TEST_F(PatrolTray, TheStatusAreaAndTheTooltipSayWhenTheNextPatrolRuns) {
  test::NetworkCheckStub network(false);  // the ticks fetch nothing
  const auto at = [](int hour, int minute, int second) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute, second)).toSecsSinceEpoch();
  };
  auto& label = *w.Main<QLabel>("nextPatrolLabel");
  const auto shown = [&] {
    return (w.Main<QStatusBar>("statusBar")->isVisible() ? "bar|" : "|") +
           (label.isVisible() ? label.text() : QString()).toStdString() + "|" +
           w.Main<QSystemTrayIcon>("trayIcon")->toolTip().toStdString();
  };
  PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
  SetClockForTesting(at(14, 0, 30));
  timer.SetIntervalMinutes(5);
  w.Main("patrolButton")->click();
  EXPECT_EQ(shown(), "bar|次の巡回 14:05|Quillet\n次の巡回 14:05");
  SetClockForTesting(at(14, 3, 0));
  timer.SetIntervalMinutes(10);  // as the behaviour dialog sets it
  EXPECT_EQ(shown(), "bar|次の巡回 14:13|Quillet\n次の巡回 14:13");
  // A tick starts the next countdown; the last run's lines come first.
  SetClockForTesting(at(14, 13, 0));
  timer.SetIntervalMs(1000);
  SetClockForTesting(at(14, 20, 10));
  w.mainWindow.FetchRunEnded();
  EXPECT_EQ(shown(), "bar|次の巡回 14:13|Quillet\n最終巡回 14:20 新着 0件\n次の巡回 14:13");
  ASSERT_TRUE(test::SpinUntil([&] { return ticks == 1; }));
  EXPECT_EQ(shown(), "bar|次の巡回 14:20|Quillet\n最終巡回 14:20 新着 0件\n次の巡回 14:20");
  w.Main<QAction>("trayPatrolAction")->trigger();
  EXPECT_EQ(shown(), "bar||Quillet\n最終巡回 14:20 新着 0件");
}

TEST_F(PatrolTray, WithoutANetworkTheFetchButtonSaysSoAndATickPassesSilently) {
  test::PutSetting(settings::key::kProxy, "192.0.2.1:8080");
  test::NetworkCheckStub network(false);
  w.Main("fetchButton")->click();
  TogglePatrol();
  ASSERT_TRUE(test::SpinUntil([&] { return network.proxies.size() >= 3; }));
  TogglePatrol();
  EXPECT_EQ(network.proxies[0], "192.0.2.1:8080");
  ASSERT_EQ(w.messages.size(), 1u);  // the button's, not the ticks'
  EXPECT_EQ(w.messages[0].text, "ネットワークに接続されていません");
  EXPECT_FALSE(w.progressDialog.isVisible());
  EXPECT_EQ(Headlines().size(), 2u);  // the list as it was
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
}

// A tick while a menu is open (the tray's, say) waits until it has closed:
// the progress dialog appearing would close it under the user's pointer.
TEST_F(PatrolTray, ATickWaitsWhileAMenuIsOpen) {
  test::NetworkCheckStub network(false);
  auto* menu = w.Main<QMenu>("trayMenu");
  menu->popup(QPoint(10, 10));
  ASSERT_EQ(QApplication::activePopupWidget(), menu);
  w.mainWindow.PatrolTimerForTesting().OnTick();
  EXPECT_FALSE(test::SpinUntil([&] { return !network.proxies.empty(); }, 1'200));
  menu->close();
  EXPECT_TRUE(test::SpinUntil([&] { return !network.proxies.empty(); }, 5'000));
  EXPECT_EQ(network.proxies.size(), 1u);
}

TEST_F(PatrolTray, IntoTheTrayAndBackAsTheUserLeftIt) {
  // Without a tray the window stays, and the next attempt tries again.
  TrayIconHost::SetAvailableForTesting(false);
  w.Main("trayButton")->click();
  TrayIconHost::SetAvailableForTesting(true);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "タスクトレイに登録できません.");
  EXPECT_TRUE(w.mainWindow.isVisible() && !InTray());
  test::PutGeometry({30, 40, 400, 300, false});
  QMenu& menu = *w.Main<QMenu>("trayMenu");
  // The tray's clicks are handled from the event loop, not inside the tray
  // widget's handler: removing the icon deletes that widget.
  const auto click = [&](QSystemTrayIcon::ActivationReason reason) {
    emit w.Main<QSystemTrayIcon>("trayIcon")->activated(reason);
    EXPECT_TRUE(InTray()) << "handled inside the tray's own handler";
    QCoreApplication::processEvents();
  };
  bool restoredDuringMenu = false;
  const std::function<void()> restores[] = {
      [&] { click(QSystemTrayIcon::DoubleClick); },
      [&] {
        // A right double click: the first click opens the menu, which holds
        // the tray (a double click meanwhile is dropped) and takes the
        // second press.
        const auto second = QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
          QTimer::singleShot(0, &menu, [&] {
            click(QSystemTrayIcon::DoubleClick);
            restoredDuringMenu = w.mainWindow.isVisible();
            const QPoint at = QCursor::pos();
            QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at, Qt::RightButton,
                              Qt::RightButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&menu, &press);
            if (menu.isVisible()) menu.close();  // so that a failure cannot hang the test
          });
        });
        click(QSystemTrayIcon::Context);
        QObject::disconnect(second);
      },
      [&] { w.Main<QAction>("trayRestoreAction")->trigger(); },
  };
  for (int step = 0; step < 3; ++step) {
    SCOPED_TRACE(step);
    const QRect left(200 + step, 210, 420 + step, 330);
    w.mainWindow.move(left.topLeft());
    w.mainWindow.resize(left.size());
    w.Main("trayButton")->click();
    EXPECT_TRUE(InTray() && !w.mainWindow.isVisible());
    restores[step]();
    EXPECT_TRUE(!InTray() && w.mainWindow.isVisible());
    // Where and as large as it was when it was hidden, not the stored bounds.
    EXPECT_EQ(QRect(w.mainWindow.pos(), w.mainWindow.size()), left);
  }
  EXPECT_FALSE(restoredDuringMenu);
  EXPECT_EQ(w.messages.size(), 1u);
}

TEST_F(PatrolTray, ExitFromTheTrayQuitsWithTheGeometryOfTheHiddenWindow) {
  // Maximized: the normal bounds are stored, and the window stays hidden.
  w.mainWindow.move(250, 260);
  w.mainWindow.resize(450, 350);
  w.mainWindow.showMaximized();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isMaximized(); }));
  w.Main("trayButton")->click();
  test::PutGeometry({30, 40, 400, 300, false});
  struct ShowWatch : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
      shown = shown || event->type() == QEvent::Show;
      return false;
    }
    bool shown = false;
  } watch;
  w.mainWindow.installEventFilter(&watch);
  w.Main<QAction>("trayQuitAction")->trigger();
  EXPECT_FALSE(watch.shown);
  const settings::Geometry g = settings::ReadSettings().geometry;
  EXPECT_EQ((std::vector<int>{g.left, g.top, g.width, g.height, g.maximized}),
            (std::vector<int>{250, 260, 450, 350, true}));
}

}  // namespace
}  // namespace quillet
