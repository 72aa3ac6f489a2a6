#include "ui/message_box.h"

#include <QMessageBox>
#include <QString>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

void ShowMessage(QWidget* owner, const std::string& text, const std::string& caption,
                 MessageIcon icon) {
  if (Hook()) {
    Hook()(text, caption, icon);
    return;
  }
  QMessageBox box(ToQt(icon), QString::fromStdString(Cp932ToUtf8(caption)),
                  QString::fromStdString(Cp932ToUtf8(text)), QMessageBox::Ok, owner);
  box.exec();
}

void SetMessageHookForTesting(MessageHook hook) {
  Hook() = std::move(hook);
}

}  // namespace quillet
