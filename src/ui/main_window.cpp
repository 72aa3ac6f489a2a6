#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/sys/clock.h"
#include "core/sys/error.h"
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

constexpr int kPopupRetryMs = 500;

QToolButton* AddButton(QToolBar* bar, const QString& name, int image, const std::string& hint,
                       bool toggle) {
  auto* button = Named(new QToolButton, name);
  button->setIcon(ToolbarIcon(image));
  button->setToolTip(UiText(hint));
  button->setAutoRaise(true);
  button->setCheckable(toggle);
  // Reachable with Tab, as every other control of the window.
  button->setFocusPolicy(Qt::TabFocus);
  bar->addWidget(button);
  return button;
}

// "14:05", in local time.
QString HourMinute(std::time_t at) {
  return QDateTime::fromSecsSinceEpoch(at).toString(QStringLiteral("HH:mm"));
}

// The source a message of a failed source is about: the name before its ": ".
std::string FailingSource(const std::string& message) {
  return message.substr(0, message.find(": "));
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : ProgramWindow(parent), trayIcon_(this, AppIcon()), errors_(this) {
  setAttribute(Qt::WA_QuitOnClose, true);
  setWindowTitle(UiText(CP932("Quillet " QUILLET_VERSION "β")));
  setWindowIcon(AppIcon());
  // The built-in bounds, until the stored ones are read at the first showing.
  const settings::Geometry builtIn;
  move(builtIn.left, builtIn.top);
  resize(builtIn.width, builtIn.height);

  BuildToolBar();

  headlineList_ =
      Named(new ReportView(
                {{CP932("サイト"), 60}, {CP932("ジャンル"), 60}, {CP932("ヘッドライン"), 300}}),
            QStringLiteral("headlineList"));
  headlinePage_ = new QWidget;
  auto* sheetLayout = new QVBoxLayout(headlinePage_);
  sheetLayout->setContentsMargins(0, 0, 0, 0);
  sheetLayout->addWidget(headlineList_);
  logTab_ = Named(new LogTab(errors_), QStringLiteral("logTab"));

  tabs_ = Named(new QTabWidget, QStringLiteral("tabs"));
  tabs_->addTab(headlinePage_, UiText(CP932("ヘッドライン")));
  tabs_->addTab(logTab_, ToolbarIcon(5), UiText(CP932("ログ")));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  statusBar_ = Named(new QStatusBar, QStringLiteral("statusBar"));
  newCountLabel_ = Named(new QLabel, QStringLiteral("newCountLabel"));
  statusBar_->addWidget(newCountLabel_);
  feedErrorLabel_ = Named(new QLabel, QStringLiteral("feedErrorLabel"));
  statusBar_->addWidget(feedErrorLabel_);
  feedErrorLabel_->hide();
  nextPatrolLabel_ = Named(new QLabel, QStringLiteral("nextPatrolLabel"));
  statusBar_->addPermanentWidget(nextPatrolLabel_);
  nextPatrolLabel_->hide();
  statusBar_->setSizeGripEnabled(false);
  statusBar_->hide();

  layout->addWidget(toolBar_);
  layout->addWidget(tabs_);
  layout->addWidget(statusBar_);

  BuildMenus();

  connect(fetchButton_, &QToolButton::clicked, this, [this] { StartFetch(); });
  connect(patrolButton_, &QToolButton::clicked, this, [this] { PatrolToggled(); });
  connect(alwaysOnTopButton_, &QToolButton::clicked, this, [this] { AlwaysOnTopToggled(); });
  connect(trayButton_, &QToolButton::clicked, this, [this] { HideIntoTray(); });
  connect(logSearchButton_, &QToolButton::clicked, this, [this] { OpenLogSearch(); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { TabChanged(); });
  headlineList_->OnDblClick = [this] { OpenSelectedArticle(); };
  headlineList_->OnRowRightPress = [this](const QPoint& at) { ShowHeadlineMenu(at); };

  patrolTimer_.OnTick = [this] { PatrolTick(); };
  patrolTimer_.OnNextTickChanged = [this] { ShowNextPatrol(); };
  trayIcon_.SetRightButtonMenu(trayMenu_);
  trayIcon_.OnDoubleClick = [this] { RestoreFromTray(); };
  trayIcon_.OnMessageClicked = [this] { ShowFirstNewRow(); };
  notifier_.OnActivated = [this] { ShowFirstNewRow(); };
  notifier_.OnFailed = [this](const QString& title, const QString& text) {
    ShowNewsBalloon(title, text);
  };
  trayIcon_.SetToolTip(QStringLiteral("Quillet"));
  MarkWatchedRows();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildToolBar() {
  toolBar_ = new QToolBar;
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(QSize(16, 16));
  fetchButton_ =
      AddButton(toolBar_, QStringLiteral("fetchButton"), 1, CP932("ヘッドラインの取得"), false);
  patrolButton_ =
      AddButton(toolBar_, QStringLiteral("patrolButton"), 2, CP932("巡回タイマーのON/OFF"), true);
  toolBar_->addSeparator();
  alwaysOnTopButton_ =
      AddButton(toolBar_, QStringLiteral("alwaysOnTopButton"), 4, CP932("常に全面に表示"), true);
  trayButton_ = AddButton(toolBar_, QStringLiteral("trayButton"), 3, CP932("アイコン化"), false);
  toolBar_->addSeparator();
  logSearchButton_ =
      AddButton(toolBar_, QStringLiteral("logSearchButton"), 5, CP932("ログ検索"), false);
  toolBar_->addSeparator();
  settingsButton_ = AddButton(toolBar_, QStringLiteral("settingsButton"), 0, CP932("設定"), false);
}

void MainWindow::BuildMenus() {
  headlineMenu_ = Named(new QMenu(this), QStringLiteral("headlineMenu"));
  openArticleAction_ = Named(headlineMenu_->addAction(UiText(CP932("この記事をブラウザで開く"))),
                             QStringLiteral("openArticleAction"));
  copyUrlAction_ = Named(headlineMenu_->addAction(UiText(CP932("URLをコピー"))),
                         QStringLiteral("copyUrlAction"));
  headlineMenu_->addSeparator();
  // Shows the URL; does nothing.
  urlCaptionAction_ =
      Named(headlineMenu_->addAction(QStringLiteral("URL")), QStringLiteral("urlCaptionAction"));
  connect(headlineMenu_, &QMenu::aboutToShow, this, [this] { ShowUrlInMenu(); });
  connect(openArticleAction_, &QAction::triggered, this, [this] { OpenSelectedArticle(); });
  connect(copyUrlAction_, &QAction::triggered, this, [this] { CopySelectedUrl(); });

  settingsMenu_ = new QMenu(this);
  behaviourAction_ =
      Named(settingsMenu_->addAction(UiText(CP932("動作設定"))), QStringLiteral("behaviourAction"));
  connectionAction_ = Named(settingsMenu_->addAction(UiText(CP932("接続設定"))),
                            QStringLiteral("connectionAction"));
  connect(behaviourAction_, &QAction::triggered, this, [this] { OpenBehaviourDialog(); });
  connect(connectionAction_, &QAction::triggered, this, [this] { OpenConnectionDialog(); });
  settingsButton_->setMenu(settingsMenu_);
  settingsButton_->setPopupMode(QToolButton::InstantPopup);

  trayMenu_ = Named(new QMenu(this), QStringLiteral("trayMenu"));
  trayFetchAction_ = Named(trayMenu_->addAction(UiText(CP932("ヘッドラインの取得(&H)"))),
                           QStringLiteral("trayFetchAction"));
  trayRestoreAction_ = Named(trayMenu_->addAction(UiText(CP932("元のサイズに戻す(&R)"))),
                             QStringLiteral("trayRestoreAction"));
  trayPatrolAction_ = Named(trayMenu_->addAction(UiText(CP932("巡回タイマー"))),
                            QStringLiteral("trayPatrolAction"));
  trayPatrolAction_->setCheckable(true);
  trayMenu_->addSeparator();
  trayQuitAction_ =
      Named(trayMenu_->addAction(UiText(CP932("終了(&X)"))), QStringLiteral("trayQuitAction"));
  connect(trayFetchAction_, &QAction::triggered, this, [this] { FetchFromTray(); });
  connect(trayRestoreAction_, &QAction::triggered, this, [this] { RestoreFromTray(); });
  // The item's check mark has flipped already; TogglePatrolFromTray sets it again from
  // the toolbar button, which it flips.
  connect(trayPatrolAction_, &QAction::triggered, this, [this] { TogglePatrolFromTray(); });
  connect(trayQuitAction_, &QAction::triggered, this, [this] { QuitFromTray(); });
}

void MainWindow::SetWindows(FetchProgressDialog* progressDialog, ConnectionDialog* connectionDialog,
                            BehaviourDialog* behaviourDialog) {
  progressDialog_ = progressDialog;
  connectionDialog_ = connectionDialog;
  behaviourDialog_ = behaviourDialog;
  // A confirmed behaviour dialog sets the patrol interval at once.
  if (behaviourDialog_ != nullptr) {
    behaviourDialog_->OnIntervalConfirmed = [this](int minutes) {
      patrolTimer_.SetIntervalMinutes(minutes);
    };
    // A changed watch list marks the rows in the list at once.
    behaviourDialog_->OnWatchConfirmed = [this] { MarkWatchedRows(); };
  }
  // A changed feed list shows in the log tab's tree at once.
  if (connectionDialog_ != nullptr)
    connectionDialog_->OnSourcesConfirmed = [this] { logTab_->RefreshSources(); };
}

// --- The headline list. ------------------------------------------------------

void MainWindow::AppendRow(const std::string& caption, const std::string& genre,
                           const std::string& headline, int imageIndex,
                           std::unique_ptr<NewsItem> item) {
  // Of the record, the menus need the URL and the mark of a new row only.
  const bool isNew = item && item->isNew;
  const bool watched = item && item->watched;
  ReportModel& rows = headlineList_->Rows();
  if (isNew) news_.Add(rows.rowCount(), caption, headline, watched);
  rows.AppendRow({caption, genre, headline, item ? item->url : std::string()}, imageIndex,
                 (isNew ? ReportModel::kBold : 0) | (watched ? ReportModel::kHighlighted : 0));
}

void MainWindow::FetchRunStarting() {
  runStarted_ = true;
  // Only now: a run that waits for another one and is cancelled leaves the
  // list as it was.
  if (emptyListAtStart_) headlineList_->Rows().Clear();
  emptyListAtStart_ = false;
  news_ = RunNews();
  MarkWatchedRows();
}

void MainWindow::FetchRunEnded(const std::vector<std::string>& failures, RunOutcome outcome,
                               const std::vector<std::string>& warnings) {
  fetchButton_->setEnabled(true);
  const bool started = runStarted_;
  runStarted_ = false;
  emptyListAtStart_ = false;
  if (closedDuringRun_) {
    // The close cancelled the run; now that it has ended, quietly, the
    // program ends as a close ends it otherwise.
    closedDuringRun_ = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    return;
  }
  headlineList_->FitColumns();
  std::string status = news_.CountText();
  if (outcome != RunOutcome::kCompleted) {
    const std::string end = outcome == RunOutcome::kFailed ? CP932("取得に失敗しました")
                                                           : CP932("取得をキャンセルしました");
    // The news of the sources fetched before the end still counts.
    status = started && news_.Count() > 0 ? end + CP932("、") + status : end;
  }
  newCountLabel_->setText(UiText(status));
  std::string warningTip;
  for (const std::string& warning : warnings)
    warningTip.append(warningTip.empty() ? "" : "\n").append(CP932("警告: ")).append(warning);
  newCountLabel_->setToolTip(UiText(warningTip));
  lastRunTip_ = UiText(CP932("最終巡回 ")) + HourMinute(Now()) + QLatin1Char(' ') + UiText(status);
  // The failed sites and feeds are counted where a hidden window can be asked, and
  // listed in a box only to a window in sight: an unattended patrol would
  // pile box upon box.
  feedErrorLabel_->setVisible(!failures.empty());
  if (!failures.empty()) {
    const QString errorCount =
        UiText(CP932("取得エラー ")) + QString::number(failures.size()) + UiText(CP932("件"));
    feedErrorLabel_->setText(errorCount);
    lastRunTip_ += QLatin1Char('\n') + errorCount;
  }
  statusBar_->show();
  UpdateTrayToolTip();
  // The log on show has taken the run's records; it is read again once the
  // run has cleaned up.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (tabs_->currentWidget() == logTab_) RunGuarded(errors_, [this] { logTab_->Reload(); });
      },
      Qt::QueuedConnection);
  AnnounceNews();
  // Nor does a window in sight list the same failing sources after every
  // patrol: the box comes when they are not those of the last run it showed.
  // A run that ended early may not have reached them.
  if (outcome == RunOutcome::kCompleted && isVisible() && !isMinimized() && !showingFailures_) {
    std::set<std::string> failing;
    for (const std::string& error : failures)
      failing.insert(FailingSource(error));
    if (!failing.empty() && failing != failingSources_) {
      // After the run has cleaned up and its dialog has gone.
      QMetaObject::invokeMethod(
          this, [this, failures] { ShowFailures(failures); }, Qt::QueuedConnection);
      showingFailures_ = true;
    }
    failingSources_ = std::move(failing);
  }
}

void MainWindow::ShowFailures(const std::vector<std::string>& failures) {
  std::string text = CP932("次のサイトやフィードを取得できませんでした");
  for (const std::string& error : failures)
    text.append("\n").append(error);
  ShowMessage(this, text, CP932("取得エラー"), MessageIcon::kExclamation);
  showingFailures_ = false;
}

void MainWindow::ShowNextPatrol() {
  const std::optional<std::time_t> next = patrolTimer_.NextTick();
  nextPatrolLabel_->setVisible(next.has_value());
  if (next) nextPatrolLabel_->setText(UiText(CP932("次の巡回 ")) + HourMinute(*next));
  statusBar_->setVisible(next || !newCountLabel_->text().isEmpty());
  UpdateTrayToolTip();
}

void MainWindow::UpdateTrayToolTip() {
  QString toolTip = QStringLiteral("Quillet");
  if (!lastRunTip_.isEmpty()) toolTip += QLatin1Char('\n') + lastRunTip_;
  if (!nextPatrolLabel_->isHidden()) toolTip += QLatin1Char('\n') + nextPatrolLabel_->text();
  trayIcon_.SetToolTip(toolTip);
}

void MainWindow::MarkWatchedRows() {
  const settings::WatchSettings watch = settings::ReadSettings().watch;
  watch_ = WatchMatch(watch.keywords, watch.foldWidth);
  ReportModel& rows = headlineList_->Rows();
  constexpr int kHeadline = 2;
  for (int row = 0; row < rows.rowCount(); ++row) {
    const bool watched = watch_.Matches(rows.Text(row, kHeadline));
    rows.SetMarks(row, static_cast<uint8_t>((rows.Marks(row) & ~ReportModel::kHighlighted) |
                                            (watched ? ReportModel::kHighlighted : 0)));
  }
}

void MainWindow::AnnounceNews() {
  if (isVisible() && !isMinimized()) return;
  const settings::Notify notify = settings::ReadSettings().watch.notify;
  if (notify == settings::Notify::kNever || news_.Count() == 0 ||
      (notify == settings::Notify::kWatchOnly && news_.WatchedCount() == 0))
    return;
  // The desktop's notification service where there is one; the tray icon's
  // balloon otherwise.
  const QString title = UiText(news_.CountText());
  const QString text = UiText(news_.ListText());
  if (!notifier_.Show(title, text)) ShowNewsBalloon(title, text);
}

void MainWindow::ShowNewsBalloon(const QString& title, const QString& text) {
  if (!trayIcon_.Registered()) {
    // A desktop without a notification area has nowhere to show it.
    try {
      trayIcon_.SetRegistered(true);
    } catch (const QuilletError&) {
      return;
    }
    iconForNotice_ = true;
  }
  trayIcon_.ShowMessage(title, text);
}

void MainWindow::BringToFront() {
  RestoreFromTray();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

void MainWindow::StartInTray() {
  RunGuarded(errors_, [this] {
    const settings::Settings stored = settings::ReadSettings();
    patrolTimer_.SetIntervalMinutes(stored.behaviour.timerInterval);
    RestoreViewState(stored.view);
  });
  if (!patrolButton_->isChecked()) {
    patrolButton_->setChecked(true);
    PatrolToggled();
  }
  // Started with the session, the tray may come up after the program.
  auto* retry = new QTimer(this);
  retry->setInterval(1000);
  connect(retry, &QTimer::timeout, this, [this, retry, tries = 0]() mutable {
    try {
      trayIcon_.SetRegistered(true);
    } catch (const QuilletError&) {
      if (++tries < 30) return;
      show();
    }
    retry->deleteLater();
  });
  retry->start(0);
}

void MainWindow::RestoreViewState(const settings::ViewState& view) {
  if (viewRestored_) return;
  viewRestored_ = true;
  if (view.patrol != patrolButton_->isChecked()) {
    patrolButton_->setChecked(view.patrol);
    PatrolToggled();
  }
  if (view.alwaysOnTop != alwaysOnTopButton_->isChecked()) {
    alwaysOnTopButton_->setChecked(view.alwaysOnTop);
    AlwaysOnTopToggled();
  }
  headlineList_->SetUserColumnWidths(view.headlineColumns);
  logTab_->SetUserColumnWidths(view.logColumns);
}

void MainWindow::ShowFirstNewRow() {
  BringToFront();
  tabs_->setCurrentWidget(headlinePage_);
  const int row = news_.FirstRow();
  if (row >= 0 && row < headlineList_->Rows().rowCount()) headlineList_->SelectRow(row);
}

void MainWindow::ShowHeadlineMenu(const QPoint& globalPos) {
  headlineMenu_->popup(globalPos);
}

void MainWindow::ShowUrlInMenu() {
  if (const auto url = headlineList_->SelectedUrl()) urlCaptionAction_->setText(MenuCaption(*url));
}

void MainWindow::OpenSelectedArticle() {
  RunGuarded(errors_, [this] {
    if (const auto url = headlineList_->SelectedUrl()) OpenArticle(*url, this);
  });
}

void MainWindow::CopySelectedUrl() {
  RunGuarded(errors_, [this] {
    if (const auto url = headlineList_->SelectedUrl()) CopyUrl(*url);
  });
}

// --- Toolbar and menus. ------------------------------------------------------

void MainWindow::StartFetch() {
  RunGuarded(errors_, [this] {
    if (!InternetAttemptConnect(settings::ReadSettings().connection.proxy.address)) {
      ShowMessage(this, CP932("ネットワークに接続されていません"), CP932("エラー"),
                  MessageIcon::kExclamation);
      return;
    }
    // The list is emptied when the run starts, after any wait for another run.
    emptyListAtStart_ = true;
    fetchButton_->setEnabled(false);
    // The run starts from the dialog; this window stays usable meanwhile.
    progressDialog_->ShowForRun(true);
  });
}

void MainWindow::FetchFromTray() {
  if (progressDialog_->isVisible()) {
    progressDialog_->raise();
    progressDialog_->activateWindow();
    return;
  }
  StartFetch();
}

void MainWindow::PatrolToggled() {
  trayPatrolAction_->setChecked(patrolButton_->isChecked());
  patrolTimer_.SetEnabled(patrolButton_->isChecked());
}

void MainWindow::TogglePatrolFromTray() {
  patrolButton_->setChecked(!patrolButton_->isChecked());
  PatrolToggled();
}

void MainWindow::PatrolTick() {
  RunGuarded(errors_, [this] {
    // A tick during a run (its dialog still showing) is lost, not queued;
    // without a network it passes silently.
    if (progressDialog_->isVisible()) return;
    // Nor while the error (or the feed errors) of the last run is still on screen: unattended
    // ticks would pile box upon box.
    if (progressDialog_->ShowingRunError() || showingFailures_) return;
    // A window that appears closes an open menu (the tray's, say): the run
    // waits until the user has closed it.
    if (QApplication::activePopupWidget() != nullptr) {
      QTimer::singleShot(kPopupRetryMs, this, [this] { PatrolTick(); });
      return;
    }
    if (!InternetAttemptConnect(settings::ReadSettings().connection.proxy.address)) return;
    // The rows of the run go after the ones in the list. A window hidden in
    // the tray stays hidden; the dialog shows on its own.
    fetchButton_->setEnabled(false);
    progressDialog_->ShowForRun(false);
  });
}

void MainWindow::AlwaysOnTopToggled() {
  placement_.SetAlwaysOnTop(alwaysOnTopButton_->isChecked());
}

void MainWindow::HideIntoTray() {
  // A tray that cannot take the icon leaves the window where it is.
  RunGuarded(errors_, [this] {
    trayIcon_.SetRegistered(true);
    iconForNotice_ = false;
    hide();
  });
}

void MainWindow::RestoreFromTray() {
  // The window comes back where and as large as it was when it was hidden.
  trayIcon_.SetRegistered(false);
  iconForNotice_ = false;
  show();
}

void MainWindow::QuitFromTray() {
  // The normal close, also from the tray: it saves the geometry the window
  // had when it was hidden and ends the program. Qt ends the program by
  // itself only when a visible window closes.
  if (close()) QCoreApplication::quit();
}

void MainWindow::OpenLogSearch() {
  RunGuarded(errors_, [this] {
    // Every click opens another window; it deletes itself when closed.
    auto* search = new LogSearchWindow(this);
    search->show();
  });
}

void MainWindow::OpenBehaviourDialog() {
  behaviourDialog_->show();
  behaviourDialog_->raise();
}

void MainWindow::OpenConnectionDialog() {
  connectionDialog_->show();
  connectionDialog_->raise();
}

void MainWindow::TabChanged() {
  RunGuarded(errors_, [this] {
    if (tabs_->currentWidget() == logTab_) logTab_->Reload();
  });
}

// --- Showing and closing. ----------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // A spontaneous show is the window system restoring a minimized window,
  // and a re-creation for always on top keeps the window as it was: neither
  // reads the settings.
  if (event->spontaneous() || placement_.Recreating()) return;
  RunGuarded(errors_, [this] {
    const settings::Settings stored = settings::ReadSettings();
    patrolTimer_.SetIntervalMinutes(stored.behaviour.timerInterval);
    placement_.Showing(stored);
    RestoreViewState(stored.view);
  });
}

void MainWindow::changeEvent(QEvent* event) {
  ProgramWindow::changeEvent(event);
  // The icon that came for a notification to the minimised window leaves
  // when the window is back.
  if (event->type() == QEvent::WindowStateChange && iconForNotice_ && isVisible() &&
      !isMinimized()) {
    trayIcon_.SetRegistered(false);
    iconForNotice_ = false;
  }
}

void MainWindow::moveEvent(QMoveEvent* event) {
  ProgramWindow::moveEvent(event);
  placement_.Moved();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A geometry that cannot be written is reported once; quitting goes on.
  try {
    const settings::Geometry geometry = placement_.Closing();
    settings::ViewState view;
    view.patrol = patrolButton_->isChecked();
    view.alwaysOnTop = alwaysOnTopButton_->isChecked();
    view.headlineColumns = headlineList_->UserColumnWidths();
    view.logColumns = logTab_->UserColumnWidths();
    settings::EditSettings([&](settings::SettingsEdit& edit) {
      settings::PutGeometry(edit, geometry);
      settings::PutMainViewState(edit, view);
    });
  } catch (const std::exception& e) {
    errors_.ShowError(TopLevelErrorText(e.what()));
  }
  // Closing ends the program: a fetch under way is cancelled, so that it
  // stops after the current site instead of going on with no window; the
  // program ends when it has (FetchRunEnded).
  if (progressDialog_ != nullptr && progressDialog_->Runner().Running()) {
    closedDuringRun_ = true;
    progressDialog_->Cancel();
  }
  ProgramWindow::closeEvent(event);
}

}  // namespace quillet
