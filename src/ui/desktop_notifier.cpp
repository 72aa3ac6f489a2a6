#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

#include "core/text/text_codec.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
constexpr int kShownMs = 15'000;  // as long as the tray balloon

QDBusMessage Call(const QString& method) {
  return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

DesktopNotifier::DesktopNotifier()
    // A connection of its own, named per notifier, made when first needed.
    : connectionName_(
          QStringLiteral("quillet-notifier-%1").arg(reinterpret_cast<quintptr>(this), 0, 16)) {}

DesktopNotifier::~DesktopNotifier() {
  if (connected_) QDBusConnection::disconnectFromBus(connectionName_);
}

bool DesktopNotifier::Connect() {
  if (connected_) return true;
  // The address as the environment gives it now (the bus library keeps the
  // first one it saw); the library's own search where there is none.
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  QDBusConnection bus = address.isEmpty() ? QDBusConnection::connectToBus(
                                                QDBusConnection::SessionBus, connectionName_)
                                          : QDBusConnection::connectToBus(address, connectionName_);
  if (!bus.isConnected()) {
    QDBusConnection::disconnectFromBus(connectionName_);
    return false;
  }
  connected_ = true;
  bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
              SLOT(ActionInvoked(uint, QString)));
  bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
              SLOT(NotificationClosed(uint, uint)));
  return true;
}

bool DesktopNotifier::Show(const QString& title, const QString& text) {
  if (!Connect()) return false;
  QDBusConnection bus(connectionName_);
  QDBusConnectionInterface* daemon = bus.interface();
  if (daemon == nullptr) return false;
  const QDBusReply<bool> running = daemon->isServiceRegistered(kService);
  if (!(running.isValid() && running.value())) {
    const QDBusReply<QStringList> startable = daemon->activatableServiceNames();
    if (!(startable.isValid() && startable.value().contains(kService))) return false;
  }
  // The body is markup where the service reads it so: the headlines' own
  // '<' and '&' are escaped there.
  auto* watcher =
      new QDBusPendingCallWatcher(bus.asyncCall(Call(QStringLiteral("GetCapabilities"))), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, text] {
    watcher->deleteLater();
    const QDBusPendingReply<QStringList> capabilities = *watcher;
    Notify(title, text,
           capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup")));
  });
  return true;
}

void DesktopNotifier::Notify(const QString& title, const QString& text, bool markup) {
  const QString appId = QGuiApplication::desktopFileName();
  QVariantMap hints;
  if (!appId.isEmpty()) hints.insert(QStringLiteral("desktop-entry"), appId);
  QDBusMessage call = Call(QStringLiteral("Notify"));
  call << QStringLiteral("Quillet") << id_ << appId << title
       << (markup ? text.toHtmlEscaped() : text)
       << QStringList{kDefaultAction, UiText(CP932("開く"))} << hints << kShownMs;
  auto* watcher =
      new QDBusPendingCallWatcher(QDBusConnection(connectionName_).asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, text] {
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isValid()) {
      id_ = reply.value();
    } else if (OnFailed) {
      OnFailed(title, text);
    }
  });
}

void DesktopNotifier::ActionInvoked(uint id, const QString& actionKey) {
  if (id == id_ && id != 0 && actionKey == kDefaultAction && OnActivated) OnActivated();
}

void DesktopNotifier::NotificationClosed(uint id, uint /*reason*/) {
  if (id == id_) id_ = 0;
}

}  // namespace quillet
