// The connection settings dialog "接続設定". For now only its frame and the
// OK and Cancel buttons, which close it.
#pragma once

#include "ui/free_form.h"

class QPushButton;

namespace quillet {

class TForm3 : public TFreeForm {
 public:
  explicit TForm3(QWidget* parent = nullptr);

  QPushButton* Button1;  // OK
  QPushButton* Button2;  // Cancel
};

}  // namespace quillet

using quillet::TForm3;
