// The log tab of the main window: the fixed tree of the sites and their
// categories, then the user's feeds, then the user's pages with their
// sections, on the left, the records of the selected node's log file on the
// right, newest first, with the menu to open or copy a record's article.
#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pages/page_list.h"
#include "core/settings/feed_list.h"

class QAction;
class QMenu;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class ErrorDisplay;
class LogTree;
class ReportView;

class LogTab : public QWidget {
 public:
  // Errors of the tab's handlers go to `errors`.
  explicit LogTab(ErrorDisplay& errors, QWidget* parent = nullptr);

  // The main window's page control has made this tab the active page, or a
  // run has ended: the selected category's or feed's log is read again. The
  // selected record stays selected: new records come in above it.
  void Reload();

  // The feeds' nodes made again from the settings file when its feed list
  // differs from the one shown, and the pages' from the pages file; a feed or
  // a section that stays keeps its selection.
  void RefreshSources();

  // The record list's column widths, as ReportView keeps them.
  std::string UserColumnWidths() const;
  void SetUserColumnWidths(std::string_view widths);

 private:
  // The log file a node of the tree stands for; "" for a site node and the
  // feeds' node.
  static std::string NodeLogPath(const QTreeWidgetItem* node);
  // Fills the log list with the records of the node's log file.
  void LoadLogView(const QTreeWidgetItem* node);
  void BuildTree();
  void RefreshFeeds();
  void RefreshPages();
  // The tree's pane widened to show its widest node whole, collapsed ones
  // included; a wider pane stays.
  void FitTree();
  void FitColumns();
  void NodeChanged();
  void OpenSelectedArticle();
  void ShowRecordMenu(const QPoint& globalPos);
  void ShowUrlInMenu();
  void CopySelectedUrl();

  LogTree* siteTree_;
  QTreeWidgetItem* feedsNode_ = nullptr;  // "フィード", while there are feeds
  std::vector<settings::FeedSource> shownFeeds_;
  QTreeWidgetItem* pagesNode_ = nullptr;  // "ページ", while there are pages
  // The pages shown; nullopt while the pages file could not be read, which
  // shows the node without pages.
  std::optional<std::vector<PageSource>> shownPages_ = std::vector<PageSource>();
  QSplitter* splitter_ = nullptr;
  ReportView* recordList_;
  QMenu* recordMenu_;
  QAction* openArticleAction_;
  QAction* copyUrlAction_;
  QAction* urlCaptionAction_;
  ErrorDisplay& errors_;
};

}  // namespace quillet
