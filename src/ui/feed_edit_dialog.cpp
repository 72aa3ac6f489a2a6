#include "ui/feed_edit_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/feed_list.h"
#include "core/text/text_codec.h"
#include "ui/message_box.h"
#include "ui/program_window.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().trimmed().toStdString());
}

}  // namespace

FeedEditDialog::FeedEditDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("feedEditDialog"));
  nameEdit_ = Named(new QLineEdit(this), QStringLiteral("feedNameEdit"));
  urlEdit_ = Named(new QLineEdit(this), QStringLiteral("feedUrlEdit"));
  urlEdit_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("feedOkButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("feedCancelButton"));
  okButton_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(UiText(CP932("名前")), nameEdit_);
  fields->addRow(QStringLiteral("URL"), urlEdit_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void FeedEditDialog::Open(
    const std::string& title, const std::string& name, const std::string& url,
    std::vector<settings::FeedSource> others,
    std::function<void(const std::string& name, const std::string& url)> confirmed) {
  title_ = title;
  others_ = std::move(others);
  setWindowTitle(UiText(title));
  nameEdit_->setText(UiText(name));
  urlEdit_->setText(UiText(url));
  confirmed_ = std::move(confirmed);
  nameEdit_->setFocus();
  open();
}

void FeedEditDialog::Confirm() {
  const std::string name = FieldText(nameEdit_);
  const std::string url = FieldText(urlEdit_);
  // The first of the two problems; the fields keep the text to be put right.
  auto problem = settings::FeedNameProblem(name);
  if (!problem) problem = settings::FeedUrlProblem(url);
  if (!problem) problem = settings::FeedUrlClash(others_, url);
  if (problem) {
    ShowMessage(this, *problem, title_, MessageIcon::kExclamation);
    return;
  }
  accept();
  if (confirmed_) confirmed_(name, url);
}

}  // namespace quillet
