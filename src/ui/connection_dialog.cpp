#include "ui/connection_dialog.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/text/text_codec.h"
#include "ui/icons.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr QSize kClientSize(567, 337);

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().toStdString());
}

}  // namespace

ConnectionDialog::ConnectionDialog(QWidget* parent) : ProgramWindow(parent), errors_(parent) {
  setWindowTitle(UiText(CP932("接続設定")));
  setWindowModality(Qt::ApplicationModal);

  categoryLabel_ =
      new QLabel(UiText(CP932("巡回するヘッドライン (巡回しない場合はチェックを外す)")), this);
  categoryList_ = Named(new QListWidget(this), QStringLiteral("categoryList"));
  categoryList_->setFixedSize(281, 265);
  for (int i = 0; i < kCategoryCount; ++i) {
    auto* row = new QListWidgetItem(UiText(ChecklistLabel(i)), categoryList_);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Checked);
  }
  divider_ = new QFrame(this);
  divider_->setFrameShape(QFrame::VLine);
  divider_->setFrameShadow(QFrame::Sunken);

  proxyLabel_ = new QLabel(UiText(CP932("HTTPプロクシ (アドレス : ポート番号)")), this);
  proxyEdit_ = Named(new QLineEdit(this), QStringLiteral("proxyEdit"));
  userNameLabel_ = new QLabel(UiText(CP932("ユーザー名")), this);
  userNameEdit_ = Named(new QLineEdit(this), QStringLiteral("userNameEdit"));
  passwordLabel_ = new QLabel(UiText(CP932("パスワード")), this);
  passwordEdit_ = Named(new QLineEdit(this), QStringLiteral("passwordEdit"));
  // The password is masked; the eye shows it while it is pressed in.
  passwordEdit_->setEchoMode(QLineEdit::Password);
  showPassword_ = Named(passwordEdit_->addAction(RevealIcon(), QLineEdit::TrailingPosition),
                        QStringLiteral("showPassword"));
  showPassword_->setCheckable(true);
  showPassword_->setToolTip(UiText(CP932("パスワードを表示")));
  connect(showPassword_, &QAction::toggled, this, [this](bool shown) {
    passwordEdit_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  addButton_ = Named(
      new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), UiText(CP932("追加")), this),
      QStringLiteral("addButton"));
  replaceButton_ = Named(
      new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), UiText(CP932("置換")), this),
      QStringLiteral("replaceButton"));
  copyButton_ =
      Named(new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), UiText(CP932("複写")), this),
            QStringLiteral("copyButton"));
  proxyListLabel_ = new QLabel(UiText(CP932("プロクシリスト")), this);
  proxyList_ = Named(new QListWidget(this), QStringLiteral("proxyList"));
  proxyList_->setSelectionMode(QAbstractItemView::SingleSelection);
  deleteButton_ = Named(new QToolButton(this), QStringLiteral("deleteButton"));
  deleteButton_->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  deleteButton_->setText(UiText(CP932("削除")));
  deleteButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("okButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("cancelButton"));
  okButton_->setDefault(true);

  auto* categories = new QVBoxLayout;
  categories->addWidget(categoryLabel_);
  categories->addWidget(categoryList_);
  categories->addStretch(1);

  auto* fields = new QGridLayout;
  fields->addWidget(userNameLabel_, 0, 0);
  fields->addWidget(passwordLabel_, 0, 1);
  fields->addWidget(userNameEdit_, 1, 0);
  fields->addWidget(passwordEdit_, 1, 1);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(addButton_);
  listButtons->addWidget(replaceButton_);
  listButtons->addWidget(copyButton_);
  listButtons->addStretch(1);
  auto* list = new QHBoxLayout;
  list->addWidget(proxyList_, 1);
  list->addWidget(deleteButton_, 0, Qt::AlignTop);
  auto* proxy = new QVBoxLayout;
  proxy->addWidget(proxyLabel_);
  proxy->addWidget(proxyEdit_);
  proxy->addLayout(fields);
  proxy->addLayout(listButtons);
  proxy->addWidget(proxyListLabel_);
  proxy->addLayout(list, 1);

  auto* body = new QHBoxLayout;
  body->addLayout(categories);
  body->addWidget(divider_);
  body->addLayout(proxy, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(addButton_, &QPushButton::clicked, this, [this] { AddProxyLine(); });
  connect(copyButton_, &QPushButton::clicked, this, [this] { CopyProxyLine(); });
  connect(replaceButton_, &QPushButton::clicked, this, [this] { ReplaceProxyLine(); });
  connect(deleteButton_, &QToolButton::clicked, this, [this] { DeleteProxyLine(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
}

void ConnectionDialog::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { LoadSettings(); });
}

void ConnectionDialog::LoadSettings() {
  proxyList_->clear();
  const settings::Connection stored = settings::ReadConnection();
  for (int i = 0; i < kCategoryCount; ++i) {
    categoryList_->item(i)->setCheckState(stored.enabled[static_cast<size_t>(i)] ? Qt::Checked
                                                                                 : Qt::Unchecked);
  }
  proxyEdit_->setText(UiText(stored.proxy.address));
  userNameEdit_->setText(UiText(stored.proxy.userName));
  passwordEdit_->setText(UiText(stored.proxy.password));
  showPassword_->setChecked(false);
  for (const std::string& line : stored.proxyList)
    proxyList_->addItem(UiText(line));
}

void ConnectionDialog::keyPressEvent(QKeyEvent* event) {
  if (!DialogKeyPress(event, okButton_, cancelButton_)) ProgramWindow::keyPressEvent(event);
}

int ConnectionDialog::SelectedLine() const {
  const QList<QListWidgetItem*> selected = proxyList_->selectedItems();
  return selected.isEmpty() ? -1 : proxyList_->row(selected.first());
}

std::string ConnectionDialog::FieldsLine() const {
  return settings::JoinProxyEntry(
      {FieldText(proxyEdit_), FieldText(userNameEdit_), FieldText(passwordEdit_)});
}

void ConnectionDialog::AddProxyLine() {
  proxyList_->addItem(UiText(FieldsLine()));
}

void ConnectionDialog::CopyProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  const settings::Proxy entry =
      settings::SplitProxyEntry(Utf8ToCp932(proxyList_->item(line)->text().toStdString()));
  proxyEdit_->setText(UiText(entry.address));
  userNameEdit_->setText(UiText(entry.userName));
  passwordEdit_->setText(UiText(entry.password));
}

void ConnectionDialog::ReplaceProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  proxyList_->item(line)->setText(UiText(FieldsLine()));
}

void ConnectionDialog::DeleteProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  delete proxyList_->takeItem(line);
  // The list would otherwise move the selection to a neighbour.
  proxyList_->clearSelection();
  proxyList_->setCurrentRow(-1);
}

void ConnectionDialog::Confirm() {
  settings::Connection confirmed;
  for (int i = 0; i < kCategoryCount; ++i) {
    confirmed.enabled[static_cast<size_t>(i)] = categoryList_->item(i)->checkState() == Qt::Checked;
  }
  confirmed.proxy = {FieldText(proxyEdit_), FieldText(userNameEdit_), FieldText(passwordEdit_)};
  for (int n = 0; n < proxyList_->count(); ++n)
    confirmed.proxyList.push_back(Utf8ToCp932(proxyList_->item(n)->text().toStdString()));
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the keys before the failing one already stored.
  close();
  RunGuarded(errors_, [&confirmed] { settings::WriteConnection(confirmed); });
}

void ConnectionDialog::Cancel() {
  close();
}

}  // namespace quillet
