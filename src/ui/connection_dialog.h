// The connection settings dialog "接続設定": which categories are fetched, the
// HTTP proxy, and a remembered list of proxies to copy from. It is filled from
// the settings file each time it is shown and writes back only on OK.
#pragma once

#include <string>

#include "ui/error_box.h"
#include "ui/program_window.h"

class QFrame;
class QKeyEvent;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QToolButton;

namespace quillet {

class TForm3 : public TFreeForm {
 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Handlers, named after the controls they serve. The proxy-list buttons
  // work on the controls only.
  void BitBtn1Click();  // 追加: append the three fields as a line
  void BitBtn2Click();  // 複写: the selected line into the three fields
  void BitBtn3Click();  // 置換: the three fields into the selected line
  void BitBtn4Click();  // 削除: delete the selected line
  void Button1Click();  // OK: close, then write every key
  void Button2Click();  // Cancel: close, write nothing

  // Controls, named as in the window's description.
  QLabel* Label1;
  QListWidget* CheckListBox1;  // row i = category i, ticked = enabled
  QFrame* Bevel1;
  QLabel* Label2;
  QLineEdit* Edit1;  // proxy address
  QLabel* Label3;
  QLineEdit* Edit2;  // proxy user name
  QLabel* Label4;
  QLineEdit* Edit3;  // proxy password, not masked
  QPushButton* BitBtn1;
  QPushButton* BitBtn3;
  QPushButton* BitBtn2;
  QLabel* Label5;
  QListWidget* ListBox1;  // lines "address TAB user TAB password"
  QToolButton* BitBtn4;
  QPushButton* Button1;  // OK (Enter)
  QPushButton* Button2;  // Cancel (Esc)

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  // The selected line of the proxy list, or -1.
  int SelectedLine() const;
  // The three fields joined into a proxy-list line, as CP932.
  std::string FieldsLine() const;

  ErrorBox errors_;
  QAction* showPassword_ = nullptr;  // the eye in the password field
};

}  // namespace quillet

using quillet::TForm3;
