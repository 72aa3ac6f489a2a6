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

class ConnectionDialog : public ProgramWindow {
 public:
  explicit ConnectionDialog(QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What the buttons do. The proxy-list buttons work on the controls only.
  void AddProxyLine();      // 追加: append the three fields as a line
  void CopyProxyLine();     // 複写: the selected line into the three fields
  void ReplaceProxyLine();  // 置換: the three fields into the selected line
  void DeleteProxyLine();   // 削除: delete the selected line
  void Confirm();           // OK: close, then write every key
  void Cancel();            // Cancel: close, write nothing
  void LoadSettings();
  // The selected line of the proxy list, or -1.
  int SelectedLine() const;
  // The three fields joined into a proxy-list line, as CP932.
  std::string FieldsLine() const;

  QLabel* categoryLabel_;
  QListWidget* categoryList_;  // row i = category i, ticked = enabled
  QFrame* divider_;
  QLabel* proxyLabel_;
  QLineEdit* proxyEdit_;  // proxy address
  QLabel* userNameLabel_;
  QLineEdit* userNameEdit_;  // proxy user name
  QLabel* passwordLabel_;
  QLineEdit* passwordEdit_;  // proxy password, masked
  QAction* showPassword_;    // the eye in the password field
  QPushButton* addButton_;
  QPushButton* replaceButton_;
  QPushButton* copyButton_;
  QLabel* proxyListLabel_;
  QListWidget* proxyList_;  // lines "address TAB user TAB password"
  QToolButton* deleteButton_;
  QPushButton* okButton_;      // OK (Enter)
  QPushButton* cancelButton_;  // Cancel (Esc)
  ErrorBox errors_;
};

}  // namespace quillet
