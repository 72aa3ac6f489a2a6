#include "ui/behaviour_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <utility>

#include "core/settings/browser_lookup.h"
#include "core/settings/settings.h"
#include "core/text/text_codec.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr QSize kClientSize(436, 319);
constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 6000;

OpenFileHook& Hook() {
  static OpenFileHook hook;
  return hook;
}

// The interval that a typed text stands for: a number outside the range goes
// to the nearest bound, and text that is not a number reads as the minimum.
int IntervalOfText(const QString& typed) {
  QStringView text = QStringView(typed).trimmed();
  bool negative = false;
  if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text = text.mid(1);
  }
  if (text.isEmpty()) return kMinInterval;
  for (QChar c : text)
    if (c < u'0' || c > u'9') return kMinInterval;
  if (negative) return kMinInterval;
  while (text.size() > 1 && text.front() == u'0')
    text = text.mid(1);
  if (text.size() > 9) return kMaxInterval;  // beyond int, far beyond the range
  return std::clamp(text.toInt(), kMinInterval, kMaxInterval);
}

// The number box. A plain spin box refuses keystrokes that leave its range
// or are not digits; this one takes any text and settles it when the focus
// leaves (or on Enter, or when the program asks), as IntervalOfText says.
class IntervalBox : public QSpinBox {
 public:
  explicit IntervalBox(QWidget* parent) : QSpinBox(parent) { setRange(kMinInterval, kMaxInterval); }

 protected:
  QValidator::State validate(QString& input, int&) const override {
    bool ok = false;
    const int value = input.toInt(&ok);
    if (ok && value >= minimum() && value <= maximum() && input == QString::number(value))
      return QValidator::Acceptable;
    return QValidator::Intermediate;  // allowed while typing, fixed up later
  }
  void fixup(QString& input) const override { input = QString::number(IntervalOfText(input)); }
  int valueFromText(const QString& text) const override { return IntervalOfText(text); }
  QString textFromValue(int value) const override { return QString::number(value); }
};

QPushButton* BrowseButton(QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("..."), parent);
  button->setFixedWidth(std::max(25, button->fontMetrics().horizontalAdvance(button->text()) + 12));
  return button;
}

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().toStdString());
}

}  // namespace

void SetOpenFileHookForTesting(OpenFileHook hook) {
  Hook() = std::move(hook);
}

TForm4::TForm4(QWidget* parent) : TFreeForm(parent), errors_(parent) {
  setWindowTitle(UiText(CP932("動作設定")));
  setWindowModality(Qt::ApplicationModal);

  CheckBox1 = new QCheckBox(UiText(CP932("空行を挿入しない")), this);
  CheckBox2 = new QCheckBox(UiText(CP932("ログを保存する")), this);
  CheckBox3 = new QCheckBox(UiText(CP932("新着ヘッドラインのみ表示する")), this);
  CheckBox4 =
      new QCheckBox(UiText(CP932("ヘッドラインのダブルクリック時、新しいブラウザで開く")), this);
  Label1 = new QLabel(UiText(CP932("使用するブラウザとプログラムパス")), this);
  RadioButton1 = new QRadioButton(QStringLiteral("Internet Explorer"), this);
  RadioButton1->setChecked(true);
  Edit1 = new QLineEdit(this);
  Button4 = BrowseButton(this);
  RadioButton2 = new QRadioButton(QStringLiteral("Netscape Navigater"), this);
  Edit2 = new QLineEdit(this);
  Button3 = BrowseButton(this);
  Label2 = new QLabel(UiText(CP932("巡回タイマー間隔")), this);
  SpinEdit1 = new IntervalBox(this);
  SpinEdit1->setValue(120);
  Label3 = new QLabel(UiText(CP932("分")), this);
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button2 = new QPushButton(UiText(CP932("キャンセル")), this);
  Button1->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
    layout->addWidget(box);
  layout->addSpacing(8);
  layout->addWidget(Label1);
  const auto addBrowser = [layout](QRadioButton* choice, QLineEdit* path, QPushButton* browse) {
    layout->addWidget(choice);
    auto* row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(path, 1);
    row->addWidget(browse);
    layout->addLayout(row);
  };
  addBrowser(RadioButton1, Edit1, Button4);
  addBrowser(RadioButton2, Edit2, Button3);
  layout->addSpacing(8);
  auto* interval = new QHBoxLayout;
  interval->addWidget(Label2);
  interval->addWidget(SpinEdit1);
  interval->addWidget(Label3);
  interval->addStretch(1);
  layout->addLayout(interval);
  layout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  layout->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
}

void TForm4::showEvent(QShowEvent* event) {
  TFreeForm::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { FormShow(); });
}

void TForm4::FormShow() {
  const settings::Behaviour stored = settings::ReadBehaviour();
  CheckBox1->setChecked(stored.noAddEmpty);
  CheckBox2->setChecked(stored.saveLog);
  CheckBox3->setChecked(stored.addNewsOnly);
  CheckBox4->setChecked(stored.newWindowOnly);
  SpinEdit1->setValue(stored.timerInterval);  // the box pulls it into its range
  (stored.ieSelect ? RadioButton1 : RadioButton2)->setChecked(true);
  // An empty path is looked up; what is found is stored only on OK.
  Edit1->setText(UiText(stored.iePath.empty() ? RegisteredIEPath() : stored.iePath));
  Edit2->setText(UiText(stored.nnPath.empty() ? RegisteredNNPath() : stored.nnPath));
}

void TForm4::keyPressEvent(QKeyEvent* event) {
  if (!DialogKeyPress(event, Button1, Button2)) TFreeForm::keyPressEvent(event);
}

void TForm4::Browse(QLineEdit* edit, const QString& filter) {
  // The named program first, as the setting asks for it; every file second,
  // since the program carries another name on this system.
  const QString filters = filter + QStringLiteral(";;") + UiText(CP932("すべてのファイル (*)"));
  const QString picked =
      Hook() ? Hook()(filters) : QFileDialog::getOpenFileName(this, QString(), QString(), filters);
  if (!picked.isEmpty()) edit->setText(picked);
}

void TForm4::Button4Click() {
  Browse(Edit1, QStringLiteral("Internet Explorer(iexplore.exe)"));
}

void TForm4::Button3Click() {
  Browse(Edit2, QStringLiteral("Netscape Navigater(netscape.exe)"));
}

void TForm4::Button1Click() {
  // A typed value counts as it would once the focus had left the box.
  SpinEdit1->interpretText();
  settings::Behaviour confirmed;
  confirmed.noAddEmpty = CheckBox1->isChecked();
  confirmed.saveLog = CheckBox2->isChecked();
  confirmed.addNewsOnly = CheckBox3->isChecked();
  confirmed.newWindowOnly = CheckBox4->isChecked();
  confirmed.ieSelect = RadioButton1->isChecked();
  confirmed.iePath = FieldText(Edit1);
  confirmed.nnPath = FieldText(Edit2);
  confirmed.timerInterval = SpinEdit1->value();
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the keys before the failing one stored and the timer
  // left as it was.
  close();
  RunGuarded(errors_, [this, &confirmed] {
    settings::WriteBehaviour(confirmed);
    if (OnIntervalConfirmed) OnIntervalConfirmed(confirmed.timerInterval);
  });
}

void TForm4::Button2Click() {
  close();
}

}  // namespace quillet
