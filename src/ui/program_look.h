// The look the program's windows share: the font, with the Japanese faces a
// Linux desktop usually has, and a selection colour its text reads on.
#pragma once

#include <QObject>
#include <QPalette>

class QApplication;

namespace quillet {

class ProgramLook : public QObject {
 public:
  // Sets the windows' font, and keeps the application palette's selection
  // readable for as long as it lives, through every change of the theme.
  explicit ProgramLook(QApplication& app);

  // `palette` with the selection colour of each group darkened or lightened,
  // its hue kept, until the selected text reads on it (WCAG's 4.5:1); the
  // palette as it is where it reads already.
  static QPalette WithReadableSelection(QPalette palette);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void KeepSelectionReadable();
};

}  // namespace quillet
