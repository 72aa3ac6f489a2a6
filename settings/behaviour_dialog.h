// The behaviour settings dialog "動作設定". For now only its frame and the OK
// and Cancel buttons, which close it.
#pragma once

#include "ui/free_form.h"

class QPushButton;

namespace quillet {

class TForm4 : public TFreeForm {
 public:
  explicit TForm4(QWidget* parent = nullptr);

  QPushButton* Button1;  // OK
  QPushButton* Button2;  // Cancel
};

}  // namespace quillet

using quillet::TForm4;
