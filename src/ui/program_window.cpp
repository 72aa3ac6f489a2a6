#include "ui/program_window.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui/window_placement.h"

namespace quillet {

ProgramWindow::ProgramWindow(QWidget* parent)
    : QWidget(parent, parent != nullptr ? Qt::Dialog : Qt::Window) {
  // Only the main window ends the program when it closes.
  setAttribute(Qt::WA_QuitOnClose, false);
}

void ProgramWindow::FixSizeAndCentre(QSize designed) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  // A small or scaled-up screen takes back room the window was designed
  // with, down to what its controls need, so that the frame fits on it.
  if (screen != nullptr)
    designed = designed.boundedTo(screen->availableGeometry().size() - kFrameRoom);
  setFixedSize(designed.expandedTo(minimumSizeHint()));
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}

bool ProgramWindow::DialogKeyPress(QKeyEvent* event, QAbstractButton* ok, QAbstractButton* cancel) {
  if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
        button->click();
      } else {
        ok->click();
      }
      return true;
    case Qt::Key_Escape:
      cancel->click();
      return true;
    default:
      return false;
  }
}

}  // namespace quillet
