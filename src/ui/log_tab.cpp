#include "ui/log_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>

#include "core/log/log_rows.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "ui/browser_launch.h"
#include "ui/icons.h"
#include "ui/program_window.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr int kCategoryRole = Qt::UserRole;

// A row of the log list; it owns its record.
class LogRow : public QTreeWidgetItem {
 public:
  explicit LogRow(LogItem item) : record(std::move(item)) {
    setText(0, UiText(record.date));
    setText(1, UiText(record.headline));
  }
  LogItem record;
};

// Repainting stays off while the list is refilled, and comes back however
// the refill ends.
class UpdatesSuspended {
 public:
  explicit UpdatesSuspended(QWidget* widget) : widget_(widget) {
    widget_->setUpdatesEnabled(false);
  }
  ~UpdatesSuspended() { widget_->setUpdatesEnabled(true); }
  UpdatesSuspended(const UpdatesSuspended&) = delete;
  UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;

 private:
  QWidget* widget_;
};

}  // namespace

LogTab::LogTab(ErrorDisplay& errors, QWidget* parent) : QWidget(parent), errors_(errors) {
  siteTree_ = Named(new QTreeWidget, QStringLiteral("siteTree"));
  siteTree_->setHeaderHidden(true);
  siteTree_->setIndentation(19);
  siteTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  siteTree_->setSelectionMode(QAbstractItemView::SingleSelection);
  siteTree_->setIconSize(QSize(16, 16));
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
  splitter_->setSizes({121, 379});

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

int LogTab::NodeCategory(const QTreeWidgetItem* node) {
  return node->data(0, kCategoryRole).toInt();
}

void LogTab::LoadLogView(const QTreeWidgetItem* node) {
  UpdatesSuspended suspended(recordList_);
  recordList_->clear();
  const int category = NodeCategory(node);
  if (category < 0 || !FileExists(LogFilePath(category))) return;
  for (LogItem& item : quillet::LoadLogView(category))
    recordList_->addTopLevelItem(new LogRow(std::move(item)));
  FitColumns();
}

void LogTab::FitColumns() {
  recordList_->FitColumns();
}

void LogTab::Reload() {
  if (QTreeWidgetItem* node = siteTree_->currentItem()) LoadLogView(node);
}

const LogItem* LogTab::SelectedLog() const {
  const auto* row = static_cast<const LogRow*>(recordList_->SelectedRow());
  return row != nullptr ? &row->record : nullptr;
}

void LogTab::NodeChanged() {
  RunGuarded(errors_, [this] {
    if (QTreeWidgetItem* node = siteTree_->currentItem()) LoadLogView(node);
  });
}

void LogTab::OpenSelectedArticle() {
  RunGuarded(errors_, [this] {
    if (const LogItem* item = SelectedLog()) OpenArticle(item->url, window());
  });
}

void LogTab::ShowRecordMenu(const QPoint& globalPos) {
  recordMenu_->popup(globalPos);
}

void LogTab::ShowUrlInMenu() {
  if (const LogItem* item = SelectedLog()) urlCaptionAction_->setText(MenuCaption(item->url));
}

void LogTab::CopySelectedUrl() {
  RunGuarded(errors_, [this] {
    if (const LogItem* item = SelectedLog()) CopyUrl(item->url);
  });
}

}  // namespace quillet
