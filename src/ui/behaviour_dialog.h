// The behaviour settings dialog "動作設定": the headline list and log flags,
// the browser that opens articles with its program paths, and the patrol
// interval. It is filled from the settings file each time it is shown (a path
// field that would open empty gets the installed browser's path) and writes
// back only on OK.
#pragma once

#include <QString>

#include <functional>

#include "ui/error_box.h"
#include "ui/program_window.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QSpinBox;

namespace quillet {

class TForm4 : public TFreeForm {
 public:
  explicit TForm4(QWidget* parent = nullptr);

  // Handlers, named after the controls they serve.
  void Button1Click();  // OK: close, write every key, then OnIntervalConfirmed
  void Button2Click();  // Cancel: close, write nothing
  void Button3Click();  // "..." beside Edit2
  void Button4Click();  // "..." beside Edit1

  // Controls, named as in the window's description.
  QCheckBox* CheckBox1;  // NoAddEmpty
  QCheckBox* CheckBox2;  // SaveLog
  QCheckBox* CheckBox3;  // AddNewsOnly
  QCheckBox* CheckBox4;  // NewWindowOnly
  QLabel* Label1;
  QRadioButton* RadioButton1;  // IESelect true
  QLineEdit* Edit1;            // IEPath
  QPushButton* Button4;
  QRadioButton* RadioButton2;  // IESelect false
  QLineEdit* Edit2;            // NNPath
  QPushButton* Button3;
  QLabel* Label2;
  // 1..6000; any text may be typed, and when the focus leaves, a number
  // outside the range goes to the nearest bound and anything else reads as 1.
  QSpinBox* SpinEdit1;
  QLabel* Label3;
  QPushButton* Button1;  // OK (Enter)
  QPushButton* Button2;  // Cancel (Esc)

  // Called after OK has written the settings, with the confirmed patrol
  // interval in minutes (1..6000).
  std::function<void(int minutes)> OnIntervalConfirmed;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  void Browse(QLineEdit* edit, const QString& filter);

  ErrorBox errors_;
};

// Test hook in place of the file-open dialog: while set, a "..." button calls
// it with the dialog's filter list instead of showing the dialog, and takes
// its answer as the picked file's full path (empty: cancelled).
using OpenFileHook = std::function<QString(const QString& filters)>;
void SetOpenFileHookForTesting(OpenFileHook hook);

}  // namespace quillet

using quillet::TForm4;
