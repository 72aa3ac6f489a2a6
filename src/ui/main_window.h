// The main window: the toolbar, the headline list that the fetch run fills,
// the log tab, the menus from which every other window is reached, the patrol
// timer and the tray icon. Closing it saves its geometry and ends the program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/headlines/headline_sink.h"
#include "ui/error_box.h"
#include "ui/patrol_timer.h"
#include "ui/program_window.h"
#include "ui/tray/tray_icon.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace quillet {

class LogTab;
class ReportView;
class TForm2;
class TForm3;
class TForm4;

class TForm1 : public TFreeForm, public HeadlineList {
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The windows created after this one, which it shows; set once at start.
  void SetWindows(TForm2* form2, TForm3* form3, TForm4* form4);

  // HeadlineList: a row at the end of the headline list, owning `item`.
  void AppendRow(const std::string& caption, const std::string& genre, const std::string& headline,
                 int imageIndex, std::unique_ptr<TNewsItem> item) override;

  // The window's part of the end of a fetch run: the fetch button comes
  // back and the headline list's columns are fitted to their contents.
  void FetchRunEnded();
  void FitColumns();

  // The record of the selected headline row, or nullptr.
  const TNewsItem* SelectedNews() const;

  // The patrol timer's interval in milliseconds.
  int64_t PatrolIntervalMs() const { return Timer1.IntervalMs(); }

  // Handlers, named after the controls they serve.
  void ToolButton3Click();  // start a fetch
  // The tray menu's fetch item: while a run shows its dialog it only brings
  // the dialog to the front; otherwise it is the fetch button.
  void H1Click();
  // The patrol timer: the toggle (after it flipped), the tray menu's item that
  // flips it, and a tick.
  void ToolButton5Click();
  void N10Click();
  void Timer1Timer();
  void ToolButton8Click();  // always on top, after the toggle flipped
  void ToolButton6Click();  // into the tray
  // Back from the tray: a double click on the icon with either button, and
  // the tray menu's "元のサイズに戻す(&R)".
  void TaskTray1DblClick();
  void R1Click();
  void Exit1Click();        // shows the window, then closes it
  void ToolButton9Click();  // a new log search window
  void N5Click();
  void N4Click();
  void N2Click();
  void URL1Click();
  void ListView1DblClick();
  void PopupMenu1Popup();
  void PageControl1Change();

  // Controls, named as in the window's description.
  QToolBar* ToolBar1;
  QToolButton* ToolButton3;  // fetch
  QToolButton* ToolButton5;  // patrol timer toggle
  QToolButton* ToolButton8;  // always on top toggle
  QToolButton* ToolButton6;  // hide into the tray
  QToolButton* ToolButton9;  // log search
  QToolButton* ToolButton1;  // settings menu
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  LogTab* TabSheet6;
  ReportView* ListView1;
  QMenu* PopupMenu1;
  QAction* N2;
  QAction* URL1;
  QAction* N3;
  QAction* URL4;
  QMenu* PopupMenu2;
  QAction* N5;
  QAction* N4;
  QMenu* PopupMenu4;  // the tray icon's menu
  QAction* H1;
  QAction* R1;
  QAction* N10;
  QAction* N9;
  QAction* Exit1;
  // Registered only while the window is hidden in the tray.
  TTaskTray TaskTray1{this};
  PatrolTimer Timer1;  // off at start

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildToolBar();
  void BuildMenus();
  void FormShow();
  void FormCloseQuery();
  void ListView1MouseDown(const QPoint& globalPos);

  ErrorBox errors_;
  TForm2* form2_ = nullptr;
  TForm3* form3_ = nullptr;
  TForm4* form4_ = nullptr;
  // The window is being recreated for a flag change: that showing is not a
  // FormShow.
  bool recreating_ = false;
  // Shown before: only the first showing takes the stored geometry.
  bool shownOnce_ = false;
  // Client area against frame in the normal state, to store the normal
  // bounds of a maximized window as frame position and client size.
  QPoint frameOffset_;
};

}  // namespace quillet

using quillet::TForm1;
