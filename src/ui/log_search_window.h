// The log search window: finds logged headlines of the first six sites by
// keyword and lists them with site, date and genre.
#pragma once

#include <string>
#include <vector>

#include "core/log/log_search.h"
#include "ui/program_window.h"

class QAction;
class QCloseEvent;
class QEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;
class QPushButton;
class QRadioButton;

namespace quillet {

class ReportView;

class LogSearchWindow : public ProgramWindow {
 public:
  // A new, empty search window; it deletes itself once it has been closed.
  explicit LogSearchWindow(QWidget* parent = nullptr);
  ~LogSearchWindow() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The search over the logs (the "検索" button and Enter in the box).
  // Ignored while a search of this window is running.
  void Search();
  // The URL of the selected result row, or nullptr when none is selected.
  const std::string* SelectedUrl() const;
  void FitColumns();
  void OpenSelectedArticle();
  void ShowResultMenu(const QPoint& globalPos);
  void ShowUrlInMenu();
  void CopySelectedUrl();

  QLabel* keywordLabel_ = nullptr;
  QLineEdit* keywordEdit_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QRadioButton* allLogsRadio_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  ReportView* resultList_ = nullptr;
  QMenu* resultMenu_ = nullptr;
  QAction* openArticleAction_ = nullptr;
  QAction* copyUrlAction_ = nullptr;
  QAction* urlCaptionAction_ = nullptr;
  std::vector<SearchRow> rows_;  // one per list row, in list order
  bool searching_ = false;
  bool closeRequested_ = false;  // closed during a search: delete when it ends
};

}  // namespace quillet
