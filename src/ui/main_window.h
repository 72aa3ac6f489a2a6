// The main window: the toolbar, the headline list that the fetch run fills,
// the log tab, the menus from which every other window is reached, the patrol
// timer and the tray icon. Closing it saves its geometry and ends the program.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/headlines/headline_sink.h"
#include "core/headlines/run_news.h"
#include "core/headlines/watch_match.h"
#include "net/fetch_run.h"
#include "ui/desktop_notifier.h"
#include "ui/error_box.h"
#include "ui/patrol_timer.h"
#include "ui/program_window.h"
#include "ui/tray/tray_icon.h"
#include "ui/window_placement.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace quillet {

class LogTab;
class ReportView;
class FetchProgressDialog;
class ConnectionDialog;
class BehaviourDialog;

class MainWindow : public ProgramWindow, public HeadlineSink {
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // The windows created after this one, which it shows; set once at start.
  void SetWindows(FetchProgressDialog* progressDialog, ConnectionDialog* connectionDialog,
                  BehaviourDialog* behaviourDialog);

  // HeadlineSink: a row at the end of the headline list, keeping the URL of
  // `item`; bold when it is new, highlighted when it matches the watch list.
  void AppendRow(const std::string& caption, const std::string& genre, const std::string& headline,
                 int imageIndex, std::unique_ptr<NewsItem> item) override;

  // The window's part of the start of a fetch run, once the run holds the
  // program folder: the headline list is emptied when the fetch button
  // started the run, the watch list is read afresh and the run's count of
  // new headlines starts from nought.
  void FetchRunStarting();
  // The window's part of the end of a fetch run: the fetch button comes
  // back, the headline list's columns are fitted to their contents, the
  // status area and the tray icon's tooltip give the run's new headlines (or
  // that it failed or was cancelled) and the count of `failures` (the
  // messages of the sites and feeds that failed, each beginning with the
  // source's name and ": "), and a window out of sight announces the news in
  // a notification. A window in sight lists the failures in one box, after
  // the run has ended, when the failing sources are not those of the last run
  // it showed. The sources read in spite of faults are the tip of the count.
  // A window closed during the run ends the program now.
  void FetchRunEnded(const std::vector<std::string>& failures = {},
                     RunOutcome outcome = RunOutcome::kCompleted,
                     const std::vector<std::string>& warnings = {});

  // Another start of the program on the same folder asked for the window:
  // it comes back from the tray or from being minimised, to the front.
  void BringToFront();
  // The start with --tray: the patrol timer on and the window hidden in the
  // tray; where the desktop has no tray (yet, early in a session), the
  // window is shown after some tries.
  void StartInTray();

  // The patrol timer's interval in milliseconds.
  int64_t PatrolIntervalMs() const { return patrolTimer_.IntervalMs(); }
  // The patrol timer itself, for tests that run it at a short interval.
  PatrolTimer& PatrolTimerForTesting() { return patrolTimer_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  // What the buttons and menu items do.
  void StartFetch();  // start a fetch
  // The tray menu's fetch item: while a run shows its dialog it only brings
  // the dialog to the front; otherwise it is the fetch button.
  void FetchFromTray();
  // The patrol timer: the toggle (after it flipped), the tray menu's item that
  // flips it, and a tick.
  void PatrolToggled();
  void TogglePatrolFromTray();
  void PatrolTick();
  void AlwaysOnTopToggled();  // always on top, after the toggle flipped
  void HideIntoTray();        // into the tray
  // Back from the tray: a double click on the icon with either button, and
  // the tray menu's "元のサイズに戻す(&R)".
  void RestoreFromTray();
  void QuitFromTray();   // the normal close, also of a hidden window
  void OpenLogSearch();  // a new log search window
  void OpenBehaviourDialog();
  void OpenConnectionDialog();
  void CopySelectedUrl();
  void OpenSelectedArticle();
  void ShowUrlInMenu();
  void TabChanged();
  void BuildToolBar();
  void BuildMenus();
  void ShowHeadlineMenu(const QPoint& globalPos);
  // The watch list read afresh, and the rows' highlights set by it.
  void MarkWatchedRows();
  // The notification of the run's new headlines, as the settings allow.
  void AnnounceNews();
  void ShowNewsBalloon(const QString& title, const QString& text);
  // The box that lists the sites and feeds that failed in the last run.
  void ShowFailures(const std::vector<std::string>& failures);
  // The time of the next patrol in the status area and the tray icon's
  // tooltip, while the patrol timer counts down.
  void ShowNextPatrol();
  void UpdateTrayToolTip();
  // A click on the notification: the window comes back with the run's first
  // new row selected.
  void ShowFirstNewRow();
  // What the user left set at the last close: patrol timer, always on top,
  // column widths; once, at the first showing or the start in the tray.
  void RestoreViewState(const settings::ViewState& view);

  QToolBar* toolBar_;
  QToolButton* fetchButton_;        // fetch
  QToolButton* patrolButton_;       // patrol timer toggle
  QToolButton* alwaysOnTopButton_;  // always on top toggle
  QToolButton* trayButton_;         // hide into the tray
  QToolButton* logSearchButton_;    // log search
  QToolButton* settingsButton_;     // settings menu
  QTabWidget* tabs_;
  QWidget* headlinePage_;
  LogTab* logTab_;
  ReportView* headlineList_;
  QStatusBar* statusBar_;    // hidden until a run has ended
  QLabel* newCountLabel_;    // "新着 N件" of the last run
  QLabel* feedErrorLabel_;   // "取得エラー N件" of the last run, when there were any
  QLabel* nextPatrolLabel_;  // "次の巡回 HH:mm" while the patrol timer counts down
  QString lastRunTip_;       // the tooltip's lines on the last run
  QMenu* headlineMenu_;
  QAction* openArticleAction_;
  QAction* copyUrlAction_;
  QAction* urlCaptionAction_;
  QMenu* settingsMenu_;
  QAction* behaviourAction_;
  QAction* connectionAction_;
  QMenu* trayMenu_;  // the tray icon's menu
  QAction* trayFetchAction_;
  QAction* trayRestoreAction_;
  QAction* trayPatrolAction_;
  QAction* trayQuitAction_;
  // Registered while the window is hidden in the tray, and while a
  // notification to the minimised window needs it.
  TrayIcon trayIcon_;
  bool iconForNotice_ = false;  // registered for a notification only
  DesktopNotifier notifier_;
  bool viewRestored_ = false;
  bool showingFailures_ = false;  // the box of the failed sources is open
  // The sources that failed in the last completed run the window showed, by name.
  std::set<std::string> failingSources_;
  bool emptyListAtStart_ = false;  // the fetch button started the coming run
  bool runStarted_ = false;        // the current run got past its wait for the folder
  bool closedDuringRun_ = false;   // the window was closed while a run went on
  WatchMatch watch_;
  RunNews news_;             // of the current or last run
  PatrolTimer patrolTimer_;  // off at start
  ErrorBox errors_;
  FetchProgressDialog* progressDialog_ = nullptr;
  ConnectionDialog* connectionDialog_ = nullptr;
  BehaviourDialog* behaviourDialog_ = nullptr;
  WindowPlacement placement_{*this};
};

}  // namespace quillet
