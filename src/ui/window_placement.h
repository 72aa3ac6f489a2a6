// Where the main window stands on the screen: the geometry stored in the
// settings file, applied at the first showing and written at close, and the
// always-on-top flag, whose change re-creates the window in place. Left and
// Top are the frame's corner, both when written and when applied.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "core/settings/settings.h"

class QWidget;

namespace quillet {

// What a window frame (title bar, borders) may add to the client size.
inline constexpr QSize kFrameRoom(16, 48);

// The top-left corner that puts `frame` inside `available`, moving it as
// little as it can; a frame larger than the area keeps its top and left
// edges (the title bar) inside.
QPoint FramePositionInside(const QRect& frame, const QRect& available);

class WindowPlacement {
 public:
  explicit WindowPlacement(QWidget& window) : window_(window) {}
  WindowPlacement(const WindowPlacement&) = delete;
  WindowPlacement& operator=(const WindowPlacement&) = delete;

  // The window is being shown: the first time it takes the stored geometry,
  // its frame moved inside the screen's free area; later showings (back from
  // the tray) keep it as the user left it.
  void Showing(const settings::Settings& stored);
  // The window has moved; called from its moveEvent.
  void Moved();
  // The window is closing: the geometry to store. A maximized window gives
  // its normal bounds and, when visible, goes back to them.
  settings::Geometry Closing();

  // Sets or clears always on top. Qt re-creates the window for it; position,
  // size and state are put back, and the window stays visible or hidden.
  void SetAlwaysOnTop(bool on);
  // True during that re-creation: the window's showing then is no showing
  // for the program.
  bool Recreating() const { return recreating_; }

 private:
  QWidget& window_;
  bool recreating_ = false;
  bool shownOnce_ = false;
  // Client area against frame in the normal state, to store the normal
  // bounds of a maximized window as frame position and client size.
  QPoint frameOffset_;
};

}  // namespace quillet
