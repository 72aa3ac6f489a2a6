#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "core/settings/settings.h"

namespace quillet {

namespace {

// The available area of the screen the point is on, else of the window's.
QRect AvailableAround(const QWidget& window, QPoint point) {
  const QScreen* screen = QGuiApplication::screenAt(point);
  if (screen == nullptr) screen = window.screen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Moves the frame, not the client area, to `position`: the settings hold the
// frame's corner, as pos() gives it. Once the window exists, move() places
// its client area (the frame is not known before the window manager puts it
// on); the window's frame position asks the window manager for the frame's.
void MoveFrame(QWidget& window, QPoint position) {
  window.move(position);
  if (QWindow* handle = window.windowHandle()) handle->setFramePosition(position);
}

}  // namespace

QPoint FramePositionInside(const QRect& frame, const QRect& available) {
  const auto inside = [](int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
  };
  return {inside(frame.left(), frame.width(), available.left(), available.width()),
          inside(frame.top(), frame.height(), available.top(), available.height())};
}

void WindowPlacement::Showing(const settings::Settings& settings) {
  if (shownOnce_) return;
  shownOnce_ = true;
  settings::Geometry stored = settings.geometry;
  const QRect available = AvailableAround(window_, QPoint(stored.left, stored.top));
  // Nothing stored: the built-in bounds, inside the screen where it is small
  // (or scaled up), with room for the frame.
  if (!settings.geometryStored && available.isValid()) {
    stored.width = std::min(stored.width, available.width() - kFrameRoom.width());
    stored.height = std::min(stored.height, available.height() - kFrameRoom.height());
  }
  window_.resize(stored.width, stored.height);
  // A frame outside the screen comes inside. Its corner is the stored
  // position; its size, before the window manager has put the frame on, the
  // client's with room for a frame.
  QPoint position(stored.left, stored.top);
  if (available.isValid())
    position = FramePositionInside(QRect(position, window_.size() + kFrameRoom), available);
  MoveFrame(window_, position);
  if (stored.maximized) window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

void WindowPlacement::Moved() {
  if (window_.windowState() == Qt::WindowNoState && window_.isVisible())
    frameOffset_ = window_.geometry().topLeft() - window_.pos();
}

settings::Geometry WindowPlacement::Closing() {
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
  return geometry;
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
