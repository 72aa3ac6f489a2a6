#include "ui/log_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/log/log_rows.h"
#include "core/log/log_store.h"
#include "core/pages/page_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/text/text_codec.h"
#include "ui/browser_launch.h"
#include "ui/icons.h"
#include "ui/program_window.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr int kCategoryRole = Qt::UserRole;     // the category index; -1 for other nodes
constexpr int kFeedRole = Qt::UserRole + 1;     // the feed id of a feed's node
constexpr int kPageRole = Qt::UserRole + 2;     // the page id of a page's node and its sections'
constexpr int kSectionRole = Qt::UserRole + 3;  // a section's number, from 1
constexpr int kTreeWidth = 121;                 // the tree's pane at start, if no node needs more
constexpr int kListWidth = 200;                 // what a widened tree leaves the list at least

}  // namespace

// The log tree, which can tell what its widest node needs, collapsed or not.
class LogTree : public QTreeWidget {
 public:
  int WidestNode() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
      int level = 1;  // the root is decorated
      for (const QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent())
        ++level;
      const QModelIndex index = indexFromItem(*it);
      widest = std::max(widest, level * indentation() +
                                    itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return widest;
  }
};

LogTab::LogTab(ErrorDisplay& errors, QWidget* parent) : QWidget(parent), errors_(errors) {
  siteTree_ = Named(new LogTree, QStringLiteral("siteTree"));
  siteTree_->setHeaderHidden(true);
  siteTree_->setIndentation(19);
  siteTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  siteTree_->setSelectionMode(QAbstractItemView::SingleSelection);
  siteTree_->setIconSize(QSize(16, 16));
  siteTree_->setUniformRowHeights(true);
  BuildTree();

  recordList_ = Named(new ReportView({{CP932("取得日時"), 60}, {CP932("ヘッドライン"), 300}}),
                      QStringLiteral("recordList"));

  splitter_ = new QSplitter(Qt::Horizontal);
  splitter_->setHandleWidth(3);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(siteTree_);
  splitter_->addWidget(recordList_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({kTreeWidth, 379});
  FitTree();
  RunGuarded(errors_, [this] { RefreshSources(); });

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);

  recordMenu_ = new QMenu(this);
  openArticleAction_ = Named(recordMenu_->addAction(UiText(CP932("この記事をブラウザで開く"))),
                             QStringLiteral("openArticleAction"));
  copyUrlAction_ =
      Named(recordMenu_->addAction(UiText(CP932("URLのコピー"))), QStringLiteral("copyUrlAction"));
  recordMenu_->addSeparator();
  urlCaptionAction_ = recordMenu_->addAction(QStringLiteral("URL"));

  connect(siteTree_, &QTreeWidget::currentItemChanged, this, [this] { NodeChanged(); });
  recordList_->OnDblClick = [this] { OpenSelectedArticle(); };
  recordList_->OnRowRightPress = [this](const QPoint& at) { ShowRecordMenu(at); };
  connect(recordMenu_, &QMenu::aboutToShow, this, [this] { ShowUrlInMenu(); });
  connect(openArticleAction_, &QAction::triggered, this, [this] { OpenSelectedArticle(); });
  connect(copyUrlAction_, &QAction::triggered, this, [this] { CopySelectedUrl(); });
}

void LogTab::BuildTree() {
  // The tree's own texts come from the catalogue; they differ in places from
  // the genres.
  for (const Site& site : Sites()) {
    const QIcon icon = SiteIcon(site.number);
    auto* siteItem = new QTreeWidgetItem(siteTree_);
    siteItem->setText(0, UiText(site.treeText));
    siteItem->setIcon(0, icon);
    siteItem->setData(0, kCategoryRole, -1);
    for (int category = site.firstCategory; category <= site.lastCategory; ++category) {
      auto* categoryItem = new QTreeWidgetItem(siteItem);
      categoryItem->setText(0, UiText(Categories()[static_cast<size_t>(category)].treeText));
      categoryItem->setIcon(0, icon);
      categoryItem->setData(0, kCategoryRole, category);
    }
  }
}

void LogTab::RefreshSources() {
  RefreshPages();  // never fails: an unreadable file leaves its node empty
  RefreshFeeds();
}

void LogTab::RefreshFeeds() {
  std::vector<settings::FeedSource> feeds = settings::ReadSettings().feeds.feeds;
  if (feeds == shownFeeds_) return;
  const QTreeWidgetItem* current = siteTree_->currentItem();
  const bool feedSelected = current != nullptr && feedsNode_ != nullptr &&
                            (current == feedsNode_ || current->parent() == feedsNode_);
  const int selectedFeed = feedSelected ? current->data(0, kFeedRole).toInt() : 0;
  // The nodes change under a quiet tree: a feed that stays is selected again
  // and shows the same log; one that went leaves nothing selected.
  const QSignalBlocker quiet(siteTree_);
  if (feedSelected) siteTree_->setCurrentItem(nullptr);
  delete feedsNode_;
  feedsNode_ = nullptr;
  shownFeeds_ = std::move(feeds);
  if (!shownFeeds_.empty()) {
    const QIcon icon = FeedIcon();
    feedsNode_ = new QTreeWidgetItem;
    siteTree_->insertTopLevelItem(kSiteCount, feedsNode_);  // before the pages' node
    feedsNode_->setText(0, UiText(settings::FeedGenre()));
    feedsNode_->setIcon(0, icon);
    feedsNode_->setData(0, kCategoryRole, -1);
    for (const settings::FeedSource& feed : shownFeeds_) {
      auto* feedItem = new QTreeWidgetItem(feedsNode_);
      feedItem->setText(0, UiText(feed.name));
      feedItem->setIcon(0, icon);
      feedItem->setData(0, kCategoryRole, -1);
      feedItem->setData(0, kFeedRole, feed.id);
      if (feed.id == selectedFeed) siteTree_->setCurrentItem(feedItem);
    }
  }
  if (feedSelected && siteTree_->currentItem() == nullptr) recordList_->Rows().Clear();
  FitTree();
}

void LogTab::RefreshPages() {
  std::optional<std::vector<PageSource>> pages;
  try {
    pages = ReadPages().pages;
  } catch (const std::exception&) {
    // The log tab is no place for the file's problem: the connection
    // dialog and the fetch run name it.
  }
  if (pages == shownPages_) return;
  const QTreeWidgetItem* current = siteTree_->currentItem();
  bool pageSelected = false;
  for (const QTreeWidgetItem* up = current; up != nullptr && pagesNode_ != nullptr;
       up = up->parent())
    pageSelected = pageSelected || up == pagesNode_;
  const int selectedPage = pageSelected ? current->data(0, kPageRole).toInt() : 0;
  const int selectedSection = pageSelected ? current->data(0, kSectionRole).toInt() : 0;
  // As the feeds' nodes: a section that stays is selected again.
  const QSignalBlocker quiet(siteTree_);
  if (pageSelected) siteTree_->setCurrentItem(nullptr);
  delete pagesNode_;
  pagesNode_ = nullptr;
  shownPages_ = std::move(pages);
  if (!shownPages_ || !shownPages_->empty()) {
    const QIcon icon = PageIcon();
    const auto node = [&](QTreeWidgetItem* parent, const std::string& text, int page, int section) {
      auto* item = new QTreeWidgetItem(parent);
      item->setText(0, UiText(text));
      item->setIcon(0, icon);
      item->setData(0, kCategoryRole, -1);
      item->setData(0, kPageRole, page);
      item->setData(0, kSectionRole, section);
      if (page > 0 && page == selectedPage && section == selectedSection)
        siteTree_->setCurrentItem(item);
      return item;
    };
    pagesNode_ = new QTreeWidgetItem(siteTree_);
    pagesNode_->setText(0, UiText(PageGenre()));
    pagesNode_->setIcon(0, icon);
    pagesNode_->setData(0, kCategoryRole, -1);
    for (const PageSource& page : shownPages_.value_or(std::vector<PageSource>())) {
      QTreeWidgetItem* pageItem = node(pagesNode_, page.name, page.id, 0);
      for (size_t n = 0; n < page.sections.size(); ++n)
        node(pageItem, page.sections[n].name, page.id, static_cast<int>(n) + 1);
    }
  }
  if (pageSelected && siteTree_->currentItem() == nullptr) recordList_->Rows().Clear();
  FitTree();
}

void LogTab::FitTree() {
  // The column never narrower than its widest node: a narrower pane scrolls.
  const int widest = siteTree_->WidestNode();
  siteTree_->header()->setMinimumSectionSize(widest);
  const int pane = widest + 2 * siteTree_->frameWidth() +
                   siteTree_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, siteTree_);
  QList<int> sizes = splitter_->sizes();
  if (sizes.size() != 2 || sizes[0] >= pane) return;
  const int total = sizes[0] + sizes[1];
  sizes[0] = std::max(sizes[0], std::min(pane, total - kListWidth));
  sizes[1] = total - sizes[0];
  splitter_->setSizes(sizes);
}

std::string LogTab::NodeLogPath(const QTreeWidgetItem* node) {
  if (const int feed = node->data(0, kFeedRole).toInt(); feed > 0) return FeedLogFilePath(feed);
  if (const int section = node->data(0, kSectionRole).toInt(); section > 0) {
    return PageLogFilePath(node->data(0, kPageRole).toInt(), static_cast<size_t>(section));
  }
  const int category = node->data(0, kCategoryRole).toInt();
  return category < 0 ? std::string() : LogFilePath(category);
}

void LogTab::LoadLogView(const QTreeWidgetItem* node) {
  ReportModel& rows = recordList_->Rows();
  rows.Clear();
  const std::string path = NodeLogPath(node);
  if (path.empty()) return;
  // The text takes at most the file's size: no growing on the way.
  TextTable table = rows.NewRows();
  std::error_code unknown;
  const uintmax_t size = std::filesystem::file_size(path, unknown);
  if (!unknown) table.Reserve(0, static_cast<size_t>(size));
  ForEachLogFileLine(path, [&](std::string_view line) {
    table.Add({LogField(line, 2), LogField(line, 0), LogField(line, 1)}, -1);
  });
  rows.Reset(std::move(table));
  FitColumns();
}

void LogTab::FitColumns() {
  recordList_->FitColumns();
}

std::string LogTab::UserColumnWidths() const {
  return recordList_->UserColumnWidths();
}

void LogTab::SetUserColumnWidths(std::string_view widths) {
  recordList_->SetUserColumnWidths(widths);
}

void LogTab::Reload() {
  RefreshSources();
  QTreeWidgetItem* node = siteTree_->currentItem();
  if (node == nullptr) return;
  // A log only grows at its top and renews records in place, so the selected
  // record keeps its distance from the end.
  const int selected = recordList_->SelectedRow();
  const int fromEnd = recordList_->Rows().rowCount() - selected;
  LoadLogView(node);
  const int row = recordList_->Rows().rowCount() - fromEnd;
  if (selected >= 0 && row >= 0) recordList_->SelectRow(row);
}

void LogTab::NodeChanged() {
  RunGuarded(errors_, [this] {
    if (QTreeWidgetItem* node = siteTree_->currentItem()) LoadLogView(node);
  });
}

void LogTab::OpenSelectedArticle() {
  RunGuarded(errors_, [this] {
    if (const auto url = recordList_->SelectedUrl()) OpenArticle(*url, window());
  });
}

void LogTab::ShowRecordMenu(const QPoint& globalPos) {
  recordMenu_->popup(globalPos);
}

void LogTab::ShowUrlInMenu() {
  if (const auto url = recordList_->SelectedUrl()) urlCaptionAction_->setText(MenuCaption(*url));
}

void LogTab::CopySelectedUrl() {
  RunGuarded(errors_, [this] {
    if (const auto url = recordList_->SelectedUrl()) CopyUrl(*url);
  });
}

}  // namespace quillet
