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

TForm3::TForm3(QWidget* parent) : TFreeForm(parent), errors_(parent) {
  setWindowTitle(UiText(CP932("接続設定")));
  setWindowModality(Qt::ApplicationModal);

  Label1 = new QLabel(UiText(CP932("巡回するヘッドライン (巡回しない場合はチェックを外す)")), this);
  CheckListBox1 = new QListWidget(this);
  CheckListBox1->setFixedSize(281, 265);
  for (int i = 0; i < kCategoryCount; ++i) {
    auto* row = new QListWidgetItem(UiText(ChecklistLabel(i)), CheckListBox1);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Checked);
  }
  Bevel1 = new QFrame(this);
  Bevel1->setFrameShape(QFrame::VLine);
  Bevel1->setFrameShadow(QFrame::Sunken);

  Label2 = new QLabel(UiText(CP932("HTTPプロクシ (アドレス : ポート番号)")), this);
  Edit1 = new QLineEdit(this);
  Label3 = new QLabel(UiText(CP932("ユーザー名")), this);
  Edit2 = new QLineEdit(this);
  Label4 = new QLabel(UiText(CP932("パスワード")), this);
  Edit3 = new QLineEdit(this);
  // The password is masked; the eye shows it while it is pressed in.
  Edit3->setEchoMode(QLineEdit::Password);
  showPassword_ = Edit3->addAction(RevealIcon(), QLineEdit::TrailingPosition);
  showPassword_->setCheckable(true);
  showPassword_->setToolTip(UiText(CP932("パスワードを表示")));
  showPassword_->setObjectName(QStringLiteral("showPassword"));
  connect(showPassword_, &QAction::toggled, this, [this](bool shown) {
    Edit3->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  BitBtn1 =
      new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), UiText(CP932("追加")), this);
  BitBtn3 =
      new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), UiText(CP932("置換")), this);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), UiText(CP932("複写")), this);
  Label5 = new QLabel(UiText(CP932("プロクシリスト")), this);
  ListBox1 = new QListWidget(this);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  BitBtn4 = new QToolButton(this);
  BitBtn4->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  BitBtn4->setText(UiText(CP932("削除")));
  BitBtn4->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button2 = new QPushButton(UiText(CP932("キャンセル")), this);
  Button1->setDefault(true);

  auto* categories = new QVBoxLayout;
  categories->addWidget(Label1);
  categories->addWidget(CheckListBox1);
  categories->addStretch(1);

  auto* fields = new QGridLayout;
  fields->addWidget(Label3, 0, 0);
  fields->addWidget(Label4, 0, 1);
  fields->addWidget(Edit2, 1, 0);
  fields->addWidget(Edit3, 1, 1);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(BitBtn1);
  listButtons->addWidget(BitBtn3);
  listButtons->addWidget(BitBtn2);
  listButtons->addStretch(1);
  auto* list = new QHBoxLayout;
  list->addWidget(ListBox1, 1);
  list->addWidget(BitBtn4, 0, Qt::AlignTop);
  auto* proxy = new QVBoxLayout;
  proxy->addWidget(Label2);
  proxy->addWidget(Edit1);
  proxy->addLayout(fields);
  proxy->addLayout(listButtons);
  proxy->addWidget(Label5);
  proxy->addLayout(list, 1);

  auto* body = new QHBoxLayout;
  body->addLayout(categories);
  body->addWidget(Bevel1);
  body->addLayout(proxy, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  connect(BitBtn4, &QToolButton::clicked, this, [this] { BitBtn4Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TForm3::showEvent(QShowEvent* event) {
  TFreeForm::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { FormShow(); });
}

void TForm3::FormShow() {
  ListBox1->clear();
  const settings::Connection stored = settings::ReadConnection();
  for (int i = 0; i < kCategoryCount; ++i) {
    CheckListBox1->item(i)->setCheckState(stored.enabled[static_cast<size_t>(i)] ? Qt::Checked
                                                                                 : Qt::Unchecked);
  }
  Edit1->setText(UiText(stored.proxy.address));
  Edit2->setText(UiText(stored.proxy.userName));
  Edit3->setText(UiText(stored.proxy.password));
  showPassword_->setChecked(false);
  for (const std::string& line : stored.proxyList)
    ListBox1->addItem(UiText(line));
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  if (!DialogKeyPress(event, Button1, Button2)) TFreeForm::keyPressEvent(event);
}

int TForm3::SelectedLine() const {
  const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
  return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

std::string TForm3::FieldsLine() const {
  return settings::JoinProxyEntry({FieldText(Edit1), FieldText(Edit2), FieldText(Edit3)});
}

void TForm3::BitBtn1Click() {
  ListBox1->addItem(UiText(FieldsLine()));
}

void TForm3::BitBtn2Click() {
  const int line = SelectedLine();
  if (line < 0) return;
  const settings::Proxy entry =
      settings::SplitProxyEntry(Utf8ToCp932(ListBox1->item(line)->text().toStdString()));
  Edit1->setText(UiText(entry.address));
  Edit2->setText(UiText(entry.userName));
  Edit3->setText(UiText(entry.password));
}

void TForm3::BitBtn3Click() {
  const int line = SelectedLine();
  if (line < 0) return;
  ListBox1->item(line)->setText(UiText(FieldsLine()));
}

void TForm3::BitBtn4Click() {
  const int line = SelectedLine();
  if (line < 0) return;
  delete ListBox1->takeItem(line);
  // The list would otherwise move the selection to a neighbour.
  ListBox1->clearSelection();
  ListBox1->setCurrentRow(-1);
}

void TForm3::Button1Click() {
  settings::Connection confirmed;
  for (int i = 0; i < kCategoryCount; ++i) {
    confirmed.enabled[static_cast<size_t>(i)] = CheckListBox1->item(i)->checkState() == Qt::Checked;
  }
  confirmed.proxy = {FieldText(Edit1), FieldText(Edit2), FieldText(Edit3)};
  for (int n = 0; n < ListBox1->count(); ++n)
    confirmed.proxyList.push_back(Utf8ToCp932(ListBox1->item(n)->text().toStdString()));
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the keys before the failing one already stored.
  close();
  RunGuarded(errors_, [&confirmed] { settings::WriteConnection(confirmed); });
}

void TForm3::Button2Click() {
  close();
}

}  // namespace quillet
