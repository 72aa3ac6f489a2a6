#include "ui/free_form.h"

#include <QWindow>

namespace quillet {

TFreeForm::TFreeForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  // Only the main window ends the program when it closes.
  setAttribute(Qt::WA_QuitOnClose, false);
}

void TFreeForm::showEvent(QShowEvent* event) {
  // Qt makes a window with a parent that parent's transient, which takes it
  // off the taskbar; every window of the program keeps its own entry.
  if (QWindow* window = windowHandle()) window->setTransientParent(nullptr);
  QWidget::showEvent(event);
}

}  // namespace quillet
