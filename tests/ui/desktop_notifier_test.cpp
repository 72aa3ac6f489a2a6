// News announced through the desktop's notification service: a private
// session bus with a scripted notification service on it, and the window's
// fall-back to the tray balloon where there is none or it refuses.
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
class PrivateBus {
 public:
  PrivateBus() {
    const QString config = folder_.filePath(QStringLiteral("bus.conf"));
    test::WriteBytes(
        config.toStdString(),
        "<busconfig><type>session</type><listen>unix:dir=" + folder_.path().toStdString() +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
            "</policy></busconfig>");
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                   QStringLiteral("--config-file=") + config});
    if (!daemon_.waitForStarted() || !daemon_.waitForReadyRead(10'000))
      throw std::runtime_error("dbus-daemon did not start (Debian package dbus-daemon)");
    address = QString::fromUtf8(daemon_.readLine().trimmed());
    previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  ~PrivateBus() {
    qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
    daemon_.kill();
    daemon_.waitForFinished();
  }
  QString address;

 private:
  QTemporaryDir folder_;
  QProcess daemon_;
  QByteArray previous_;
};

// The notification service as a desktop has it: records each Notify call and
// answers it with the next id, or refuses it.
class NotificationService : public QDBusVirtualObject {
 public:
  explicit NotificationService(const QString& address)
      : bus_(QDBusConnection::connectToBus(address, QStringLiteral("test-notification-service"))) {
    bus_.registerVirtualObject(kPath, this);
    bus_.registerService(kService);
  }
  ~NotificationService() override {
    bus_.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(QStringLiteral("test-notification-service"));
  }

  struct Call {
    QString body;
    uint replaces;
  };
  std::vector<Call> calls;
  bool refuse = false;

  // The user clicks notification `id`.
  void Click(uint id) {
    bus_.send(QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"))
              << id << QStringLiteral("default"));
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QStringLiteral("GetCapabilities")) {
      connection.send(message.createReply(
          QVariant(QStringList{QStringLiteral("actions"), QStringLiteral("body-markup")})));
    } else if (message.member() == QStringLiteral("Notify")) {
      const QList<QVariant> a = message.arguments();
      calls.push_back({a[4].toString(), a[1].toUInt()});
      connection.send(refuse ? message.createErrorReply(QStringLiteral("org.example.Refused"),
                                                        QStringLiteral("no"))
                             : message.createReply(QVariant(uint(calls.size() + 40))));
    } else {
      return false;
    }
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

 private:
  QDBusConnection bus_;
};

// The bus comes first and goes last: the window's connection to it closes
// before the bus daemon ends.
struct WithPrivateBus {
  PrivateBus bus;
};

class DesktopNotifierTest : protected WithPrivateBus, public test::WindowsTest {
 protected:
  DesktopNotifierTest() {
    TrayIconHost::SetAvailableForTesting(true);
    TrayIconHost::SetMessageHookForTesting([this](const QString& title, const QString& text) {
      balloons.push_back((title + QLatin1Char('|') + text).toStdString());
    });
    w.mainWindow.show();
  }
  ~DesktopNotifierTest() override {
    TrayIconHost::SetMessageHookForTesting(nullptr);
    TrayIconHost::SetAvailableForTesting(std::nullopt);
  }
  // A run with one new headline while the window is in the tray.
  void RunWithNews(const std::string& headline) {
    if (w.mainWindow.isVisible()) w.Main("trayButton")->click();
    w.mainWindow.FetchRunStarting();
    w.mainWindow.AppendRow("", "", "old", 0, std::make_unique<NewsItem>());
    auto item = std::make_unique<NewsItem>();
    item->isNew = true;
    w.mainWindow.AppendRow("YOL", "", headline, 0, std::move(item));
    w.mainWindow.FetchRunEnded();
  }
  test::Texts balloons;
};

TEST_F(DesktopNotifierTest, TheDesktopsServiceAnnouncesTheNewsAndItsClickBringsTheWindowBack) {
  NotificationService service(bus.address);
  RunWithNews("A & <b>");
  ASSERT_TRUE(test::SpinUntil([&] { return service.calls.size() == 1; }));
  // The summary and the default action are checked with a real service by
  // scripts/e2e-desktop.
  EXPECT_EQ(service.calls[0].body, QStringLiteral("YOL: A &amp; &lt;b&gt;"));  // markup
  EXPECT_EQ(service.calls[0].replaces, 0u);
  EXPECT_TRUE(balloons.empty());

  // Another's click does nothing; a click on it brings the window back with
  // the new row selected.
  service.Click(7);
  QCoreApplication::processEvents();
  EXPECT_FALSE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }, 300));
  service.Click(41);
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isVisible(); }));
  EXPECT_EQ(w.Main<ReportView>("headlineList")->SelectedRow(), 1);

  // The next run's notification takes its place; one the service refuses
  // comes as the balloon.
  RunWithNews("B");
  ASSERT_TRUE(test::SpinUntil([&] { return service.calls.size() == 2; }));
  EXPECT_EQ(service.calls[1].replaces, 41u);
  service.refuse = true;
  RunWithNews("C");
  ASSERT_TRUE(test::SpinUntil([&] { return balloons.size() == 1; }));
  EXPECT_EQ(balloons[0], "新着 1件|YOL: C");
}

}  // namespace
}  // namespace quillet
