#include "settings/behaviour_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text_codec.h"
#include "ui/ui_text.h"

namespace quillet {

TForm4::TForm4(QWidget* parent) : TFreeForm(parent) {
  setWindowTitle(UiText(CP932("動作設定")));
  setWindowModality(Qt::ApplicationModal);
  auto* buttons = new QDialogButtonBox;
  Button1 = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  Button2 = buttons->addButton(UiText(CP932("キャンセル")), QDialogButtonBox::RejectRole);
  Button1->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  layout->addWidget(buttons);
  connect(Button1, &QPushButton::clicked, this, &QWidget::close);
  connect(Button2, &QPushButton::clicked, this, &QWidget::close);
}

}  // namespace quillet
