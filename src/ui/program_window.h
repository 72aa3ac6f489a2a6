// The common base of all windows of the program: a top-level window with its
// own taskbar entry that minimizes by itself and does not end the program
// when it closes (only the main window does).
#pragma once

#include <QWidget>

class QAbstractButton;
class QKeyEvent;

namespace quillet {

class ProgramWindow : public QWidget {
 public:
  // Always a top-level window, even with a parent: the parent only owns it
  // (and ends its life), it does not place it inside itself.
  explicit ProgramWindow(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

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
