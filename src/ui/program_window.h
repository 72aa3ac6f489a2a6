// The common base of all windows of the program: a top-level window that
// minimizes by itself and does not end the program when it closes (only the
// main window does).
#pragma once

#include <QWidget>

class QAbstractButton;
class QKeyEvent;

namespace quillet {

class ProgramWindow : public QWidget {
 public:
  // Always a top-level window, even with a parent: the parent owns it (and
  // ends its life) and does not place it inside itself. A window with a
  // parent belongs to it as a dialog: the window manager keeps it above the
  // parent (transient for it) and opens it there.
  explicit ProgramWindow(QWidget* parent = nullptr);

 protected:
  // For the settings dialogs, plain windows that act as dialogs: a fixed
  // frame of the designed size (larger only where the font needs it, smaller
  // only where the screen does), centred on the screen.
  void FixSizeAndCentre(QSize designed);
  // Enter presses the focused button or else `ok`, Esc presses `cancel`;
  // true when the key was one of them.
  bool DialogKeyPress(QKeyEvent* event, QAbstractButton* ok, QAbstractButton* cancel);
};

// Gives a control or action the object name that tests and inspection tools
// find it by, and returns it.
template <typename T>
T* Named(T* object, const QString& name) {
  object->setObjectName(name);
  return object;
}

}  // namespace quillet
