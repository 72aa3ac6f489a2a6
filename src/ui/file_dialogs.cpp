#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace quillet {
namespace {

FileDialogHook& Hook() {
  static FileDialogHook hook;
  return hook;
}

}  // namespace

QString AskFileToOpen(QWidget* owner, const QString& filters) {
  return Hook() ? Hook()(filters)
                : QFileDialog::getOpenFileName(owner, QString(), QString(), filters);
}

QString AskFileToSave(QWidget* owner, const QString& filters, const QString& suggested) {
  return Hook() ? Hook()(filters)
                : QFileDialog::getSaveFileName(owner, QString(), suggested, filters);
}

void SetFileDialogHookForTesting(FileDialogHook hook) {
  Hook() = std::move(hook);
}

}  // namespace quillet
