#include "ui/tray/tray_icon.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

// The identifiers in use, in order of creation; a changed identifier keeps
// its place. New components are numbered after the last entry.
struct RegistryEntry {
  int id;
  TrayIcon* tray;
};

std::vector<RegistryEntry>& Registry() {
  static std::vector<RegistryEntry> registry;
  return registry;
}

std::vector<RegistryEntry>::iterator FindEntry(int id) {
  std::vector<RegistryEntry>& registry = Registry();
  return std::find_if(registry.begin(), registry.end(),
                      [id](const RegistryEntry& entry) { return entry.id == id; });
}

// Set while one tray message is handled, for all components together.
bool busy = false;

class BusyScope {
 public:
  BusyScope() { busy = true; }
  ~BusyScope() { busy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};

// The tooltip holds 63 bytes; a double-byte character that would be cut in
// two is left out whole.
constexpr size_t kTipBytes = 63;

QString ShownTip(const std::string& tip) {
  size_t end = 0;
  while (end < tip.size()) {
    const size_t next = end + Cp932CharLength(tip, end);
    if (next > kTipBytes) break;
    end = next;
  }
  return UiText(tip.substr(0, end));
}

}  // namespace

TrayIcon::TrayIcon(QWidget* owner)
    : owner_(owner),
      host_(std::make_unique<TrayIconHost>([this](TrayMouseMessage message, const QPoint& cursor) {
        HandleTrayMessage(iconId_, message, cursor);
      })) {
  std::vector<RegistryEntry>& registry = Registry();
  iconId_ = registry.empty() ? 1 : registry.back().id + 1;
  registry.push_back({iconId_, this});
}

TrayIcon::~TrayIcon() {
  DeleteIcon();
  Registry().erase(FindEntry(iconId_));
}

void TrayIcon::SetTipString(const std::string& tip) {
  if (tip == tipString_) return;
  tipString_ = tip;
  UpdateIcon();
}

void TrayIcon::SetIcon(const QIcon& icon) {
  // The same image (a copy of the owned icon included) changes nothing.
  if (icon.cacheKey() == icon_.cacheKey()) return;
  if (icon.isNull()) {
    icon_ = QIcon();
    DeleteIcon();
    return;
  }
  icon_ = icon;
  UpdateIcon();
}

void TrayIcon::SetIconID(int id) {
  if (id < 1) throw QuilletError(CP932("0以下は指定できません"));
  if (id == iconId_) return;
  if (FindEntry(id) != Registry().end()) throw QuilletError(CP932("同じアイコン識別子が有ります"));
  // The icon leaves the tray under its old identifier and comes back under
  // the new one; it stays registered meanwhile.
  if (added_) host_->Hide();
  added_ = false;
  FindEntry(iconId_)->id = id;
  iconId_ = id;
  UpdateIcon();
}

void TrayIcon::SetRegistered(bool registered) {
  if (registered == registered_) return;
  if (!registered) {
    DeleteIcon();
    return;
  }
  if (icon_.isNull()) throw QuilletError(CP932("アイコンが指定されていません"));
  registered_ = true;
  UpdateIcon();
}

void TrayIcon::UpdateIcon() {
  if (!registered_) return;
  if (!host_->Show(icon_, ShownTip(tipString_))) {
    // Registered means "in the tray": a refused icon leaves the component
    // unregistered, so that the next attempt tries again.
    host_->Hide();
    added_ = false;
    registered_ = false;
    throw QuilletError(CP932("タスクトレイに登録できません"));
  }
  added_ = true;
}

void TrayIcon::DeleteIcon() {
  if (added_) host_->Hide();
  added_ = false;
  registered_ = false;
}

void TrayIcon::HandleTrayMessage(int iconId, TrayMouseMessage message, const QPoint& cursor) {
  const auto entry = FindEntry(iconId);
  if (entry == Registry().end() || busy) return;
  TrayIcon& tray = *entry->tray;
  BusyScope scope;
  switch (message) {
    case TrayMouseMessage::kMove:
      tray.DoMouseMove(cursor);
      break;
    case TrayMouseMessage::kLeftDown:
      tray.DoMouseDown(Qt::LeftButton, cursor);
      break;
    case TrayMouseMessage::kLeftUp:
      tray.DoMouseUp(Qt::LeftButton, cursor);
      break;
    case TrayMouseMessage::kLeftDblClk:
      tray.DoDblClick(Qt::LeftButton);
      break;
    case TrayMouseMessage::kRightDown:
      tray.DoMouseDown(Qt::RightButton, cursor);
      break;
    case TrayMouseMessage::kRightUp:
      tray.DoMouseUp(Qt::RightButton, cursor);
      break;
    case TrayMouseMessage::kRightDblClk:
      tray.DoDblClick(Qt::RightButton);
      break;
    case TrayMouseMessage::kMiddleDown:
      tray.DoMouseDown(Qt::MiddleButton, cursor);
      break;
    case TrayMouseMessage::kMiddleUp:
      tray.DoMouseUp(Qt::MiddleButton, cursor);
      break;
    case TrayMouseMessage::kMiddleDblClk:
      break;
  }
}

void TrayIcon::DoDblClick(Qt::MouseButton button) {
  if (OnDblClick) OnDblClick(*this, button);
}

void TrayIcon::DoMouseDown(Qt::MouseButton button, const QPoint& cursor) {
  const std::weak_ptr<bool> alive = alive_;
  // The owner window comes to the front (when shown) and pending events run
  // before the handler and the menu; tray messages among them are dropped.
  if (owner_ && owner_->isVisible()) owner_->window()->activateWindow();
  QCoreApplication::processEvents();
  if (alive.expired()) return;
  if (OnMouseDown) {
    OnMouseDown(*this, button, button, cursor);
    if (alive.expired()) return;
  }
  QMenu* menu = button == Qt::LeftButton    ? PopupMenuL()
                : button == Qt::RightButton ? PopupMenuR()
                                            : nullptr;
  if (menu) menu->exec(cursor);
}

void TrayIcon::DoMouseUp(Qt::MouseButton button, const QPoint& cursor) {
  if (OnMouseUp) OnMouseUp(*this, button, button, cursor);
}

void TrayIcon::DoMouseMove(const QPoint& cursor) {
  if (OnMouseMove) OnMouseMove(*this, Qt::NoButton, cursor);
}

}  // namespace quillet
