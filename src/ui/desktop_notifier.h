// Notifications through the desktop's notification service, the
// org.freedesktop.Notifications interface on the session bus.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace quillet {

class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  DesktopNotifier();
  ~DesktopNotifier() override;
  DesktopNotifier(const DesktopNotifier&) = delete;
  DesktopNotifier& operator=(const DesktopNotifier&) = delete;

  // Sends a notification that takes the place of this notifier's previous
  // one; false, sending nothing, when the session bus has no notification
  // service (running or startable). A service that refuses it later calls
  // OnFailed with the same texts.
  bool Show(const QString& title, const QString& text);

  std::function<void()> OnActivated;  // the notification's default action (a click)
  std::function<void(const QString& title, const QString& text)> OnFailed;

 private Q_SLOTS:
  void ActionInvoked(uint id, const QString& actionKey);
  void NotificationClosed(uint id, uint reason);

 private:
  // The bus connection, made at the first notification.
  bool Connect();
  void Notify(const QString& title, const QString& text, bool markup);

  QString connectionName_;
  bool connected_ = false;
  uint id_ = 0;  // of the notification on screen, 0 when there is none
};

}  // namespace quillet
