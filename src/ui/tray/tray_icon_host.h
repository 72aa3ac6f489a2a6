// The notification-area side of the tray icon, on QSystemTrayIcon: shows and
// hides one icon and turns its activations into clicks.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quillet {

// A click on the tray icon: a single one of a button, or a double click.
enum class TrayClick { kLeft, kLeftDouble, kRight, kRightDouble, kMiddle };

// QSystemTrayIcon reports clicks, and a double click only for the left button
// and only on some platforms (elsewhere a double click arrives as two clicks).
// A second click with the same button within the double-click interval and
// distance of the first becomes a double click of that button.
class TrayActivationMapper {
 public:
  TrayActivationMapper(int doubleClickMs, int doubleClickDistance);

  // The click an activation stands for; nothing for an unknown one.
  std::optional<TrayClick> Map(QSystemTrayIcon::ActivationReason reason, int64_t nowMs,
                               const QPoint& cursor);

  // A right press seen by the program itself (a popup menu opened by the
  // first right click takes the second one, so the tray never reports it):
  // true when it completes a double click; the click pair is then used up.
  bool TakeSecondRightPress(int64_t nowMs, const QPoint& cursor);

 private:
  struct Click {
    bool valid = false;
    int64_t ms = 0;
    QPoint pos;
  };
  bool Pairs(const Click& first, int64_t nowMs, const QPoint& cursor) const;
  // True when this click completes a double click with `last`; otherwise it
  // becomes `last`, the first click of a possible pair.
  bool PairWith(Click& last, int64_t nowMs, const QPoint& cursor);

  int doubleClickMs_;
  int doubleClickDistance_;
  Click lastLeft_;
  Click lastRight_;
};

class TrayIconHost {
 public:
  // Receives every click with the cursor's screen position.
  using Report = std::function<void(TrayClick click, const QPoint& cursor)>;

  // The icon object is a child of `parent` (when given) named "trayIcon".
  TrayIconHost(QObject* parent, Report report);
  ~TrayIconHost();
  TrayIconHost(const TrayIconHost&) = delete;
  TrayIconHost& operator=(const TrayIconHost&) = delete;

  // Puts the icon into the notification area; false when the desktop has no
  // notification area.
  bool Show(const QIcon& icon);
  void Hide();
  void SetToolTip(const QString& text);
  // A notification from the icon (through the desktop's notification service
  // where there is one); the icon must be shown.
  void ShowMessage(const QString& title, const QString& text);

  // A click on the last notification.
  std::function<void()> OnMessageClicked;

  // Makes Show behave as if a notification area were (or were not) present;
  // nullopt asks the desktop again.
  static void SetAvailableForTesting(std::optional<bool> available);
  // While set, ShowMessage hands its texts to the hook instead: without a
  // notification area or service (the offscreen platform) Qt shows nothing.
  using MessageHook = std::function<void(const QString& title, const QString& text)>;
  static void SetMessageHookForTesting(MessageHook hook);

 private:
  void Activated(QSystemTrayIcon::ActivationReason reason);

  Report report_;
  QPointer<QSystemTrayIcon> icon_;
  TrayActivationMapper mapper_;
  // Expires when the host is destroyed, possibly by one of its own reports.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quillet
