#include "ui/fetch_progress_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "core/text/text_codec.h"
#include "ui/main_window.h"
#include "ui/ui_text.h"

namespace quillet {

TForm2::TForm2(TForm1& form1, QWidget* parent)
    : TFreeForm(parent), form1_(form1), errors_(&form1), run_(form1, *this) {
  // A title bar without buttons: the dialog cannot be closed from its frame.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(UiText(CP932("データの取得")));

  Label1 = new QLabel(this);
  Label1->setTextFormat(Qt::PlainText);
  // A long status must not widen the dialog.
  Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setFixedHeight(16);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  Label2 = new QLabel(this);
  Label2->setTextFormat(Qt::PlainText);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            UiText(CP932("キャンセル")), this);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_MediaSkipForward),
                            UiText(CP932("スキップ")), this);

  // The style's margins and spacing keep the buttons off the frame.
  auto* amountRow = new QHBoxLayout;
  amountRow->addStretch(1);
  amountRow->addWidget(Label2);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(BitBtn1);
  buttonRow->addWidget(BitBtn2);
  buttonRow->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(ProgressBar1);
  layout->addLayout(amountRow);
  layout->addStretch(1);
  layout->addLayout(buttonRow);
  setFixedSize(QSize(313, 107).expandedTo(minimumSizeHint()));

  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);
  Timer1->setInterval(1);

  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  run_.OnRunEnded = [this] { RunEnded(); };

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* event) {
  TFreeForm::showEvent(event);
  // FormShow: each showing runs the fetch once, from the timer's first tick.
  if (!event->spontaneous()) Timer1->start();
}

void TForm2::closeEvent(QCloseEvent* event) {
  // Only the program hides the dialog; a close request from the window
  // system (a key, the taskbar) is refused.
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  TFreeForm::closeEvent(event);
}

void TForm2::Timer1Timer() {
  Timer1->stop();
  // The run cleans up (list columns fitted, dialog hidden) before an error
  // that ended it reaches the display.
  RunGuarded(errors_, [this] { run_.Timer1Timer(); });
}

void TForm2::BitBtn1Click() {
  run_.BitBtn1Click();
}

void TForm2::BitBtn2Click() {
  run_.BitBtn2Click();
}

void TForm2::ShowProgress(const std::string& status, const std::string& amount, int maximum,
                          int position) {
  Label1->setText(UiText(status));
  Label2->setText(UiText(amount));
  // With an unknown size the bar stays empty; a position beyond the maximum
  // shows a full bar.
  if (maximum > 0) {
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(std::clamp(position, 0, maximum));
  } else {
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
  }
  repaint();
}

void TForm2::RunEnded() {
  form1_.FetchRunEnded();
  hide();
}

}  // namespace quillet
