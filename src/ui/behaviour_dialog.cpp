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

BehaviourDialog::BehaviourDialog(QWidget* parent) : ProgramWindow(parent), errors_(parent) {
  setWindowTitle(UiText(CP932("動作設定")));
  setWindowModality(Qt::ApplicationModal);

  noAddEmptyCheck_ = Named(new QCheckBox(UiText(CP932("空行を挿入しない")), this),
                           QStringLiteral("noAddEmptyCheck"));
  saveLogCheck_ =
      Named(new QCheckBox(UiText(CP932("ログを保存する")), this), QStringLiteral("saveLogCheck"));
  newOnlyCheck_ = Named(new QCheckBox(UiText(CP932("新着ヘッドラインのみ表示する")), this),
                        QStringLiteral("newOnlyCheck"));
  newWindowOnlyCheck_ = Named(
      new QCheckBox(UiText(CP932("ヘッドラインのダブルクリック時、新しいブラウザで開く")), this),
      QStringLiteral("newWindowOnlyCheck"));
  browserLabel_ = new QLabel(UiText(CP932("使用するブラウザとプログラムパス")), this);
  firstBrowserRadio_ = Named(new QRadioButton(QStringLiteral("Internet Explorer"), this),
                             QStringLiteral("firstBrowserRadio"));
  firstBrowserRadio_->setChecked(true);
  firstBrowserEdit_ = Named(new QLineEdit(this), QStringLiteral("firstBrowserEdit"));
  firstBrowserBrowseButton_ = Named(BrowseButton(this), QStringLiteral("firstBrowserBrowseButton"));
  secondBrowserRadio_ = Named(new QRadioButton(QStringLiteral("Netscape Navigater"), this),
                              QStringLiteral("secondBrowserRadio"));
  secondBrowserEdit_ = Named(new QLineEdit(this), QStringLiteral("secondBrowserEdit"));
  secondBrowserBrowseButton_ =
      Named(BrowseButton(this), QStringLiteral("secondBrowserBrowseButton"));
  intervalLabel_ = new QLabel(UiText(CP932("巡回タイマー間隔")), this);
  intervalSpin_ = Named(new IntervalBox(this), QStringLiteral("intervalSpin"));
  intervalSpin_->setValue(120);
  minutesLabel_ = new QLabel(UiText(CP932("分")), this);
  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("okButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("cancelButton"));
  okButton_->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  for (QCheckBox* box : {noAddEmptyCheck_, saveLogCheck_, newOnlyCheck_, newWindowOnlyCheck_})
    layout->addWidget(box);
  layout->addSpacing(8);
  layout->addWidget(browserLabel_);
  const auto addBrowser = [layout](QRadioButton* choice, QLineEdit* path, QPushButton* browse) {
    layout->addWidget(choice);
    auto* row = new QHBoxLayout;
    row->addSpacing(20);
    row->addWidget(path, 1);
    row->addWidget(browse);
    layout->addLayout(row);
  };
  addBrowser(firstBrowserRadio_, firstBrowserEdit_, firstBrowserBrowseButton_);
  addBrowser(secondBrowserRadio_, secondBrowserEdit_, secondBrowserBrowseButton_);
  layout->addSpacing(8);
  auto* interval = new QHBoxLayout;
  interval->addWidget(intervalLabel_);
  interval->addWidget(intervalSpin_);
  interval->addWidget(minutesLabel_);
  interval->addStretch(1);
  layout->addLayout(interval);
  layout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  layout->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(secondBrowserBrowseButton_, &QPushButton::clicked, this,
          [this] { BrowseSecondBrowser(); });
  connect(firstBrowserBrowseButton_, &QPushButton::clicked, this, [this] { BrowseFirstBrowser(); });
}

void BehaviourDialog::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { LoadSettings(); });
}

void BehaviourDialog::LoadSettings() {
  const settings::Behaviour stored = settings::ReadBehaviour();
  noAddEmptyCheck_->setChecked(stored.noAddEmpty);
  saveLogCheck_->setChecked(stored.saveLog);
  newOnlyCheck_->setChecked(stored.addNewsOnly);
  newWindowOnlyCheck_->setChecked(stored.newWindowOnly);
  intervalSpin_->setValue(stored.timerInterval);  // the box pulls it into its range
  (stored.ieSelect ? firstBrowserRadio_ : secondBrowserRadio_)->setChecked(true);
  // An empty path is looked up; what is found is stored only on OK.
  firstBrowserEdit_->setText(UiText(stored.iePath.empty() ? RegisteredIEPath() : stored.iePath));
  secondBrowserEdit_->setText(UiText(stored.nnPath.empty() ? RegisteredNNPath() : stored.nnPath));
}

void BehaviourDialog::keyPressEvent(QKeyEvent* event) {
  if (!DialogKeyPress(event, okButton_, cancelButton_)) ProgramWindow::keyPressEvent(event);
}

void BehaviourDialog::Browse(QLineEdit* edit, const QString& filter) {
  // The named program first, as the setting asks for it; every file second,
  // since the program carries another name on this system.
  const QString filters = filter + QStringLiteral(";;") + UiText(CP932("すべてのファイル (*)"));
  const QString picked =
      Hook() ? Hook()(filters) : QFileDialog::getOpenFileName(this, QString(), QString(), filters);
  if (!picked.isEmpty()) edit->setText(picked);
}

void BehaviourDialog::BrowseFirstBrowser() {
  Browse(firstBrowserEdit_, QStringLiteral("Internet Explorer(iexplore.exe)"));
}

void BehaviourDialog::BrowseSecondBrowser() {
  Browse(secondBrowserEdit_, QStringLiteral("Netscape Navigater(netscape.exe)"));
}

void BehaviourDialog::Confirm() {
  // A typed value counts as it would once the focus had left the box.
  intervalSpin_->interpretText();
  settings::Behaviour confirmed;
  confirmed.noAddEmpty = noAddEmptyCheck_->isChecked();
  confirmed.saveLog = saveLogCheck_->isChecked();
  confirmed.addNewsOnly = newOnlyCheck_->isChecked();
  confirmed.newWindowOnly = newWindowOnlyCheck_->isChecked();
  confirmed.ieSelect = firstBrowserRadio_->isChecked();
  confirmed.iePath = FieldText(firstBrowserEdit_);
  confirmed.nnPath = FieldText(secondBrowserEdit_);
  confirmed.timerInterval = intervalSpin_->value();
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the keys before the failing one stored and the timer
  // left as it was.
  close();
  RunGuarded(errors_, [this, &confirmed] {
    settings::WriteBehaviour(confirmed);
    if (OnIntervalConfirmed) OnIntervalConfirmed(confirmed.timerInterval);
  });
}

void BehaviourDialog::Cancel() {
  close();
}

}  // namespace quillet
