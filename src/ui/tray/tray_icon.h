// TrayIcon: one icon in the notification area, with its tooltip, popup menus
// and mouse events.
//
// What the main window uses:
//   TrayIcon TaskTray1{this};               // this: brought to the front on a press
//   TaskTray1.SetIcon(AppIcon());            // an image is needed before registering
//   TaskTray1.SetPopupMenuR(PopupMenu4);     // opened by the right button
//   TaskTray1.OnDblClick = [this](TrayIcon&, Qt::MouseButton) { TaskTray1DblClick(); };
//   TaskTray1.SetRegistered(true);           // shows the icon; throws QuilletError
//   TaskTray1.SetRegistered(false);          // removes it (also done by the destructor)
//   TaskTray1.Registered()
// Also there: IconID/SetIconID (1, 2, ... in order of creation), TipString/
// SetTipString (CP932), PopupMenuL/SetPopupMenuL, OnMouseDown, OnMouseUp,
// OnMouseMove.
//
// Errors (QuilletError, CP932 text): SetIconID below 1 "0以下は指定できません";
// SetIconID to another component's identifier "同じアイコン識別子が有ります";
// SetRegistered(true) without an image "アイコンが指定されていません"; the
// desktop has no notification area (or refuses the icon)
// "タスクトレイに登録できません". A failed registration leaves the component
// unregistered.
//
// Double clicks: a double click with either button fires OnDblClick. A left
// one counts whether the platform reports a double click or two close clicks.
// QSystemTrayIcon has no right double click, so one is recognised when the
// platform reports both right clicks, or when the second lands while the menu
// opened by the first is showing (it is then taken from the menu, which
// closes). Where neither happens (no right-button menu on the X11 embedded
// tray; Wayland, whose compositor keeps the press), it is a single right click.
// QSystemTrayIcon reports no mouse moves, so OnMouseMove only fires for
// messages handed to HandleTrayMessage directly.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "ui/tray/tray_icon_host.h"

namespace quillet {

class TrayIcon;

// A double click with `button` (left or right).
using TButtonDblClick = std::function<void(TrayIcon& sender, Qt::MouseButton button)>;
// A press or release of `button`; `buttons` is the button state ({button});
// `pos` the cursor in screen coordinates.
using TrayMouseEvent = std::function<void(TrayIcon& sender, Qt::MouseButton button,
                                          Qt::MouseButtons buttons, const QPoint& pos)>;
using TrayMouseMoveEvent =
    std::function<void(TrayIcon& sender, Qt::MouseButtons buttons, const QPoint& pos)>;

class TrayIcon {
 public:
  // Takes the next identifier: 1 when no other component exists, else the
  // identifier of the registry's last entry plus 1. The registry lists the
  // components in order of creation; a changed identifier keeps its place.
  explicit TrayIcon(QWidget* owner = nullptr);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Menus opened by a left or right press; cleared when the menu is destroyed.
  QMenu* PopupMenuL() const { return popupMenuL_; }
  void SetPopupMenuL(QMenu* menu) { popupMenuL_ = menu; }
  QMenu* PopupMenuR() const { return popupMenuR_; }
  void SetPopupMenuR(QMenu* menu) { popupMenuR_ = menu; }

  // The tooltip; the notification area shows its first 63 bytes at most.
  const std::string& TipString() const { return tipString_; }
  void SetTipString(const std::string& tip);

  // A null icon removes the icon from the tray and unregisters it.
  const QIcon& Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);

  int IconID() const { return iconId_; }
  void SetIconID(int id);

  bool Registered() const { return registered_; }
  void SetRegistered(bool registered);

  TButtonDblClick OnDblClick;
  TrayMouseMoveEvent OnMouseMove;
  TrayMouseEvent OnMouseDown;
  TrayMouseEvent OnMouseUp;

  // A mouse message for the icon with `iconId`, with the cursor's screen
  // position. Messages for identifiers that no component holds, and every
  // message that arrives while another one is being handled (a popup menu
  // from the tray is open, say), are dropped.
  static void HandleTrayMessage(int iconId, TrayMouseMessage message, const QPoint& cursor);

  TrayIconHost& HostForTesting() { return *host_; }

 private:
  void UpdateIcon();
  void DeleteIcon();
  void DoDblClick(Qt::MouseButton button);
  void DoMouseDown(Qt::MouseButton button, const QPoint& cursor);
  void DoMouseUp(Qt::MouseButton button, const QPoint& cursor);
  void DoMouseMove(const QPoint& cursor);

  QPointer<QWidget> owner_;
  QPointer<QMenu> popupMenuL_;
  QPointer<QMenu> popupMenuR_;
  std::string tipString_;
  QIcon icon_;
  int iconId_ = 0;
  bool registered_ = false;
  bool added_ = false;  // the notification area holds the icon
  std::unique_ptr<TrayIconHost> host_;
  // Expires when the component is destroyed, possibly by one of its handlers.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quillet
