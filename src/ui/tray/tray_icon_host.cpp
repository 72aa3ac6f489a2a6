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

TrayIconHost::MessageHook& MessageHookSlot() {
  static TrayIconHost::MessageHook hook;
  return hook;
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

bool TrayActivationMapper::PairWith(Click& last, int64_t nowMs, const QPoint& cursor) {
  if (Pairs(last, nowMs, cursor)) {
    last = {};
    return true;
  }
  last = {true, nowMs, cursor};
  return false;
}

std::optional<TrayClick> TrayActivationMapper::Map(QSystemTrayIcon::ActivationReason reason,
                                                   int64_t nowMs, const QPoint& cursor) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return PairWith(lastLeft_, nowMs, cursor) ? TrayClick::kLeftDouble : TrayClick::kLeft;
    case QSystemTrayIcon::DoubleClick:
      // The platform paired the clicks itself; a click reported after this
      // one (some platforms report the second release too) starts anew.
      lastLeft_ = {};
      return TrayClick::kLeftDouble;
    case QSystemTrayIcon::Context:
      return PairWith(lastRight_, nowMs, cursor) ? TrayClick::kRightDouble : TrayClick::kRight;
    case QSystemTrayIcon::MiddleClick:
      return TrayClick::kMiddle;
    case QSystemTrayIcon::Unknown:
      break;
  }
  return std::nullopt;
}

bool TrayActivationMapper::TakeSecondRightPress(int64_t nowMs, const QPoint& cursor) {
  if (!Pairs(lastRight_, nowMs, cursor)) return false;
  lastRight_ = {};
  return true;
}

TrayIconHost::TrayIconHost(QObject* parent, Report report)
    : report_(std::move(report)),
      icon_(new QSystemTrayIcon(parent)),
      mapper_(QGuiApplication::styleHints()->mouseDoubleClickInterval(),
              QGuiApplication::styleHints()->mouseDoubleClickDistance()) {
  icon_->setObjectName(QStringLiteral("trayIcon"));
  // Queued: the handlers (a menu, a restore that removes the icon) run after
  // the tray widget's own mouse handler has returned. Removing the icon
  // deletes that widget, which must not happen under its own event handler.
  QObject::connect(
      icon_, &QSystemTrayIcon::activated, icon_,
      [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); },
      Qt::QueuedConnection);
  QObject::connect(
      icon_, &QSystemTrayIcon::messageClicked, icon_,
      [this] {
        if (OnMessageClicked) OnMessageClicked();
      },
      Qt::QueuedConnection);
}

TrayIconHost::~TrayIconHost() {
  delete icon_.data();  // unless its parent has taken it along already
}

bool TrayIconHost::Show(const QIcon& icon) {
  const std::optional<bool>& available = AvailableOverride();
  if (!icon_ || !available.value_or(QSystemTrayIcon::isSystemTrayAvailable())) return false;
  icon_->setIcon(icon);
  icon_->show();
  return true;
}

void TrayIconHost::Hide() {
  if (icon_) icon_->hide();
}

void TrayIconHost::SetToolTip(const QString& text) {
  if (icon_) icon_->setToolTip(text);
}

void TrayIconHost::ShowMessage(const QString& title, const QString& text) {
  // Shown for 15 s where the desktop leaves the time to the program.
  if (!icon_ || !icon_->isVisible()) return;
  if (MessageHookSlot()) {
    MessageHookSlot()(title, text);
    return;
  }
  icon_->showMessage(title, text, QSystemTrayIcon::Information, 15'000);
}

void TrayIconHost::SetMessageHookForTesting(TrayIconHost::MessageHook hook) {
  MessageHookSlot() = std::move(hook);
}

void TrayIconHost::SetAvailableForTesting(std::optional<bool> available) {
  AvailableOverride() = available;
}

void TrayIconHost::Activated(QSystemTrayIcon::ActivationReason reason) {
  // As with the shell's own tray messages, the click gets the cursor
  // position at the time the activation is handled.
  const QPoint cursor = QCursor::pos();
  const std::optional<TrayClick> click = mapper_.Map(reason, NowMs(), cursor);
  if (!click) return;
  if (*click != TrayClick::kRight) {
    report_(*click, cursor);
    return;
  }
  // The menu a right click opens may take the second click of a double click.
  const std::weak_ptr<bool> alive = alive_;
  bool secondRightPress = false;
  {
    SecondRightPressWatch watch(mapper_);
    report_(*click, cursor);
    if (alive.expired()) return;
    secondRightPress = watch.Seen();
  }
  if (secondRightPress) report_(TrayClick::kRightDouble, cursor);
}

}  // namespace quillet
