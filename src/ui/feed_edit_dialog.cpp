#include "ui/feed_edit_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/feed_list.h"
#include "core/sys/error_display.h"
#include "core/text/text_codec.h"
#include "ui/error_box.h"
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
  findButton_ = Named(new QPushButton(UiText(CP932("フィードを探す")), this),
                      QStringLiteral("feedFindButton"));
  findButton_->setToolTip(UiText(CP932("URL のページが知らせるフィードを探します")));
  foundFeeds_ = Named(new QMenu(this), QStringLiteral("foundFeedsMenu"));
  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("feedOkButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("feedCancelButton"));
  okButton_->setDefault(true);

  auto* fields = new QFormLayout;
  fields->addRow(UiText(CP932("名前")), nameEdit_);
  auto* url = new QHBoxLayout;
  url->addWidget(urlEdit_, 1);
  url->addWidget(findButton_);
  fields->addRow(QStringLiteral("URL"), url);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(findButton_, &QPushButton::clicked, this, [this] { FindFeeds(); });
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
  findButton_->setEnabled(true);
  nameEdit_->setFocus();
  open();
}

void FeedEditDialog::done(int result) {
  search_.Stop();
  foundFeeds_->close();
  QDialog::done(result);
}

void FeedEditDialog::FindFeeds() {
  const std::string url = FieldText(urlEdit_);
  if (const auto problem = settings::FeedUrlProblem(url)) {
    ShowMessage(this, *problem, title_, MessageIcon::kExclamation);
    return;
  }
  // A page of no sections: only the feeds it announces are asked for. A
  // failure is named by the URL until the feed has a name.
  PageSource page;
  page.name = FieldText(nameEdit_).empty() ? url : FieldText(nameEdit_);
  page.url = url;
  ErrorBox errors(this);
  RunGuarded(errors, [&] {
    search_.Start(page, [this](const PageTrialResult& result) { OfferFeeds(result); });
  });
  findButton_->setEnabled(!search_.Running());
}

void FeedEditDialog::OfferFeeds(const PageTrialResult& result) {
  findButton_->setEnabled(true);
  if (!result.failure.empty()) {
    ShowMessage(this, result.failure, title_, MessageIcon::kExclamation);
    return;
  }
  if (result.feeds.empty()) {
    ShowMessage(this, CP932("このページはフィードを知らせていません"), title_,
                MessageIcon::kInformation);
    return;
  }
  foundFeeds_->clear();
  for (const AnnouncedFeed& feed : result.feeds) {
    const std::string caption = (feed.title.empty() ? "" : feed.title + "  ") + feed.url;
    QAction* pick = foundFeeds_->addAction(MenuCaption(caption));
    connect(pick, &QAction::triggered, this, [this, feed] {
      urlEdit_->setText(UiText(feed.url));
      if (nameEdit_->text().trimmed().isEmpty()) nameEdit_->setText(UiText(feed.title));
    });
  }
  foundFeeds_->popup(findButton_->mapToGlobal(QPoint(0, findButton_->height())));
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
