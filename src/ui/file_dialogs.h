// The file dialogs of the program, with a hook that lets tests pick the file
// instead of a person.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quillet {

// The full path of the file picked to open, or to write, with `filters` as
// the dialog's list of types; empty when cancelled.
QString AskFileToOpen(QWidget* owner, const QString& filters);
QString AskFileToSave(QWidget* owner, const QString& filters, const QString& suggested);

// While set, the two call the hook with their filters instead of showing a
// dialog, and take its answer as the picked file.
using FileDialogHook = std::function<QString(const QString& filters)>;
void SetFileDialogHookForTesting(FileDialogHook hook);

}  // namespace quillet
