// The top-level error display of the window program: a message box with the
// error's text, the application title as caption and a stop icon. The
// program goes on afterwards.
#pragma once

#include <string>

#include "core/sys/error_display.h"

class QWidget;

namespace quillet {

class ErrorBox : public ErrorDisplay {
 public:
  explicit ErrorBox(QWidget* owner = nullptr) : owner_(owner) {}
  void ShowError(const std::string& message) override;

  // True while one of this display's boxes is open.
  bool Showing() const { return showing_ > 0; }

 private:
  QWidget* owner_;
  int showing_ = 0;
};

}  // namespace quillet
