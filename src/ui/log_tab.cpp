#include "ui/log_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QTreeWidget>

#include <filesystem>
#include <system_error>

#include "core/log/log_rows.h"
#include "core/log/log_store.h"
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

constexpr int kCategoryRole = Qt::UserRole;

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
  ReportModel& rows = recordList_->Rows();
  rows.Clear();
  const int category = NodeCategory(node);
  if (category < 0) return;
  // The text takes at most the file's size: no growing on the way.
  TextTable table = rows.NewRows();
  std::error_code unknown;
  const uintmax_t size = std::filesystem::file_size(LogFilePath(category), unknown);
  if (!unknown) table.Reserve(0, static_cast<size_t>(size));
  ForEachLogLine(category, [&](std::string_view line) {
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
  if (QTreeWidgetItem* node = siteTree_->currentItem()) LoadLogView(node);
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
