// The log tab of the main window: the fixed tree of the sites and their
// categories on the left, the records of the selected category's log file on
// the right, newest first, with the menu to open or copy a record's article.
#pragma once

#include <QWidget>

#include <string>
#include <string_view>

class QAction;
class QMenu;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class ErrorDisplay;
class ReportView;

class LogTab : public QWidget {
 public:
  // Errors of the tab's handlers go to `errors`.
  explicit LogTab(ErrorDisplay& errors, QWidget* parent = nullptr);

  // The main window's page control has made this tab the active page: the
  // selected category's log is read again.
  void Reload();

  // The record list's column widths, as ReportView keeps them.
  std::string UserColumnWidths() const;
  void SetUserColumnWidths(std::string_view widths);

 private:
  // The category index a node of the tree stands for; -1 for a site node.
  static int NodeCategory(const QTreeWidgetItem* node);
  // Fills the log list with the records of the node's log file.
  void LoadLogView(const QTreeWidgetItem* node);
  void BuildTree();
  void FitColumns();
  void NodeChanged();
  void OpenSelectedArticle();
  void ShowRecordMenu(const QPoint& globalPos);
  void ShowUrlInMenu();
  void CopySelectedUrl();

  QTreeWidget* siteTree_;
  QSplitter* splitter_;
  ReportView* recordList_;
  QMenu* recordMenu_;
  QAction* openArticleAction_;
  QAction* copyUrlAction_;
  QAction* urlCaptionAction_;
  ErrorDisplay& errors_;
};

}  // namespace quillet
