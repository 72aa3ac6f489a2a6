// TrayIcon: the program's icon in the notification area, with the menu of the
// right button, a double click that brings the window back, a tooltip and
// notifications.
//
// Registering shows the icon; where the desktop has no notification area (or
// refuses the icon) it throws QuilletError "タスクトレイに登録できません" and
// stays unregistered, so that the next attempt tries again. Unregistering, or
// the destructor, removes the icon.
//
// A press of any button brings the owner window to the front (when shown)
// and lets pending events run; a right press then opens the menu. Clicks
// that arrive while another one is handled (the menu is open, say) are
// dropped.
//
// Double clicks: a double click with either button fires OnDoubleClick. A
// left one counts whether the platform reports a double click or two close
// clicks. QSystemTrayIcon has no right double click, so one is recognised
// when the platform reports both right clicks, or when the second lands while
// the menu opened by the first is showing (it is then taken from the menu,
// which closes). Where neither happens (no right-button menu on the X11
// embedded tray; Wayland, whose compositor keeps the press), it is a single
// right click.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

#include "ui/tray/tray_icon_host.h"

namespace quillet {

class TrayIcon {
 public:
  // `owner` comes to the front on a press and holds the icon object.
  TrayIcon(QWidget* owner, const QIcon& icon);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The menu a right press opens; cleared when the menu is destroyed.
  void SetRightButtonMenu(QMenu* menu) { rightButtonMenu_ = menu; }

  bool Registered() const { return registered_; }
  void SetRegistered(bool registered);

  void SetToolTip(const QString& text) { host_->SetToolTip(text); }
  // A desktop notification from the icon, which must be registered.
  void ShowMessage(const QString& title, const QString& text) { host_->ShowMessage(title, text); }

  std::function<void()> OnDoubleClick;
  std::function<void()> OnMessageClicked;  // a click on the notification

 private:
  void HandleClick(TrayClick click, const QPoint& cursor);
  void Press(bool openMenu, const QPoint& cursor);

  QPointer<QWidget> owner_;
  QPointer<QMenu> rightButtonMenu_;
  QIcon icon_;
  bool registered_ = false;
  bool handling_ = false;  // a click is being handled
  std::unique_ptr<TrayIconHost> host_;
  // Expires when the component is destroyed, possibly by one of its handlers.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quillet
