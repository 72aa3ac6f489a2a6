#include "ui/window_placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "core/settings/settings.h"

namespace quillet {

void WindowPlacement::Showing() {
  if (shownOnce_) return;
  shownOnce_ = true;
  settings::Geometry current;
  current.left = window_.pos().x();
  current.top = window_.pos().y();
  current.width = window_.width();
  current.height = window_.height();
  settings::Geometry stored = settings::ReadGeometry(current);
  // Nothing stored: the built-in bounds, inside the screen where it is small
  // (or scaled up), with room for the frame.
  const QScreen* screen = window_.screen();
  if (!settings::HasGeometry() && screen != nullptr) {
    const QRect room =
        screen->availableGeometry().adjusted(0, 0, -kFrameRoom.width(), -kFrameRoom.height());
    stored.width = std::min(stored.width, room.width());
    stored.height = std::min(stored.height, room.height());
    stored.left = std::clamp(stored.left, room.left(), room.right() + 1 - stored.width);
    stored.top = std::clamp(stored.top, room.top(), room.bottom() + 1 - stored.height);
  }
  window_.move(stored.left, stored.top);
  window_.resize(stored.width, stored.height);
  if (stored.maximized) window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::Moved() {
  if (window_.windowState() == Qt::WindowNoState && window_.isVisible())
    frameOffset_ = window_.geometry().topLeft() - window_.pos();
}

void WindowPlacement::Save() {
  settings::Geometry geometry;
  geometry.maximized = window_.isMaximized();
  if (geometry.maximized) {
    // normalGeometry() is the client area; the settings hold the frame's
    // position, as move() takes it.
    const QRect normal = window_.normalGeometry();
    geometry.left = normal.x() - frameOffset_.x();
    geometry.top = normal.y() - frameOffset_.y();
    geometry.width = normal.width();
    geometry.height = normal.height();
    if (window_.isVisible()) window_.showNormal();
  } else {
    geometry.left = window_.pos().x();
    geometry.top = window_.pos().y();
    geometry.width = window_.width();
    geometry.height = window_.height();
  }
  settings::WriteGeometry(geometry);
}

void WindowPlacement::SetAlwaysOnTop(bool on) {
  const bool visible = window_.isVisible();
  const QPoint position = window_.pos();
  const QSize size = window_.size();
  const Qt::WindowStates states = window_.windowState();
  recreating_ = true;
  window_.setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (!(states & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    window_.move(position);
    window_.resize(size);
  }
  window_.setWindowState(states);
  if (visible) window_.show();
  recreating_ = false;
}

}  // namespace quillet
