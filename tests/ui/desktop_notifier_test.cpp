// News announced while the window is out of sight: through the desktop's
// notification service (a scripted one on a private session bus), else as the
// tray balloon; and the run's new and watched rows marked and counted.
#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>

#include "program_windows.h"
#include "ui/tray/tray_icon_host.h"

namespace quillet {
namespace {

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
class Announcements : protected PrivateBus, public test::WindowsTest {
 protected:
  Announcements() {
    TrayIconHost::SetAvailableForTesting(true);
    TrayIconHost::SetMessageHookForTesting([this](const QString& title, const QString& text) {
      balloons.push_back((title + QLatin1Char('|') + text).toStdString());
    });
    test::PutWatchList({"BETA"});
    w.mainWindow.show();
  }
  ~Announcements() override {
    TrayIconHost::SetMessageHookForTesting(nullptr);
    TrayIconHost::SetAvailableForTesting(std::nullopt);
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
  // The rows' headlines with their marks, and the count in the status area.
  std::string Shown() {
    std::string out;
    const auto& rows = *w.Main<ReportView>("headlineList")->model();
    for (int row = 0; row < rows.rowCount(); ++row) {
      const QModelIndex at = rows.index(row, 2);
      out += at.data().toString().toStdString() +
             (at.data(Qt::FontRole).value<QFont>().bold() ? " bold" : "") +
             (at.data(Qt::BackgroundRole).isValid() ? " watched" : "") + ", ";
    }
    return out + w.Main<QLabel>("newCountLabel")->text().toStdString();
  }
  bool InTray() { return w.Main<QSystemTrayIcon>("trayIcon")->isVisible(); }
  test::Texts balloons;
};

TEST_F(Announcements, OutOfSightARunsNewsIsAnnouncedOnceAndItsClickShowsTheFirstNewRow) {
  // No notification service: the balloon, whose click shows the first new row.
  w.mainWindow.AppendRow("", "", "old beta", 0, std::make_unique<NewsItem>());
  w.Main("trayButton")->click();
  Run({"+Alpha", "+!Beta"});
  EXPECT_EQ(Shown(), "old beta watched, Alpha bold, Beta bold watched, 新着 2件 (ウォッチ 1件)");
  EXPECT_EQ(balloons, test::Texts{"新着 2件 (ウォッチ 1件)|YOL: Beta\nYOL: Alpha"});
  emit w.Main<QSystemTrayIcon>("trayIcon")->messageClicked();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }));
  EXPECT_FALSE(InTray());
  EXPECT_EQ(w.Main<ReportView>("headlineList")->SelectedRow(), 1);

  // In sight: not announced. Minimised: from an icon that leaves with it.
  Run({"+!Gamma"});
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 1件 (ウォッチ 1件)"));
  w.mainWindow.showMinimized();
  Run({"+Delta"});
  EXPECT_EQ(balloons.size(), 2u);
  EXPECT_EQ(balloons.back(), "新着 1件|YOL: Delta");
  EXPECT_TRUE(InTray());
  w.mainWindow.showNormal();
  EXPECT_FALSE(InTray());

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
  ASSERT_TRUE(test::SpinUntil([&] { return balloons.size() == 3; }));
  EXPECT_EQ(balloons.back(), "新着 1件|YOL: C");

  // Nothing new, or no watched news when only that is announced: nothing.
  Run({"C"});
  EXPECT_EQ(w.Main<QLabel>("newCountLabel")->text(), QString::fromUtf8("新着 0件"));
  test::PutSetting(settings::key::kNotify, static_cast<int>(settings::Notify::kWatchOnly));
  Run({"+Epsilon"});
  QCoreApplication::processEvents();
  EXPECT_EQ(service.calls.size() + balloons.size(), 6u);
}

}  // namespace
}  // namespace quillet
