#include "ui/tray/tray_icon.h"

#include <QCoreApplication>

#include "core/sys/error.h"
#include "core/text/text_codec.h"

namespace quillet {

TrayIcon::TrayIcon(QWidget* owner, const QIcon& icon)
    : owner_(owner),
      icon_(icon),
      host_(std::make_unique<TrayIconHost>(
          owner, [this](TrayClick click, const QPoint& cursor) { HandleClick(click, cursor); })) {
  host_->OnMessageClicked = [this] {
    if (OnMessageClicked) OnMessageClicked();
  };
}

TrayIcon::~TrayIcon() {
  SetRegistered(false);
}

void TrayIcon::SetRegistered(bool registered) {
  if (registered == registered_) return;
  if (!registered) {
    host_->Hide();
    registered_ = false;
    return;
  }
  if (!host_->Show(icon_)) throw QuilletError(CP932("タスクトレイに登録できません"));
  registered_ = true;
}

void TrayIcon::HandleClick(TrayClick click, const QPoint& cursor) {
  // One click at a time. The flag is cleared however the handling ends,
  // unless a handler has destroyed the component.
  if (handling_) return;
  handling_ = true;
  const std::weak_ptr<bool> alive = alive_;
  struct HandlingEnds {
    const std::weak_ptr<bool>& alive;
    bool& handling;
    ~HandlingEnds() {
      if (!alive.expired()) handling = false;
    }
  } handlingEnds{alive, handling_};

  switch (click) {
    case TrayClick::kLeftDouble:
    case TrayClick::kRightDouble:
      if (OnDoubleClick) OnDoubleClick();
      break;
    case TrayClick::kLeft:
    case TrayClick::kMiddle:
      Press(false, cursor);
      break;
    case TrayClick::kRight:
      Press(true, cursor);
      break;
  }
}

void TrayIcon::Press(bool openMenu, const QPoint& cursor) {
  const std::weak_ptr<bool> alive = alive_;
  // The owner window comes to the front (when shown) and pending events run
  // before the menu; clicks among them are dropped.
  if (owner_ && owner_->isVisible()) owner_->window()->activateWindow();
  QCoreApplication::processEvents();
  if (alive.expired()) return;
  if (QMenu* menu = openMenu ? rightButtonMenu_.data() : nullptr) menu->exec(cursor);
}

}  // namespace quillet
