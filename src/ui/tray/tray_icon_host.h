// The notification-area side of the tray icon component, on QSystemTrayIcon:
// shows and hides one icon and turns its activations into mouse messages.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quillet {

// Mouse messages of a tray icon, the vocabulary of TrayIcon's event handling.
enum class TrayMouseMessage {
  kMove,
  kLeftDown,
  kLeftUp,
  kLeftDblClk,
  kRightDown,
  kRightUp,
  kRightDblClk,
  kMiddleDown,
  kMiddleUp,
  kMiddleDblClk,
};

// QSystemTrayIcon reports clicks, not presses and releases, and a double click
// only for the left button and only on some platforms (elsewhere a double
// click arrives as two clicks). A click becomes a press and a release; a second
// click with the same button within the double-click interval and distance of
// the first becomes a double click of that button.
class TrayActivationMapper {
 public:
  TrayActivationMapper(int doubleClickMs, int doubleClickDistance);

  std::vector<TrayMouseMessage> Map(QSystemTrayIcon::ActivationReason reason, int64_t nowMs,
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

  int doubleClickMs_;
  int doubleClickDistance_;
  Click lastLeft_;
  Click lastRight_;
};

class TrayIconHost {
 public:
  // Receives every mouse message with the cursor's screen position.
  using Report = std::function<void(TrayMouseMessage message, const QPoint& cursor)>;

  explicit TrayIconHost(Report report);
  ~TrayIconHost();
  TrayIconHost(const TrayIconHost&) = delete;
  TrayIconHost& operator=(const TrayIconHost&) = delete;

  // Puts the icon into the notification area or updates it there; false when
  // the desktop has no notification area.
  bool Show(const QIcon& icon, const QString& tip);
  void Hide();

  // The icon object itself, for tests that play the notification area.
  QSystemTrayIcon& SystemTrayIcon() { return icon_; }

  // Makes Show behave as if a notification area were (or were not) present;
  // nullopt asks the desktop again.
  static void SetAvailableForTesting(std::optional<bool> available);

 private:
  void Activated(QSystemTrayIcon::ActivationReason reason);

  Report report_;
  QSystemTrayIcon icon_;
  TrayActivationMapper mapper_;
  // Expires when the host is destroyed, possibly by one of its own reports.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quillet
