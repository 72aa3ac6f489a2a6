#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMoveEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "core/settings/settings.h"
#include "core/sys/network_check.h"
#include "core/text/text_codec.h"
#include "ui/behaviour_dialog.h"
#include "ui/browser_launch.h"
#include "ui/connection_dialog.h"
#include "ui/fetch_progress_dialog.h"
#include "ui/icons.h"
#include "ui/log_search_window.h"
#include "ui/log_tab.h"
#include "ui/message_box.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

// A row of the headline list; it owns its record.
class HeadlineRow : public QTreeWidgetItem {
 public:
  explicit HeadlineRow(std::unique_ptr<TNewsItem> item) : record(std::move(item)) {}
  std::unique_ptr<TNewsItem> record;
};

QToolButton* AddButton(QToolBar* bar, int image, const std::string& hint, bool toggle) {
  auto* button = new QToolButton;
  button->setIcon(ToolbarIcon(image));
  button->setToolTip(UiText(hint));
  button->setAutoRaise(true);
  button->setCheckable(toggle);
  // Reachable with Tab, as every other control of the window.
  button->setFocusPolicy(Qt::TabFocus);
  bar->addWidget(button);
  return button;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TFreeForm(parent), errors_(this) {
  setAttribute(Qt::WA_QuitOnClose, true);
  setWindowTitle(UiText(CP932("Quillet " QUILLET_VERSION "β")));
  setWindowIcon(AppIcon());
  move(408, 156);
  resize(505, 657);

  BuildToolBar();

  ListView1 = new ReportView(
      {{CP932("サイト"), 60}, {CP932("ジャンル"), 60}, {CP932("ヘッドライン"), 300}});
  TabSheet1 = new QWidget;
  auto* sheetLayout = new QVBoxLayout(TabSheet1);
  sheetLayout->setContentsMargins(0, 0, 0, 0);
  sheetLayout->addWidget(ListView1);
  TabSheet6 = new LogTab(errors_);

  PageControl1 = new QTabWidget;
  PageControl1->addTab(TabSheet1, UiText(CP932("ヘッドライン")));
  PageControl1->addTab(TabSheet6, ToolbarIcon(5), UiText(CP932("ログ")));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(PageControl1);

  BuildMenus();

  connect(ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
  connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
  connect(ToolButton8, &QToolButton::clicked, this, [this] { ToolButton8Click(); });
  connect(ToolButton6, &QToolButton::clicked, this, [this] { ToolButton6Click(); });
  connect(ToolButton9, &QToolButton::clicked, this, [this] { ToolButton9Click(); });
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
  ListView1->OnDblClick = [this] { ListView1DblClick(); };
  ListView1->OnRowRightPress = [this](const QPoint& at) { ListView1MouseDown(at); };

  Timer1.OnTick = [this] { Timer1Timer(); };
  TaskTray1.SetIcon(AppIcon());
  TaskTray1.SetPopupMenuR(PopupMenu4);
  TaskTray1.OnDblClick = [this](TTaskTray&, Qt::MouseButton) { TaskTray1DblClick(); };
}

TForm1::~TForm1() = default;

void TForm1::BuildToolBar() {
  ToolBar1 = new QToolBar;
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolButton3 = AddButton(ToolBar1, 1, CP932("ヘッドラインの取得"), false);
  ToolButton5 = AddButton(ToolBar1, 2, CP932("巡回タイマーのON/OFF"), true);
  ToolBar1->addSeparator();
  ToolButton8 = AddButton(ToolBar1, 4, CP932("常に全面に表示"), true);
  ToolButton6 = AddButton(ToolBar1, 3, CP932("アイコン化"), false);
  ToolBar1->addSeparator();
  ToolButton9 = AddButton(ToolBar1, 5, CP932("ログ検索"), false);
  ToolBar1->addSeparator();
  ToolButton1 = AddButton(ToolBar1, 0, CP932("設定"), false);
}

void TForm1::BuildMenus() {
  PopupMenu1 = new QMenu(this);
  N2 = PopupMenu1->addAction(UiText(CP932("この記事をブラウザで開く")));
  URL1 = PopupMenu1->addAction(UiText(CP932("URLをコピー")));
  N3 = PopupMenu1->addSeparator();
  URL4 = PopupMenu1->addAction(QStringLiteral("URL"));  // shows the URL; does nothing
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
  connect(N2, &QAction::triggered, this, [this] { N2Click(); });
  connect(URL1, &QAction::triggered, this, [this] { URL1Click(); });

  PopupMenu2 = new QMenu(this);
  N5 = PopupMenu2->addAction(UiText(CP932("動作設定")));
  N4 = PopupMenu2->addAction(UiText(CP932("接続設定")));
  connect(N5, &QAction::triggered, this, [this] { N5Click(); });
  connect(N4, &QAction::triggered, this, [this] { N4Click(); });
  ToolButton1->setMenu(PopupMenu2);
  ToolButton1->setPopupMode(QToolButton::InstantPopup);

  PopupMenu4 = new QMenu(this);
  H1 = PopupMenu4->addAction(UiText(CP932("ヘッドラインの取得(&H)")));
  R1 = PopupMenu4->addAction(UiText(CP932("元のサイズに戻す(&R)")));
  N10 = PopupMenu4->addAction(UiText(CP932("巡回タイマー")));
  N10->setCheckable(true);
  N9 = PopupMenu4->addSeparator();
  Exit1 = PopupMenu4->addAction(UiText(CP932("終了(&X)")));
  connect(H1, &QAction::triggered, this, [this] { H1Click(); });
  connect(R1, &QAction::triggered, this, [this] { R1Click(); });
  // The item's check mark has flipped already; N10Click sets it again from
  // the toolbar button, which it flips.
  connect(N10, &QAction::triggered, this, [this] { N10Click(); });
  connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TForm1::SetWindows(TForm2* form2, TForm3* form3, TForm4* form4) {
  form2_ = form2;
  form3_ = form3;
  form4_ = form4;
  // A confirmed behaviour dialog sets the patrol interval at once.
  if (form4_ != nullptr)
    form4_->OnIntervalConfirmed = [this](int minutes) { Timer1.SetIntervalMinutes(minutes); };
}

// --- The headline list. ------------------------------------------------------

void TForm1::AppendRow(const std::string& caption, const std::string& genre,
                       const std::string& headline, int imageIndex,
                       std::unique_ptr<TNewsItem> item) {
  auto* row = new HeadlineRow(std::move(item));
  row->setText(0, UiText(caption));
  row->setText(1, UiText(genre));
  row->setText(2, UiText(headline));
  if (imageIndex >= 0) row->setIcon(0, SiteIcon(imageIndex));
  ListView1->addTopLevelItem(row);
}

void TForm1::FitColumns() {
  ListView1->FitColumns();
}

void TForm1::FetchRunEnded() {
  ToolButton3->setEnabled(true);
  FitColumns();
}

const TNewsItem* TForm1::SelectedNews() const {
  const auto* row = static_cast<const HeadlineRow*>(ListView1->SelectedRow());
  return row != nullptr ? row->record.get() : nullptr;
}

void TForm1::ListView1MouseDown(const QPoint& globalPos) {
  PopupMenu1->popup(globalPos);
}

void TForm1::PopupMenu1Popup() {
  if (const TNewsItem* news = SelectedNews()) URL4->setText(MenuCaption(news->URL));
}

void TForm1::ListView1DblClick() {
  RunGuarded(errors_, [this] {
    if (const TNewsItem* news = SelectedNews()) OpenArticle(news->URL, this);
  });
}

void TForm1::N2Click() {
  ListView1DblClick();
}

void TForm1::URL1Click() {
  RunGuarded(errors_, [this] {
    if (const TNewsItem* news = SelectedNews()) CopyUrl(news->URL);
  });
}

// --- Toolbar and menus. ------------------------------------------------------

void TForm1::ToolButton3Click() {
  RunGuarded(errors_, [this] {
    if (!InternetAttemptConnect(settings::ReadProxy().address)) {
      ShowMessage(this, CP932("ネットワークに接続されていません"), CP932("エラー"),
                  MessageIcon::kExclamation);
      return;
    }
    ListView1->clear();  // the rows take their records with them
    ToolButton3->setEnabled(false);
    // The run starts from the dialog; this window stays usable meanwhile.
    form2_->show();
    form2_->raise();
    form2_->activateWindow();
  });
}

void TForm1::H1Click() {
  if (form2_->isVisible()) {
    form2_->raise();
    form2_->activateWindow();
    return;
  }
  ToolButton3Click();
}

void TForm1::ToolButton5Click() {
  N10->setChecked(ToolButton5->isChecked());
  Timer1.SetEnabled(ToolButton5->isChecked());
}

void TForm1::N10Click() {
  ToolButton5->setChecked(!ToolButton5->isChecked());
  ToolButton5Click();
}

void TForm1::Timer1Timer() {
  RunGuarded(errors_, [this] {
    // A tick during a run (its dialog still showing) is lost, not queued;
    // without a network it passes silently.
    if (form2_->isVisible()) return;
    // Nor while the error of the last run is still on screen: unattended
    // ticks would pile box upon box.
    if (form2_->ShowingRunError()) return;
    if (!InternetAttemptConnect(settings::ReadProxy().address)) return;
    // The rows of the run go after the ones in the list. A window hidden in
    // the tray stays hidden; the dialog shows on its own.
    ToolButton3->setEnabled(false);
    form2_->show();
  });
}

void TForm1::ToolButton8Click() {
  // Changing the flag makes Qt recreate the window; position, size and state
  // are put back, and that showing does not read the settings again.
  const bool visible = isVisible();
  const QPoint position = pos();
  const QSize size = this->size();
  const Qt::WindowStates states = windowState();
  recreating_ = true;
  setWindowFlag(Qt::WindowStaysOnTopHint, ToolButton8->isChecked());
  if (!(states & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    move(position);
    resize(size);
  }
  setWindowState(states);
  if (visible) show();
  recreating_ = false;
}

void TForm1::ToolButton6Click() {
  // A tray that cannot take the icon leaves the window where it is.
  RunGuarded(errors_, [this] {
    TaskTray1.SetRegistered(true);
    hide();
  });
}

void TForm1::TaskTray1DblClick() {
  // The window comes back where and as large as it was when it was hidden.
  TaskTray1.SetRegistered(false);
  show();
}

void TForm1::R1Click() {
  TaskTray1DblClick();
}

void TForm1::Exit1Click() {
  // The normal close, also from the tray: it saves the geometry the window
  // had when it was hidden and ends the program. Qt ends the program by
  // itself only when a visible window closes.
  if (close()) QCoreApplication::quit();
}

void TForm1::ToolButton9Click() {
  RunGuarded(errors_, [this] {
    // Every click opens another window; it deletes itself when closed.
    auto* search = new TForm5(this);
    search->show();
  });
}

void TForm1::N5Click() {
  form4_->show();
  form4_->raise();
}

void TForm1::N4Click() {
  form3_->show();
  form3_->raise();
}

void TForm1::PageControl1Change() {
  RunGuarded(errors_, [this] {
    if (PageControl1->currentWidget() == TabSheet6) TabSheet6->PageControl1Change();
  });
}

// --- Showing and closing. ----------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
  TFreeForm::showEvent(event);
  // A spontaneous show is the window system restoring a minimized window,
  // not the window becoming visible.
  if (!event->spontaneous() && !recreating_) RunGuarded(errors_, [this] { FormShow(); });
  shownOnce_ = true;
}

void TForm1::FormShow() {
  Timer1.SetIntervalMinutes(settings::TimerInterval());
  // The stored geometry applies at start-up; later showings (back from the
  // tray) keep the window as the user left it.
  if (shownOnce_) return;
  settings::Geometry current;
  current.left = pos().x();
  current.top = pos().y();
  current.width = width();
  current.height = height();
  const settings::Geometry stored = settings::ReadGeometry(current);
  move(stored.left, stored.top);
  resize(stored.width, stored.height);
  if (stored.maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::moveEvent(QMoveEvent* event) {
  TFreeForm::moveEvent(event);
  if (windowState() == Qt::WindowNoState && isVisible())
    frameOffset_ = geometry().topLeft() - pos();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A geometry that cannot be written is reported once; quitting goes on.
  try {
    FormCloseQuery();
  } catch (const std::exception& e) {
    errors_.ShowError(TopLevelErrorText(e.what()));
  }
  // Closing ends the program: a fetch under way is cancelled, so that it
  // stops after the current site instead of going on with no window.
  if (form2_ != nullptr && form2_->FetchRun().Running()) form2_->BitBtn1Click();
  TFreeForm::closeEvent(event);
}

void TForm1::FormCloseQuery() {
  settings::Geometry geometry;
  geometry.maximized = isMaximized();
  if (geometry.maximized) {
    // normalGeometry() is the client area; the settings hold the frame's
    // position, as move() takes it.
    const QRect normal = normalGeometry();
    geometry.left = normal.x() - frameOffset_.x();
    geometry.top = normal.y() - frameOffset_.y();
    geometry.width = normal.width();
    geometry.height = normal.height();
    if (isVisible()) showNormal();
  } else {
    geometry.left = pos().x();
    geometry.top = pos().y();
    geometry.width = width();
    geometry.height = height();
  }
  settings::WriteGeometry(geometry);
}

}  // namespace quillet
