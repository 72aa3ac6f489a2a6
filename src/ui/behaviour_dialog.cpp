#include "ui/behaviour_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/settings/browser_lookup.h"
#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/sys/autostart.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr QSize kClientSize(656, 319);
constexpr int kMinInterval = settings::key::kTimerInterval.least;
constexpr int kMaxInterval = settings::key::kTimerInterval.most;

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

// A tool button: a push button with text is kept at a style's minimum width
// (Fusion: 80 pixels), far more than "..." needs.
QToolButton* BrowseButton(QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(QStringLiteral("..."));
  // As tall as the path field beside it.
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return button;
}

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().toStdString());
}

// A watch list row holds its keyword's CP932 bytes beside the text shown, so
// that a keyword read from the file goes back unchanged.
constexpr int kKeywordRole = Qt::UserRole;

std::string KeywordOf(const QModelIndex& row) {
  return row.data(kKeywordRole).toByteArray().toStdString();
}

void SetKeyword(QAbstractItemModel& rows, const QModelIndex& row, const std::string& keyword) {
  rows.setData(row, UiText(keyword), Qt::EditRole);
  rows.setData(row, QByteArray::fromStdString(keyword), kKeywordRole);
}

void AppendKeyword(QListWidget& list, const std::string& keyword) {
  auto* row = new QListWidgetItem(&list);
  row->setFlags(row->flags() | Qt::ItemIsEditable);
  SetKeyword(*list.model(), list.indexFromItem(row), keyword);
}

// The in-place editor of the watch list: the edited keyword replaces the
// row's only when `accept` takes it; otherwise the row keeps its old one.
class WatchKeywordDelegate : public QStyledItemDelegate {
 public:
  using Accept = std::function<bool(const std::string& keyword, int row)>;
  WatchKeywordDelegate(Accept accept, QObject* parent)
      : QStyledItemDelegate(parent), accept_(std::move(accept)) {}

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    const auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit == nullptr) return;
    // Unchanged text keeps the stored bytes.
    if (edit->text() == index.data(Qt::EditRole).toString()) return;
    const std::string keyword = FieldText(edit);
    if (accept_(keyword, index.row())) SetKeyword(*model, index, keyword);
  }

 private:
  Accept accept_;
};

}  // namespace

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
  intervalSpin_->setValue(settings::key::kTimerInterval.byDefault);
  minutesLabel_ = new QLabel(UiText(CP932("分")), this);
  divider_ = new QFrame(this);
  divider_->setFrameShape(QFrame::VLine);
  divider_->setFrameShadow(QFrame::Sunken);

  watchLabel_ = new QLabel(UiText(CP932("ウォッチするキーワード")), this);
  watchKeywordEdit_ = Named(new QLineEdit(this), QStringLiteral("watchKeywordEdit"));
  watchLabel_->setBuddy(watchKeywordEdit_);
  watchAddButton_ =
      Named(new QPushButton(UiText(CP932("追加")), this), QStringLiteral("watchAddButton"));
  watchList_ = Named(new QListWidget(this), QStringLiteral("watchList"));
  watchList_->setSelectionMode(QAbstractItemView::SingleSelection);
  watchList_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  watchList_->setItemDelegate(new WatchKeywordDelegate(
      [this](const std::string& keyword, int row) {
        const auto why = WatchKeywordRefusal(keyword, row);
        // Shown once the editor has closed: a box would take its focus
        // while it is being closed.
        if (why)
          QMetaObject::invokeMethod(
              this, [this, why = *why] { ShowRefusal(why); }, Qt::QueuedConnection);
        return !why;
      },
      watchList_));
  {
    // Room for a dozen keywords of sixteen characters in any font: the
    // dialog grows rather than squeeze the list. A row's height is the one
    // of a row the list holds.
    const auto* probe = new QListWidgetItem(UiText(CP932("漢")), watchList_);
    const int row = watchList_->sizeHintForRow(0);
    delete probe;
    const int frame = 2 * watchList_->frameWidth();
    watchList_->setMinimumSize(
        watchList_->fontMetrics().horizontalAdvance(UiText(CP932("漢")).repeated(16)) + frame +
            style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, watchList_),
        12 * row + frame);
  }
  watchRemoveButton_ =
      Named(new QPushButton(UiText(CP932("削除")), this), QStringLiteral("watchRemoveButton"));
  watchFoldWidthCheck_ = Named(new QCheckBox(UiText(CP932("全角と半角を区別しない")), this),
                               QStringLiteral("watchFoldWidthCheck"));
  notifyLabel_ = new QLabel(UiText(CP932("通知")), this);
  // A group of their own, apart from the browser choice beside them.
  notifyChoice_ = new QButtonGroup(this);
  for (const auto& [notify, caption, name] :
       {std::tuple{settings::Notify::kNew, CP932("新着のみ"), "notifyNewRadio"},
        std::tuple{settings::Notify::kWatchOnly, CP932("ウォッチのみ"), "notifyWatchRadio"},
        std::tuple{settings::Notify::kNever, CP932("通知しない"), "notifyNeverRadio"}}) {
    auto* choice = Named(new QRadioButton(UiText(caption), this), QString::fromLatin1(name));
    notifyChoice_->addButton(choice, static_cast<int>(notify));
  }
  notifyChoice_->button(static_cast<int>(settings::Notify::kNew))->setChecked(true);
  autostartCheck_ = Named(new QCheckBox(UiText(CP932("ログイン時に起動する")), this),
                          QStringLiteral("autostartCheck"));

  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("okButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("cancelButton"));
  okButton_->setDefault(true);

  // The list, browser and timer settings on the left, the watch on the right.
  auto* layout = new QVBoxLayout;
  for (QCheckBox* box : {noAddEmptyCheck_, saveLogCheck_, newOnlyCheck_, newWindowOnlyCheck_})
    layout->addWidget(box);
  layout->addSpacing(8);
  layout->addWidget(browserLabel_);
  const auto addBrowser = [layout](QRadioButton* choice, QLineEdit* path, QToolButton* browse) {
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
  layout->addWidget(autostartCheck_);
  layout->addStretch(1);

  auto* watchRows = new QGridLayout;
  watchRows->addWidget(watchKeywordEdit_, 0, 0);
  watchRows->addWidget(watchAddButton_, 0, 1);
  watchRows->addWidget(watchList_, 1, 0);
  watchRows->addWidget(watchRemoveButton_, 1, 1, Qt::AlignTop);
  auto* watch = new QVBoxLayout;
  watch->addWidget(watchLabel_);
  watch->addLayout(watchRows, 1);
  watch->addWidget(watchFoldWidthCheck_);
  watch->addSpacing(8);
  watch->addWidget(notifyLabel_);
  for (QAbstractButton* choice : notifyChoice_->buttons())
    watch->addWidget(choice);

  auto* body = new QHBoxLayout;
  body->addLayout(layout, 1);
  body->addWidget(divider_);
  body->addLayout(watch);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* window = new QVBoxLayout(this);
  window->addLayout(body, 1);
  window->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(secondBrowserBrowseButton_, &QToolButton::clicked, this,
          [this] { BrowseSecondBrowser(); });
  connect(firstBrowserBrowseButton_, &QToolButton::clicked, this, [this] { BrowseFirstBrowser(); });
  connect(watchAddButton_, &QPushButton::clicked, this, [this] { AddWatchKeyword(); });
  connect(watchRemoveButton_, &QPushButton::clicked, this, [this] { RemoveWatchKeyword(); });
}

void BehaviourDialog::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { LoadSettings(); });
}

void BehaviourDialog::LoadSettings() {
  loaded_ = settings::ReadSettings();
  const settings::Behaviour& stored = loaded_.behaviour;
  noAddEmptyCheck_->setChecked(stored.noAddEmpty);
  saveLogCheck_->setChecked(stored.saveLog);
  newOnlyCheck_->setChecked(stored.addNewsOnly);
  newWindowOnlyCheck_->setChecked(stored.newWindowOnly);
  intervalSpin_->setValue(stored.timerInterval);  // the box pulls it into its range
  (stored.ieSelect ? firstBrowserRadio_ : secondBrowserRadio_)->setChecked(true);
  // An empty path is looked up; what is found is stored only on OK.
  firstBrowserEdit_->setText(UiText(stored.iePath.empty() ? RegisteredIEPath() : stored.iePath));
  secondBrowserEdit_->setText(UiText(stored.nnPath.empty() ? RegisteredNNPath() : stored.nnPath));
  watchKeywordEdit_->clear();
  watchList_->clear();
  for (const std::string& keyword : loaded_.watch.keywords)
    AppendKeyword(*watchList_, keyword);
  watchFoldWidthCheck_->setChecked(loaded_.watch.foldWidth);
  notifyChoice_->button(static_cast<int>(loaded_.watch.notify))->setChecked(true);
  autostartCheck_->setChecked(AutostartEnabled());
}

void BehaviourDialog::keyPressEvent(QKeyEvent* event) {
  // Enter in the keyword field adds the keyword instead of confirming.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && focusWidget() == watchKeywordEdit_ &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    AddWatchKeyword();
    return;
  }
  if (!DialogKeyPress(event, okButton_, cancelButton_)) ProgramWindow::keyPressEvent(event);
}

std::optional<std::string> BehaviourDialog::WatchKeywordRefusal(const std::string& keyword,
                                                                int row) const {
  if (auto problem = settings::WatchKeywordProblem(keyword)) return problem;
  std::vector<std::string> others;
  for (int other = 0; other < watchList_->count(); ++other) {
    if (other != row) others.push_back(KeywordOf(watchList_->model()->index(other, 0)));
  }
  return settings::WatchKeywordClash(others, keyword);
}

void BehaviourDialog::ShowRefusal(const std::string& why) {
  ShowMessage(this, why, CP932("動作設定"), MessageIcon::kExclamation);
}

void BehaviourDialog::AddWatchKeyword() {
  const std::string keyword = FieldText(watchKeywordEdit_);
  if (auto why = WatchKeywordRefusal(keyword, -1)) {
    ShowRefusal(*why);  // the field keeps the text to be put right
    return;
  }
  AppendKeyword(*watchList_, keyword);
  watchKeywordEdit_->clear();
}

void BehaviourDialog::RemoveWatchKeyword() {
  const QList<QListWidgetItem*> selected = watchList_->selectedItems();
  if (selected.isEmpty()) return;
  delete watchList_->takeItem(watchList_->row(selected.first()));
  // The list would otherwise move the selection to a neighbour.
  watchList_->clearSelection();
  watchList_->setCurrentRow(-1);
}

void BehaviourDialog::Browse(QLineEdit* edit, const QString& filter) {
  // The named program first, as the setting asks for it; every file second,
  // since the program carries another name on this system.
  const QString filters = filter + QStringLiteral(";;") + UiText(CP932("すべてのファイル (*)"));
  const QString picked = AskFileToOpen(this, filters);
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
  settings::WatchSettings watch;
  for (int row = 0; row < watchList_->count(); ++row)
    watch.keywords.push_back(KeywordOf(watchList_->model()->index(row, 0)));
  watch.foldWidth = watchFoldWidthCheck_->isChecked();
  watch.notify = static_cast<settings::Notify>(notifyChoice_->checkedId());
  const bool autostart = autostartCheck_->isChecked();
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the file and the timer left as they were.
  close();
  RunGuarded(errors_, [&] {
    // What the user changed, merged into the file as it is now.
    settings::EditSettings([&](settings::SettingsEdit& edit) {
      settings::MergeBehaviour(edit, confirmed, loaded_.behaviour);
      settings::MergeWatch(edit, watch, loaded_.watch);
    });
    if (OnIntervalConfirmed) OnIntervalConfirmed(confirmed.timerInterval);
    if (OnWatchConfirmed) OnWatchConfirmed();
    // The entry starts this program, on the folder of this start, in the tray.
    if (autostart != AutostartEnabled()) {
      std::string home = ChosenHome();
      if (!home.empty()) home.pop_back();
      SetAutostart(autostart,
                   QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(), home);
    }
  });
}

void BehaviourDialog::Cancel() {
  close();
}

}  // namespace quillet
