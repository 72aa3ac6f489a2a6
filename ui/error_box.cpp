#include "ui/error_box.h"

#include "ui/message_box.h"

namespace quillet {

void ErrorBox::ShowError(const std::string& message) {
  ShowMessage(owner_, message, "Quillet", MessageIcon::kStop);
}

}  // namespace quillet
