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

class TForm5 : public TFreeForm {
 public:
  // A new, empty search window; it deletes itself once it has been closed.
  explicit TForm5(QWidget* parent = nullptr);
  ~TForm5() override;

  // The search over the logs (also the "検索" button and Enter in the box).
  // Ignored while a search of this window is running.
  void RunLogSearch();
  bool Searching() const { return searching_; }

  // Controls, named as in the window's description.
  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QLabel* Panel1 = nullptr;
  ReportView* ListView1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N6 = nullptr;
  QAction* URL2 = nullptr;
  QAction* N7 = nullptr;
  QAction* URL3 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The URL of the selected result row, or nullptr when none is selected.
  const std::string* SelectedUrl() const;
  void FitColumns();
  void ListView1DblClick();
  void ListView1MouseDown(const QPoint& globalPos);
  void PopupMenu1Popup();
  void URL2Click();

  std::vector<SearchRow> rows_;  // one per list row, in list order
  bool searching_ = false;
  bool closeRequested_ = false;  // closed during a search: delete when it ends
};

}  // namespace quillet

// Windows keep their established names at global scope as well.
using quillet::TForm5;
