// The tray's clicks, the patrol's ticks, the tray and back, and news announced
// out of sight (by a scripted service on a private session bus, or a balloon).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>

#include <array>
#include <tuple>

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

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// A session bus of the test's own, with no services to start; the program
// finds it through DBUS_SESSION_BUS_ADDRESS while the object lives.
struct PrivateBus {
  PrivateBus() {
    const QString config = folder.filePath(QStringLiteral("bus.conf"));
    test::WriteBytes(
        config.toStdString(),
        "<busconfig><type>session</type><listen>unix:dir=" + folder.path().toStdString() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
            "</policy></busconfig>");
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                  QStringLiteral("--config-file=") + config});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10'000))
      throw std::runtime_error("dbus-daemon did not start (Debian package dbus-daemon)");
    address = QString::fromUtf8(daemon.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  ~PrivateBus() {
    qputenv("DBUS_SESSION_BUS_ADDRESS", previous);
    daemon.kill();
    daemon.waitForFinished();
  }
  QTemporaryDir folder;
  QProcess daemon;
  const QByteArray previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  QString address;
};

// The desktop's notification service: records each Notify call ("body|id
// replaced") and answers it with the next id, or refuses it.
struct NotificationService : QDBusVirtualObject {
  explicit NotificationService(const QString& address)
      : bus(QDBusConnection::connectToBus(address, QStringLiteral("test-notification-service"))) {
    bus.registerVirtualObject(kPath, this);
    bus.registerService(kService);
  }
  ~NotificationService() override {
    QDBusConnection::disconnectFromBus(QStringLiteral("test-notification-service"));
  }
  void Click(uint id) {
    bus.send(QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"))
             << id << QStringLiteral("default"));
  }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QStringLiteral("GetCapabilities")) {
      connection.send(message.createReply(
          QVariant(QStringList{QStringLiteral("actions"), QStringLiteral("body-markup")})));
      return true;
    }
    if (message.member() != QStringLiteral("Notify")) return false;
    const QList<QVariant> a = message.arguments();
    calls.push_back((a[4].toString() + QStringLiteral("|%1").arg(a[1].toUInt())).toStdString());
    connection.send(refuse ? message.createErrorReply(QStringLiteral("org.example.Refused"),
                                                      QStringLiteral("no"))
                           : message.createReply(QVariant(uint(calls.size() + 40))));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

  QDBusConnection bus;
  test::Texts calls;
  bool refuse = false;
};

// The bus comes first and goes last: the window's connection to it closes
// before the bus daemon ends.
class PatrolTray : protected PrivateBus, public test::WindowsTest {
 protected:
  PatrolTray() {
    TrayIconHost::SetAvailableForTesting(true);  // a desktop with a notification area
    w.mainWindow.show();
    PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
    timer.OnTick = [this, tick = std::move(timer.OnTick)] {
      ++ticks;
      tick();
    };
  }
  ~PatrolTray() override {
    TrayIconHost::SetMessageHookForTesting(nullptr);
    TrayIconHost::SetAvailableForTesting(std::nullopt);
  }
  // The patrol on or off (ticking every 20 ms), from the tray menu and the
  // toolbar in turn; each shows what the other did.
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
  // A run adding rows after the list's; "+" marks a headline new, "!" watched.
  void Run(std::initializer_list<const char*> headlines) {
    w.mainWindow.FetchRunStarting();
    for (std::string headline : headlines) {
      auto item = std::make_unique<NewsItem>();
      for (; headline[0] == '+' || headline[0] == '!'; headline.erase(0, 1))
        (headline[0] == '+' ? item->isNew : item->watched) = true;
      w.mainWindow.AppendRow("YOL", "", headline, 0, std::move(item));
    }
    w.mainWindow.FetchRunEnded();
  }
  bool InTray() { return w.Main<QSystemTrayIcon>("trayIcon")->isVisible(); }

  int ticks = 0, toggles = 0;
  test::Texts balloons;
};

// Ticks fetch behind the tray, adding rows after the old ones; Skip ends a
// download, Cancel the run. Later ticks wait for the dialog and a run's error.
TEST_F(PatrolTray, TicksFetchBehindTheTrayAndWaitForTheDialogAndForTheErrorOfARun) {
  // The first run: YOL in full; アサヒ (of no known size) and Impress Watch
  // (no size probe) hang in their pages. Later runs meet the proxy's refusal.
  test::TestServer server;
  for (const char* body : {"",
                           "<!-- /topnews/headline=start -->\r\n<a href=\"/a.htm\">Alpha</a>\r\n"
                           "<!-- /topnews/headline=end -->\r\n",
                           ""})
    server.Add(std::string("HTTP/1.0 200 OK\r\n\r\n") + body);
  for (int site = 0; site < 2; ++site)
    server.Add({{{"HTTP/1.0 200 OK\r\n\r\n<html>", 0}}, false});
  for (int run = 0; run < 3; ++run)
    server.Add("HTTP/1.0 407 Proxy Authentication Required\r\n\r\n");
  w.UseProxy(server.Port());
  test::NetworkCheckStub network(true);
  w.mainWindow.AppendRow("", "", "old", 0, std::make_unique<NewsItem>());
  w.Main("trayButton")->click();
  const auto downloading = [&](int connections) {
    return server.Connections() == connections &&
           test::Find<QLabel>(w.progressDialog, "statusLabel")
               ->text()
               .endsWith(QString::fromUtf8("のヘッドラインを取得しています..."));
  };
  // Ticks during the run (seen inside its network waits) ask for nothing.
  size_t checksDuringRun = 0;
  bool fetchButtonDuringRun = true;  // a click would start a second run inside this one
  TogglePatrol();
  test::WhenReady(
      &w.mainWindow, [&] { return downloading(4); },
      [&] {
        fetchButtonDuringRun = w.Main("fetchButton")->isEnabled();
        test::Find<QPushButton>(w.progressDialog, "skipButton")->click();
        test::WhenReady(
            &w.mainWindow, [&, start = ticks] { return downloading(5) && ticks >= start + 3; },
            [&] {
              checksDuringRun = network.proxies.size();
              TogglePatrol();  // off: no tick may start the next run before the checks below
              test::Find<QPushButton>(w.progressDialog, "cancelButton")->click();
            });
      });
  ASSERT_TRUE(
      test::SpinUntil([&] { return checksDuringRun > 0 && !w.progressDialog.isVisible(); }));
  EXPECT_EQ(checksDuringRun, 1u);
  EXPECT_FALSE(fetchButtonDuringRun);
  EXPECT_EQ(server.Connections(), 5);  // Skip went on to the next site, Cancel ended the run
  EXPECT_EQ(test::Column(*w.Main<ReportView>("headlineList"), 2), (test::Texts{"old", "Alpha"}));
  EXPECT_TRUE(!w.mainWindow.isVisible() && InTray());
  EXPECT_TRUE(w.messages.empty());

  // The next run fails; while its box is open ticks start nothing.
  size_t checksWhileOpen = 1;
  w.OnMessage = [&] {
    if (w.messages.size() != 1) return;
    const size_t checks = network.proxies.size();
    test::SpinUntil([&, start = ticks] { return ticks >= start + 3; });
    checksWhileOpen = network.proxies.size() - checks;
  };
  TogglePatrol();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.messages.empty(); }));
  TogglePatrol();
  EXPECT_EQ(checksWhileOpen, 0u);
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
}

// The status area and the tooltip say when the patrol fetches next. Without a
// network a fetch says so and ticks pass silently.
TEST_F(PatrolTray, TheNextPatrolIsShownAndWithoutANetworkTicksPassSilently) {
  test::NetworkCheckStub network(false);
  const auto at = [](int hour, int minute) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute)).toSecsSinceEpoch();
  };
  const auto shown = [&] {
    auto& label = *w.Main<QLabel>("nextPatrolLabel");
    return (w.Main<QStatusBar>("statusBar")->isVisible() ? "bar|" : "|") +
           (label.isVisible() ? label.text() : QString()).toStdString() + "|" +
           w.Main<QSystemTrayIcon>("trayIcon")->toolTip().toStdString();
  };
  PatrolTimer& timer = w.mainWindow.PatrolTimerForTesting();
  EXPECT_EQ(shown(), "||Quillet");
  SetClockForTesting(at(14, 0));
  timer.SetIntervalMinutes(5);
  w.Main("patrolButton")->click();
  EXPECT_EQ(shown(), "bar|次の巡回 14:05|Quillet\n次の巡回 14:05");
  // A tick starts the next countdown; the last run's lines come first.
  timer.SetIntervalMs(1000);
  SetClockForTesting(at(14, 20));
  w.mainWindow.FetchRunEnded();
  ASSERT_TRUE(test::SpinUntil([&] { return ticks == 1; }));
  EXPECT_EQ(shown(), "bar|次の巡回 14:20|Quillet\n最終巡回 14:20 新着 0件\n次の巡回 14:20");
  w.Main<QAction>("trayPatrolAction")->trigger();
  EXPECT_EQ(shown(), "bar||Quillet\n最終巡回 14:20 新着 0件");

  network.proxies.clear();
  test::PutSetting(settings::key::kProxy, "192.0.2.1:8080");
  w.Main<QAction>("trayFetchAction")->trigger();
  TogglePatrol();
  ASSERT_TRUE(test::SpinUntil([&] { return network.proxies.size() >= 3; }));
  TogglePatrol();
  EXPECT_EQ(network.proxies[0], "192.0.2.1:8080");
  ASSERT_EQ(w.messages.size(), 1u);  // the tray item's, not the ticks'
  EXPECT_EQ(w.messages[0].text, "ネットワークに接続されていません");
  EXPECT_FALSE(w.progressDialog.isVisible());
  EXPECT_TRUE(w.Main("fetchButton")->isEnabled());
}

// The window comes back from the tray as it was hidden, by a double click or
// the menu; Exit quits with those bounds stored.
TEST_F(PatrolTray, IntoTheTrayAndBackAsTheUserLeftIt) {
  // Without a tray the window stays, and the next attempt tries again.
  TrayIconHost::SetAvailableForTesting(false);
  w.Main("trayButton")->click();
  TrayIconHost::SetAvailableForTesting(true);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "タスクトレイに登録できません.");
  EXPECT_TRUE(w.mainWindow.isVisible() && !InTray());
  test::PutGeometry({30, 40, 400, 300, false});
  // Clicks are handled from the event loop, not inside the tray widget's
  // handler: removing the icon deletes that widget.
  const auto click = [&](QSystemTrayIcon::ActivationReason reason) {
    emit w.Main<QSystemTrayIcon>("trayIcon")->activated(reason);
    EXPECT_TRUE(InTray()) << "handled inside the tray's own handler";
    QCoreApplication::processEvents();
  };
  const std::function<void()> restores[] = {
      [&] { click(QSystemTrayIcon::DoubleClick); },
      [&] { w.Main<QAction>("trayRestoreAction")->trigger(); },
  };
  for (int step = 0; step < 2; ++step) {
    SCOPED_TRACE(step);
    const QRect left(200 + step, 210, 420 + step, 330);
    w.mainWindow.move(left.topLeft());
    w.mainWindow.resize(left.size());
    w.Main("trayButton")->click();
    EXPECT_TRUE(InTray() && !w.mainWindow.isVisible());
    restores[step]();
    EXPECT_TRUE(!InTray() && w.mainWindow.isVisible());
    EXPECT_EQ(QRect(w.mainWindow.pos(), w.mainWindow.size()), left);
  }
  EXPECT_EQ(w.messages.size(), 1u);

  // Maximized: the normal bounds are stored.
  w.mainWindow.showMaximized();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isMaximized(); }));
  w.Main("trayButton")->click();
  w.Main<QAction>("trayQuitAction")->trigger();
  const settings::Geometry g = settings::ReadSettings().geometry;
  EXPECT_EQ((std::vector<int>{g.left, g.top, g.width, g.height, g.maximized}),
            (std::vector<int>{201, 210, 421, 330, true}));
}

TEST_F(PatrolTray, OutOfSightARunsNewsIsAnnouncedOnceAndItsClickShowsTheFirstNewRow) {
  TrayIconHost::SetMessageHookForTesting([this](const QString& title, const QString& text) {
    balloons.push_back((title + QLatin1Char('|') + text).toStdString());
  });
  test::PutWatchList({"BETA"});
  // No session bus: the balloon, whose click shows the first new row.
  w.mainWindow.AppendRow("", "", "old beta", 0, std::make_unique<NewsItem>());
  w.Main("trayButton")->click();
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
  Run({"+Alpha", "+!Beta"});
  qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  std::string shown;  // the headlines with their marks
  const auto& rows = *w.Main<ReportView>("headlineList")->model();
  for (int row = 0; row < rows.rowCount(); ++row)
    shown += rows.index(row, 2).data().toString().toStdString() +
             (rows.index(row, 2).data(Qt::FontRole).value<QFont>().bold() ? " bold" : "") +
             (rows.index(row, 2).data(Qt::BackgroundRole).isValid() ? " watched" : "") + ", ";
  EXPECT_EQ(shown + w.Main<QLabel>("newCountLabel")->text().toStdString(),
            "old beta watched, Alpha bold, Beta bold watched, 新着 2件 (ウォッチ 1件)");
  EXPECT_EQ(balloons, test::Texts{"新着 2件 (ウォッチ 1件)|YOL: Beta\nYOL: Alpha"});
  emit w.Main<QSystemTrayIcon>("trayIcon")->messageClicked();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }));
  EXPECT_FALSE(InTray());
  EXPECT_EQ(w.Main<ReportView>("headlineList")->SelectedRow(), 1);

  Run({"+!Gamma"});  // in sight: not announced

  // The desktop's service, as markup; only a click on its own notification
  // shows the window. The next replaces it; a refused one goes to the balloon.
  NotificationService service(address);
  w.Main("trayButton")->click();
  Run({"+A & <b>"});
  ASSERT_TRUE(test::SpinUntil([&] { return service.calls.size() == 1; }));
  EXPECT_EQ(service.calls[0], "YOL: A &amp; &lt;b&gt;|0");
  service.Click(7);
  EXPECT_FALSE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }, 300));
  service.Click(41);
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }));
  w.Main("trayButton")->click();
  Run({"+B"});
  ASSERT_TRUE(test::SpinUntil([&] { return service.calls.size() == 2; }));
  EXPECT_EQ(service.calls[1], "YOL: B|41");
  service.refuse = true;
  Run({"+C"});
  ASSERT_TRUE(test::SpinUntil([&] { return balloons.size() == 2; }));
  EXPECT_EQ(balloons.back(), "新着 1件|YOL: C");

  // With only watched news announced, a run without any is not.
  test::PutSetting(settings::key::kNotify, static_cast<int>(settings::Notify::kWatchOnly));
  Run({"+Epsilon"});
  QCoreApplication::processEvents();
  EXPECT_EQ(service.calls.size() + balloons.size(), 5u);
}

}  // namespace
}  // namespace quillet
