#include "ui/fetch_progress_dialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "core/settings/settings.h"
#include "core/text/text_codec.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/ui_text.h"

namespace quillet {

FetchProgressDialog::FetchProgressDialog(MainWindow& mainWindow)
    : ProgramWindow(&mainWindow),
      mainWindow_(mainWindow),
      errors_(&mainWindow),
      run_(mainWindow, *this) {
  // A title bar without buttons: the dialog cannot be closed from its frame.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(UiText(CP932("データの取得")));

  statusLabel_ = Named(new QLabel(this), QStringLiteral("statusLabel"));
  statusLabel_->setTextFormat(Qt::PlainText);
  // A long status must not widen the dialog.
  statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  progressBar_ = Named(new QProgressBar(this), QStringLiteral("progressBar"));
  progressBar_->setFixedHeight(16);
  progressBar_->setTextVisible(false);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  amountLabel_ = Named(new QLabel(this), QStringLiteral("amountLabel"));
  amountLabel_->setTextFormat(Qt::PlainText);
  // As wide as its widest text from the start: the dialog repaints at once
  // on every change, before the layout could widen the label.
  amountLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const QFontMetrics metrics = amountLabel_->fontMetrics();
  amountLabel_->setMinimumWidth(
      std::max(metrics.horizontalAdvance(UiText(AmountText(INT32_MAX, INT32_MAX))),
               metrics.horizontalAdvance(UiText(AmountText(INT32_MAX, 0)))));
  cancelButton_ = Named(new QPushButton(CloseIcon(palette().color(QPalette::ButtonText)),
                                        UiText(CP932("キャンセル")), this),
                        QStringLiteral("cancelButton"));
  skipButton_ = Named(new QPushButton(SkipIcon(palette().color(QPalette::ButtonText)),
                                      UiText(CP932("スキップ")), this),
                      QStringLiteral("skipButton"));

  // The style's margins and spacing keep the buttons off the frame.
  auto* amountRow = new QHBoxLayout;
  amountRow->addStretch(1);
  amountRow->addWidget(amountLabel_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(cancelButton_);
  buttonRow->addWidget(skipButton_);
  buttonRow->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(statusLabel_);
  layout->addWidget(progressBar_);
  layout->addLayout(amountRow);
  layout->addStretch(1);
  layout->addLayout(buttonRow);
  setFixedSize(QSize(313, 107).expandedTo(minimumSizeHint()));

  startTimer_ = new QTimer(this);
  startTimer_->setSingleShot(true);
  startTimer_->setInterval(1);

  connect(startTimer_, &QTimer::timeout, this, [this] { RunFetch(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(skipButton_, &QPushButton::clicked, this, [this] { Skip(); });
  run_.OnSourcesStarting = [this] {
    skipButton_->setEnabled(true);
    mainWindow_.FetchRunStarting();
  };
  run_.OnRunEnded = [this] { RunEnded(); };

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

FetchProgressDialog::~FetchProgressDialog() = default;

void FetchProgressDialog::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // Each showing runs the fetch once, from the timer's first tick, and does
  // not open on the texts the last run left.
  if (!event->spontaneous()) {
    statusLabel_->clear();
    amountLabel_->clear();
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    startTimer_->start();
  }
}

void FetchProgressDialog::changeEvent(QEvent* event) {
  // The buttons' images are drawn in their text colour, which a theme changes.
  if (event->type() == QEvent::PaletteChange) {
    const QColor ink = palette().color(QPalette::ButtonText);
    cancelButton_->setIcon(CloseIcon(ink));
    skipButton_->setIcon(SkipIcon(ink));
  }
  ProgramWindow::changeEvent(event);
}

void FetchProgressDialog::ShowForRun(bool takeFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
  show();
  if (!takeFocus) return;
  raise();
  activateWindow();
}

void FetchProgressDialog::closeEvent(QCloseEvent* event) {
  // Only the program hides the dialog; a close request from the window
  // system (a key, the taskbar) is refused.
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  ProgramWindow::closeEvent(event);
}

void FetchProgressDialog::RunFetch() {
  startTimer_->stop();
  // Nothing to skip while the run prepares or waits for another run.
  skipButton_->setEnabled(false);
  // An error before the run starts (an unreadable settings file) ends it at once.
  try {
    run_.Start(settings::ReadSettings());
  } catch (const std::exception& e) {
    hide();
    mainWindow_.FetchRunEnded({}, RunOutcome::kFailed);
    errors_.ShowError(TopLevelErrorText(e.what()));
  }
}

void FetchProgressDialog::Cancel() {
  run_.Cancel();
}

void FetchProgressDialog::Skip() {
  run_.Skip();
}

void FetchProgressDialog::ShowProgress(const std::string& status, const std::string& amount,
                                       int maximum, int position) {
  statusLabel_->setText(UiText(status));
  amountLabel_->setText(UiText(amount));
  // With an unknown size the bar stays empty; a position beyond the maximum
  // shows a full bar.
  if (maximum > 0) {
    progressBar_->setRange(0, maximum);
    progressBar_->setValue(std::clamp(position, 0, maximum));
  } else {
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
  }
}

// The run has cleaned up (list columns fitted, dialog hidden) before an error
// that ended it reaches the display.
void FetchProgressDialog::RunEnded() {
  mainWindow_.FetchRunEnded(run_.Failures(), run_.Outcome(), run_.Warnings());
  hide();
  if (run_.Error()) errors_.ShowError(TopLevelErrorText(run_.Error()->what()));
}

}  // namespace quillet
