#include "ui/error_box.h"

#include "ui/message_box.h"

namespace quillet {

void ErrorBox::ShowError(const std::string& message) {
  ++showing_;
  struct Closed {
    int& count;
    ~Closed() { --count; }
  } closed{showing_};
  ShowMessage(owner_, message, "Quillet", MessageIcon::kStop);
}

}  // namespace quillet
