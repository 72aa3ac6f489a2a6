#include "ui/tray/tray_icon_host.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>

#include <chrono>
#include <cstdlib>

namespace quillet {
namespace {

std::optional<bool>& AvailableOverride() {
  static std::optional<bool> available;
  return available;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Watches the program's mouse presses while the right-button menu is open, for
// the second click of a right double click. The press is taken from the menu,
// which is closed, so that the double click does not also act on the menu.
class SecondRightPressWatch : public QObject {
 public:
  explicit SecondRightPressWatch(TrayActivationMapper& mapper) : mapper_(mapper) {
    qApp->installEventFilter(this);
  }
  ~SecondRightPressWatch() override { qApp->removeEventFilter(this); }

  bool Seen() const { return seen_; }

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) {
      return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    // An application filter sees the press once for each widget it travels
    // through; the first sighting decides.
    if (!seen_ && !mapper_.TakeSecondRightPress(NowMs(), mouse->globalPosition().toPoint())) {
      return false;
    }
    seen_ = true;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    return true;
  }

 private:
  TrayActivationMapper& mapper_;
  bool seen_ = false;
};

}  // namespace

TrayActivationMapper::TrayActivationMapper(int doubleClickMs, int doubleClickDistance)
    : doubleClickMs_(doubleClickMs), doubleClickDistance_(doubleClickDistance) {}

bool TrayActivationMapper::Pairs(const Click& first, int64_t nowMs, const QPoint& cursor) const {
  const int64_t elapsed = nowMs - first.ms;
  return first.valid && elapsed >= 0 && elapsed < doubleClickMs_ &&
         std::abs(cursor.x() - first.pos.x()) <= doubleClickDistance_ &&
         std::abs(cursor.y() - first.pos.y()) <= doubleClickDistance_;
}

std::vector<TrayMouseMessage> TrayActivationMapper::Map(QSystemTrayIcon::ActivationReason reason,
                                                        int64_t nowMs, const QPoint& cursor) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (Pairs(lastLeft_, nowMs, cursor)) {
        lastLeft_ = {};
        return {TrayMouseMessage::kLeftDblClk};
      }
      lastLeft_ = {true, nowMs, cursor};
      return {TrayMouseMessage::kLeftDown, TrayMouseMessage::kLeftUp};
    case QSystemTrayIcon::DoubleClick:
      // The platform paired the clicks itself; a click reported after this
      // one (some platforms report the second release too) starts anew.
      lastLeft_ = {};
      return {TrayMouseMessage::kLeftDblClk};
    case QSystemTrayIcon::Context:
      if (Pairs(lastRight_, nowMs, cursor)) {
        lastRight_ = {};
        return {TrayMouseMessage::kRightDblClk};
      }
      lastRight_ = {true, nowMs, cursor};
      return {TrayMouseMessage::kRightDown, TrayMouseMessage::kRightUp};
    case QSystemTrayIcon::MiddleClick:
      return {TrayMouseMessage::kMiddleDown, TrayMouseMessage::kMiddleUp};
    case QSystemTrayIcon::Unknown:
      break;
  }
  return {};
}

bool TrayActivationMapper::TakeSecondRightPress(int64_t nowMs, const QPoint& cursor) {
  if (!Pairs(lastRight_, nowMs, cursor)) return false;
  lastRight_ = {};
  return true;
}

TrayIconHost::TrayIconHost(Report report)
    : report_(std::move(report)),
      mapper_(QGuiApplication::styleHints()->mouseDoubleClickInterval(),
              QGuiApplication::styleHints()->mouseDoubleClickDistance()) {
  // Queued: the handlers (a menu, a restore that removes the icon) run after
  // the tray widget's own mouse handler has returned. Removing the icon
  // deletes that widget, which must not happen under its own event handler.
  QObject::connect(
      &icon_, &QSystemTrayIcon::activated, &icon_,
      [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); },
      Qt::QueuedConnection);
}

TrayIconHost::~TrayIconHost() = default;

bool TrayIconHost::Show(const QIcon& icon, const QString& tip) {
  const std::optional<bool>& available = AvailableOverride();
  if (!available.value_or(QSystemTrayIcon::isSystemTrayAvailable())) return false;
  icon_.setIcon(icon);
  icon_.setToolTip(tip);
  icon_.show();
  return true;
}

void TrayIconHost::Hide() {
  icon_.hide();
}

void TrayIconHost::SetAvailableForTesting(std::optional<bool> available) {
  AvailableOverride() = available;
}

void TrayIconHost::Activated(QSystemTrayIcon::ActivationReason reason) {
  // As with the shell's own tray messages, every event gets the cursor
  // position at the time the activation is handled.
  const QPoint cursor = QCursor::pos();
  const std::weak_ptr<bool> alive = alive_;
  bool secondRightPress = false;
  for (TrayMouseMessage message : mapper_.Map(reason, NowMs(), cursor)) {
    if (message == TrayMouseMessage::kRightDown) {
      SecondRightPressWatch watch(mapper_);
      report_(message, cursor);
      if (alive.expired()) return;
      secondRightPress = watch.Seen();
    } else {
      report_(message, cursor);
      if (alive.expired()) return;
    }
  }
  if (secondRightPress) report_(TrayMouseMessage::kRightDblClk, cursor);
}

}  // namespace quillet
