// The log search window: finds logged headlines of every site and of the
// user's feeds by keyword (typed, or picked from the watch list) and lists
// them with site, date and genre. The search runs off the window's thread;
// its rows come in site by site while the window stays usable.
#pragma once

#include <exception>
#include <memory>

#include "ui/program_window.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillet {

class LogSearchJob;
class ReportView;

class LogSearchWindow : public ProgramWindow {
 public:
  // A new, empty search window; it deletes itself once it has been closed.
  explicit LogSearchWindow(QWidget* parent = nullptr);
  ~LogSearchWindow() override;

  // True while a search of this window is under way.
  bool Searching() const { return search_ != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The search over the logs for the box's keyword (the "検索" button and
  // Enter in the box); a search under way is given up for it.
  void Search();
  void StopSearch();
  void SearchEnded(const std::exception_ptr& failure);
  // The watch button's menu, read afresh from the settings as it opens.
  void FillWatchMenu();
  void OpenSelectedArticle();
  void ShowResultMenu(const QPoint& globalPos);
  void ShowUrlInMenu();
  void CopySelectedUrl();

  QLabel* keywordLabel_ = nullptr;
  QLineEdit* keywordEdit_ = nullptr;
  QToolButton* watchButton_ = nullptr;  // a watched keyword into the box, then Search
  QMenu* watchMenu_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QRadioButton* allLogsRadio_ = nullptr;
  QCheckBox* foldWidthCheck_ = nullptr;  // View: SearchFoldWidth, written when changed
  QLabel* statusPanel_ = nullptr;
  ReportView* resultList_ = nullptr;
  QMenu* resultMenu_ = nullptr;
  QAction* openArticleAction_ = nullptr;
  QAction* copyUrlAction_ = nullptr;
  QAction* urlCaptionAction_ = nullptr;
  std::shared_ptr<LogSearchJob> search_;  // the search under way, or null
};

}  // namespace quillet
