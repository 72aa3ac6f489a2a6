#include "ui/log_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <vector>

#include "core/log/log_rows.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "ui/browser_launch.h"
#include "ui/icons.h"
#include "ui/report_view.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr int kCategoryRole = Qt::UserRole;

// A row of the log list; it owns its record.
class LogRow : public QTreeWidgetItem {
 public:
  explicit LogRow(TLogItem item) : record(std::move(item)) {
    setText(0, UiText(record.Date));
    setText(1, UiText(record.Headline));
  }
  TLogItem record;
};

// The tree's own texts (CP932); they differ in places from the catalogue's
// genres. The CNN site node, with an empty text here, shows the site's
// display label.
struct SiteNode {
  std::string text;
  std::vector<std::string> categories;
};

const std::array<SiteNode, kSiteCount>& SiteNodes() {
  static const std::array<SiteNode, kSiteCount> kNodes = {{
      {"YOL",
       {CP932("トップ"), CP932("主要"), CP932("国際"), CP932("社会"), CP932("スポーツ"),
        CP932("政治"), CP932("経済"), CP932("おくやみ"), CP932("コラム")}},
      {CP932("アサヒ"),
       {CP932("トップ"), CP932("最新５ニュース"), CP932("国際"), CP932("社会"), CP932("スポーツ"),
        CP932("経済"), CP932("政治"), CP932("文化・芸能"), CP932("ひと"), CP932("おくやみ")}},
      {"Impress",
       {CP932("トップ"), CP932("インターネット"), CP932("パソコン"), CP932("アキバ"),
        CP932("ブロードバンド"), CP932("携帯"), CP932("デジタルＡＶ"), CP932("ゲーム"),
        CP932("投資情報"), CP932("Winソフト"), CP932("Macソフト"), CP932("シネマ")}},
      {"ZAKZAK", {CP932("トップ")}},
      {"",
       {CP932("トップ"), CP932("最新"), CP932("注目"), CP932("国際"), CP932("日本"), CP932("米国"),
        CP932("経済＆マネー"), CP932("スポーツ"), CP932("テクノロジー"), CP932("こぼれ話"),
        CP932("エンタテインメント")}},
      {CP932("中央日報"),
       {CP932("トップ"), CP932("最新"), CP932("特集"), CP932("南北新時代"), CP932("政治"),
        CP932("経済"), CP932("社会"), CP932("北朝鮮"), CP932("スポーツ"), CP932("文化・芸能"),
        CP932("カートゥーン"), CP932("社説"), CP932("コラム")}},
      {CP932("毎日新聞"),
       {CP932("トップ"), CP932("最新"), CP932("国際"), CP932("社会"), "IT", CP932("スポーツ"),
        CP932("政治"), CP932("経済"), CP932("人事・訃報")}},
  }};
  return kNodes;
}

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
  TreeView1 = new QTreeWidget;
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(19);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
  TreeView1->setIconSize(QSize(16, 16));
  BuildTree();

  ListView6 = new ReportView({{CP932("取得日時"), 60}, {CP932("ヘッドライン"), 300}});

  Splitter1 = new QSplitter(Qt::Horizontal);
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(TreeView1);
  Splitter1->addWidget(ListView6);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({121, 379});

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Splitter1);

  PopupMenu3 = new QMenu(this);
  N6 = PopupMenu3->addAction(UiText(CP932("この記事をブラウザで開く")));
  URL2 = PopupMenu3->addAction(UiText(CP932("URLのコピー")));
  N7 = PopupMenu3->addSeparator();
  URL3 = PopupMenu3->addAction(QStringLiteral("URL"));

  connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { TreeView1Change(); });
  ListView6->OnDblClick = [this] { ListView6DblClick(); };
  ListView6->OnRowRightPress = [this](const QPoint& at) { ListView2MouseDown(at); };
  connect(PopupMenu3, &QMenu::aboutToShow, this, [this] { PopupMenu3Popup(); });
  connect(N6, &QAction::triggered, this, [this] { ListView6DblClick(); });
  connect(URL2, &QAction::triggered, this, [this] { URL2Click(); });
}

void LogTab::BuildTree() {
  const auto& nodes = SiteNodes();
  for (int site = 0; site < kSiteCount; ++site) {
    const SiteNode& node = nodes[static_cast<size_t>(site)];
    const Site& catalogue = Sites()[static_cast<size_t>(site)];
    const QIcon icon = SiteIcon(site);
    auto* siteItem = new QTreeWidgetItem(TreeView1);
    siteItem->setText(0, UiText(node.text.empty() ? catalogue.displayLabel : node.text));
    siteItem->setIcon(0, icon);
    siteItem->setData(0, kCategoryRole, -1);
    int index = catalogue.firstCategory;
    for (const std::string& text : node.categories) {
      auto* categoryItem = new QTreeWidgetItem(siteItem);
      categoryItem->setText(0, UiText(text));
      categoryItem->setIcon(0, icon);
      categoryItem->setData(0, kCategoryRole, index++);
    }
  }
}

int LogTab::NodeCategory(const QTreeWidgetItem* node) {
  return node->data(0, kCategoryRole).toInt();
}

void LogTab::LoadLogView(const QTreeWidgetItem* node) {
  UpdatesSuspended suspended(ListView6);
  ListView6->clear();
  const int category = NodeCategory(node);
  if (category < 0 || !FileExists(LogFilePath(category))) return;
  for (TLogItem& item : quillet::LoadLogView(category))
    ListView6->addTopLevelItem(new LogRow(std::move(item)));
  FitColumns();
}

void LogTab::FitColumns() {
  ListView6->FitColumns();
}

void LogTab::PageControl1Change() {
  if (QTreeWidgetItem* node = TreeView1->currentItem()) LoadLogView(node);
}

const TLogItem* LogTab::SelectedLog() const {
  const auto* row = static_cast<const LogRow*>(ListView6->SelectedRow());
  return row != nullptr ? &row->record : nullptr;
}

void LogTab::TreeView1Change() {
  RunGuarded(errors_, [this] {
    if (QTreeWidgetItem* node = TreeView1->currentItem()) LoadLogView(node);
  });
}

void LogTab::ListView6DblClick() {
  RunGuarded(errors_, [this] {
    if (const TLogItem* item = SelectedLog()) OpenArticle(item->URL, window());
  });
}

void LogTab::ListView2MouseDown(const QPoint& globalPos) {
  PopupMenu3->popup(globalPos);
}

void LogTab::PopupMenu3Popup() {
  if (const TLogItem* item = SelectedLog()) URL3->setText(MenuCaption(item->URL));
}

void LogTab::URL2Click() {
  RunGuarded(errors_, [this] {
    if (const TLogItem* item = SelectedLog()) CopyUrl(item->URL);
  });
}

}  // namespace quillet
