#include "ui/connection_dialog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/feeds/feed_import.h"
#include "core/feeds/feed_status.h"
#include "core/feeds/opml.h"
#include "core/pages/page_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/clock.h"
#include "core/text/text_codec.h"
#include "ui/feed_edit_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/icons.h"
#include "ui/message_box.h"
#include "ui/page_edit_dialog.h"
#include "ui/page_list_edits.h"
#include "ui/tab_columns_delegate.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

// The designed size, with room for the page tabs above the connection page.
constexpr QSize kClientSize(567, 375);
// A feed row keeps its id, and its name and URL as CP932 bytes, which a trip
// through the shown Unicode texts might change.
constexpr int kFeedIdRole = Qt::UserRole;
constexpr int kFeedNameRole = Qt::UserRole + 1;
constexpr int kFeedUrlRole = Qt::UserRole + 2;

std::string FeedText(const QTreeWidgetItem* row, int role) {
  return row->data(0, role).toByteArray().toStdString();
}

std::string FieldText(const QLineEdit* edit) {
  return Utf8ToCp932(edit->text().toStdString());
}

// The file types the OPML buttons offer.
QString OpmlFilters() {
  return QStringLiteral("OPML (*.opml *.xml);;") + UiText(CP932("すべてのファイル (*)"));
}

// What an import shows: the counts, then why outlines were passed over (the
// first few, and how many more).
std::string ImportReport(const FeedImport& import) {
  constexpr size_t kShown = 10;
  std::string report = ImportSummary(import);
  if (!import.refused.empty()) report += "\n";
  for (size_t i = 0; i < import.refused.size() && i < kShown; ++i)
    report += "\n" + import.refused[i];
  if (import.refused.size() > kShown) {
    report += CP932("\nほか ") + std::to_string(import.refused.size() - kShown) + CP932(" 件");
  }
  return report;
}

}  // namespace

ConnectionDialog::ConnectionDialog(QWidget* parent) : ProgramWindow(parent), errors_(parent) {
  setWindowTitle(UiText(CP932("接続設定")));
  setWindowModality(Qt::ApplicationModal);

  categoryLabel_ =
      new QLabel(UiText(CP932("巡回するヘッドライン (巡回しない場合はチェックを外す)")), this);
  categoryList_ = Named(new QListWidget(this), QStringLiteral("categoryList"));
  categoryList_->setFixedSize(281, 265);
  for (int i = 0; i < kCategoryCount; ++i) {
    auto* row = new QListWidgetItem(UiText(ChecklistLabel(i)), categoryList_);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Checked);
  }
  divider_ = new QFrame(this);
  divider_->setFrameShape(QFrame::VLine);
  divider_->setFrameShadow(QFrame::Sunken);

  proxyLabel_ = new QLabel(UiText(CP932("HTTPプロクシ (アドレス : ポート番号)")), this);
  proxyEdit_ = Named(new QLineEdit(this), QStringLiteral("proxyEdit"));
  userNameLabel_ = new QLabel(UiText(CP932("ユーザー名")), this);
  userNameEdit_ = Named(new QLineEdit(this), QStringLiteral("userNameEdit"));
  passwordLabel_ = new QLabel(UiText(CP932("パスワード")), this);
  passwordEdit_ = Named(new QLineEdit(this), QStringLiteral("passwordEdit"));
  // The password is masked; the eye shows it while it is pressed in.
  passwordEdit_->setEchoMode(QLineEdit::Password);
  showPassword_ = Named(passwordEdit_->addAction(RevealIcon(), QLineEdit::TrailingPosition),
                        QStringLiteral("showPassword"));
  showPassword_->setCheckable(true);
  showPassword_->setToolTip(UiText(CP932("パスワードを表示")));
  connect(showPassword_, &QAction::toggled, this, [this](bool shown) {
    passwordEdit_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
  });
  addButton_ = Named(
      new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), UiText(CP932("追加")), this),
      QStringLiteral("addButton"));
  replaceButton_ = Named(
      new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), UiText(CP932("置換")), this),
      QStringLiteral("replaceButton"));
  copyButton_ =
      Named(new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), UiText(CP932("複写")), this),
            QStringLiteral("copyButton"));
  proxyListLabel_ = new QLabel(UiText(CP932("プロクシリスト")), this);
  proxyList_ = Named(new QListWidget(this), QStringLiteral("proxyList"));
  proxyList_->setSelectionMode(QAbstractItemView::SingleSelection);
  proxyList_->setItemDelegate(new TabColumnsDelegate(3, proxyList_));
  deleteButton_ = Named(new QToolButton(this), QStringLiteral("deleteButton"));
  deleteButton_->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  deleteButton_->setText(UiText(CP932("削除")));
  deleteButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

  feedLabel_ = new QLabel(UiText(CP932("巡回するフィード (巡回しない場合はチェックを外す)")), this);
  feedList_ = Named(new QTreeWidget(this), QStringLiteral("feedList"));
  feedList_->setColumnCount(3);
  feedList_->setHeaderLabels({UiText(CP932("名前")), QStringLiteral("URL"), UiText(CP932("状態"))});
  feedList_->setRootIsDecorated(false);
  feedList_->setSelectionMode(QAbstractItemView::SingleSelection);
  feedList_->setColumnWidth(0, 110);
  feedList_->setColumnWidth(1, 160);
  feedStateProblem_ = Named(new QLabel(this), QStringLiteral("feedStateProblem"));
  feedStateProblem_->setWordWrap(true);
  feedStateProblem_->hide();
  feedsAtOnceLabel_ = new QLabel(UiText(CP932("同時に取得するフィードの数")), this);
  feedsAtOnceSpin_ = Named(new QSpinBox(this), QStringLiteral("feedsAtOnceSpin"));
  feedsAtOnceSpin_->setRange(settings::key::kFeedsAtOnce.least, settings::key::kFeedsAtOnce.most);
  feedsAtOnceLabel_->setBuddy(feedsAtOnceSpin_);
  const auto feedButton = [this](const std::string& caption, const char* name) {
    return Named(new QPushButton(UiText(caption), this), QString::fromLatin1(name));
  };
  feedAddButton_ = feedButton(CP932("追加..."), "feedAddButton");
  feedEditButton_ = feedButton(CP932("編集..."), "feedEditButton");
  feedDeleteButton_ = feedButton(CP932("削除"), "feedDeleteButton");
  feedUpButton_ = feedButton(CP932("上へ"), "feedUpButton");
  feedDownButton_ = feedButton(CP932("下へ"), "feedDownButton");
  feedImportButton_ = feedButton(CP932("読み込み..."), "feedImportButton");
  feedExportButton_ = feedButton(CP932("書き出し..."), "feedExportButton");
  feedEditor_ = new FeedEditDialog(this);

  pageLabel_ = new QLabel(UiText(CP932("巡回するページ (巡回しない場合はチェックを外す)")), this);
  pageList_ = Named(new QTreeWidget(this), QStringLiteral("pageList"));
  pageList_->setColumnCount(3);
  pageList_->setHeaderLabels(
      {UiText(CP932("名前")), QStringLiteral("URL"), UiText(CP932("セクション"))});
  pageList_->setRootIsDecorated(false);
  pageList_->setSelectionMode(QAbstractItemView::SingleSelection);
  pageList_->setColumnWidth(0, 110);
  pageList_->setColumnWidth(1, 220);
  pageFileProblem_ = Named(new QLabel(this), QStringLiteral("pageFileProblem"));
  pageFileProblem_->setWordWrap(true);
  pageFileProblem_->hide();
  pageAddButton_ = feedButton(CP932("追加..."), "pageAddButton");
  pageEditButton_ = feedButton(CP932("編集..."), "pageEditButton");
  pageDeleteButton_ = feedButton(CP932("削除"), "pageDeleteButton");
  pageEditor_ = new PageEditDialog(this);

  okButton_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("okButton"));
  cancelButton_ =
      Named(new QPushButton(UiText(CP932("キャンセル")), this), QStringLiteral("cancelButton"));
  okButton_->setDefault(true);

  auto* categories = new QVBoxLayout;
  categories->addWidget(categoryLabel_);
  categories->addWidget(categoryList_);
  categories->addStretch(1);

  auto* fields = new QGridLayout;
  fields->addWidget(userNameLabel_, 0, 0);
  fields->addWidget(passwordLabel_, 0, 1);
  fields->addWidget(userNameEdit_, 1, 0);
  fields->addWidget(passwordEdit_, 1, 1);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(addButton_);
  listButtons->addWidget(replaceButton_);
  listButtons->addWidget(copyButton_);
  listButtons->addStretch(1);
  auto* list = new QHBoxLayout;
  list->addWidget(proxyList_, 1);
  list->addWidget(deleteButton_, 0, Qt::AlignTop);
  auto* proxy = new QVBoxLayout;
  proxy->addWidget(proxyLabel_);
  proxy->addWidget(proxyEdit_);
  proxy->addLayout(fields);
  proxy->addLayout(listButtons);
  proxy->addWidget(proxyListLabel_);
  proxy->addLayout(list, 1);

  auto* connectionPage = new QWidget;
  auto* body = new QHBoxLayout(connectionPage);
  body->addLayout(categories);
  body->addWidget(divider_);
  body->addLayout(proxy, 1);

  auto* feedButtons = new QVBoxLayout;
  feedButtons->addWidget(feedAddButton_);
  feedButtons->addWidget(feedEditButton_);
  feedButtons->addWidget(feedDeleteButton_);
  feedButtons->addSpacing(12);
  feedButtons->addWidget(feedUpButton_);
  feedButtons->addWidget(feedDownButton_);
  feedButtons->addSpacing(12);
  feedButtons->addWidget(feedImportButton_);
  feedButtons->addWidget(feedExportButton_);
  feedButtons->addStretch(1);
  auto* feedRow = new QHBoxLayout;
  feedRow->addWidget(feedList_, 1);
  feedRow->addLayout(feedButtons);
  auto* feedPage = new QWidget;
  auto* atOnce = new QHBoxLayout;
  atOnce->addWidget(feedsAtOnceLabel_);
  atOnce->addWidget(feedsAtOnceSpin_);
  atOnce->addStretch(1);
  auto* feeds = new QVBoxLayout(feedPage);
  feeds->addWidget(feedLabel_);
  feeds->addLayout(feedRow, 1);
  feeds->addWidget(feedStateProblem_);
  feeds->addLayout(atOnce);

  auto* pageButtons = new QVBoxLayout;
  pageButtons->addWidget(pageAddButton_);
  pageButtons->addWidget(pageEditButton_);
  pageButtons->addWidget(pageDeleteButton_);
  pageButtons->addStretch(1);
  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(pageList_, 1);
  pageRow->addLayout(pageButtons);
  auto* pagePage = new QWidget;
  auto* pageSources = new QVBoxLayout(pagePage);
  pageSources->addWidget(pageLabel_);
  pageSources->addLayout(pageRow, 1);
  pageSources->addWidget(pageFileProblem_);

  pages_ = Named(new QTabWidget(this), QStringLiteral("pages"));
  pages_->addTab(connectionPage, UiText(CP932("接続")));
  pages_->addTab(feedPage, UiText(settings::FeedGenre()));
  pages_->addTab(pagePage, UiText(PageGenre()));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addLayout(buttons);

  FixSizeAndCentre(kClientSize);

  connect(addButton_, &QPushButton::clicked, this, [this] { AddProxyLine(); });
  connect(copyButton_, &QPushButton::clicked, this, [this] { CopyProxyLine(); });
  connect(replaceButton_, &QPushButton::clicked, this, [this] { ReplaceProxyLine(); });
  connect(deleteButton_, &QToolButton::clicked, this, [this] { DeleteProxyLine(); });
  connect(feedAddButton_, &QPushButton::clicked, this, [this] { AddFeed(); });
  connect(feedEditButton_, &QPushButton::clicked, this, [this] { EditFeed(); });
  connect(feedList_, &QTreeWidget::itemDoubleClicked, this, [this] { EditFeed(); });
  connect(feedDeleteButton_, &QPushButton::clicked, this, [this] { DeleteFeed(); });
  connect(feedUpButton_, &QPushButton::clicked, this, [this] { MoveFeed(-1); });
  connect(feedDownButton_, &QPushButton::clicked, this, [this] { MoveFeed(1); });
  connect(feedImportButton_, &QPushButton::clicked, this, [this] { ImportFeedFile(); });
  connect(feedExportButton_, &QPushButton::clicked, this, [this] { ExportFeedFile(); });
  // 編集 and 削除 act on the selected feed; 上へ and 下へ move it while it can.
  const auto updateFeedButtons = [this] {
    const QList<QTreeWidgetItem*> selected = feedList_->selectedItems();
    const int row = selected.isEmpty() ? -1 : feedList_->indexOfTopLevelItem(selected.first());
    feedEditButton_->setEnabled(row >= 0);
    feedDeleteButton_->setEnabled(row >= 0);
    feedUpButton_->setEnabled(row > 0);
    feedDownButton_->setEnabled(row >= 0 && row + 1 < feedList_->topLevelItemCount());
  };
  connect(feedList_, &QTreeWidget::itemSelectionChanged, this, updateFeedButtons);
  connect(feedList_->model(), &QAbstractItemModel::rowsInserted, this, updateFeedButtons);
  connect(feedList_->model(), &QAbstractItemModel::rowsRemoved, this, updateFeedButtons);
  updateFeedButtons();
  connect(pageAddButton_, &QPushButton::clicked, this, [this] { AddPage(); });
  connect(pageEditButton_, &QPushButton::clicked, this, [this] { EditPage(); });
  connect(pageList_, &QTreeWidget::itemDoubleClicked, this, [this] { EditPage(); });
  connect(pageDeleteButton_, &QPushButton::clicked, this, [this] { DeletePage(); });
  // A pages file that could not be read leaves the list to look at only.
  const auto updatePageButtons = [this] {
    const bool selected = !pageList_->selectedItems().isEmpty();
    pageAddButton_->setEnabled(pagesRead_);
    pageEditButton_->setEnabled(pagesRead_ && selected);
    pageDeleteButton_->setEnabled(pagesRead_ && selected);
  };
  connect(pageList_, &QTreeWidget::itemSelectionChanged, this, updatePageButtons);
  connect(pageList_->model(), &QAbstractItemModel::modelReset, this, updatePageButtons);
  connect(pageList_->model(), &QAbstractItemModel::rowsInserted, this, updatePageButtons);
  connect(pageList_->model(), &QAbstractItemModel::rowsRemoved, this, updatePageButtons);
  updatePageButtons();
  connect(okButton_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
}

void ConnectionDialog::showEvent(QShowEvent* event) {
  ProgramWindow::showEvent(event);
  // A spontaneous show is a restore by the window system, not an opening.
  if (!event->spontaneous()) RunGuarded(errors_, [this] { LoadSettings(); });
}

ConnectionDialog::~ConnectionDialog() {
  // The lists signal as QWidget's destructor deletes them, when this is a
  // dialog no more: their button updates must not run then.
  for (QTreeWidget* list : {feedList_, pageList_}) {
    list->disconnect(this);
    list->model()->disconnect(this);
  }
}

void ConnectionDialog::LoadSettings() {
  proxyList_->clear();
  loaded_ = settings::ReadSettings();
  const settings::Connection& stored = loaded_.connection;
  for (int i = 0; i < kCategoryCount; ++i) {
    categoryList_->item(i)->setCheckState(stored.enabled[static_cast<size_t>(i)] ? Qt::Checked
                                                                                 : Qt::Unchecked);
  }
  proxyEdit_->setText(UiText(stored.proxy.address));
  userNameEdit_->setText(UiText(stored.proxy.userName));
  passwordEdit_->setText(UiText(stored.proxy.password));
  showPassword_->setChecked(false);
  for (const std::string& line : stored.proxyList)
    proxyList_->addItem(UiText(line));
  feedsAtOnceSpin_->setValue(stored.feedsAtOnce);
  // The settings are shown whatever became of the state file.
  feedStates_ = {};
  feedStatesRead_ = false;
  loadedAt_ = Now();
  feedStateProblem_->hide();
  try {
    feedStates_ = ReadFeedStates();
    feedStatesRead_ = true;
  } catch (const std::exception& e) {
    feedStateProblem_->setText(UiText(e.what()));
    feedStateProblem_->show();
  }
  feedList_->clear();
  for (const settings::FeedSource& feed : loaded_.feeds.feeds)
    AddFeedRow(feed);
  LoadPages();
}

void ConnectionDialog::LoadPages() {
  // The settings are shown whatever became of the pages file.
  pageList_->clear();
  listedPages_.clear();
  loadedPages_.clear();
  pagesRead_ = false;
  pageFileProblem_->hide();
  try {
    loadedPages_ = ReadPages().pages;
    pagesRead_ = true;
  } catch (const std::exception& e) {
    pageFileProblem_->setText(UiText(e.what()));
    pageFileProblem_->show();
  }
  for (const PageSource& page : loadedPages_)
    AddPageRow(page);
  pageList_->clearSelection();
  pageList_->setCurrentItem(nullptr);
  pageAddButton_->setEnabled(pagesRead_);
}

void ConnectionDialog::keyPressEvent(QKeyEvent* event) {
  if (!DialogKeyPress(event, okButton_, cancelButton_)) ProgramWindow::keyPressEvent(event);
}

int ConnectionDialog::SelectedLine() const {
  const QList<QListWidgetItem*> selected = proxyList_->selectedItems();
  return selected.isEmpty() ? -1 : proxyList_->row(selected.first());
}

std::string ConnectionDialog::FieldsLine() const {
  return settings::JoinProxyEntry(
      {FieldText(proxyEdit_), FieldText(userNameEdit_), FieldText(passwordEdit_)});
}

void ConnectionDialog::AddProxyLine() {
  proxyList_->addItem(UiText(FieldsLine()));
}

void ConnectionDialog::CopyProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  const settings::Proxy entry =
      settings::SplitProxyEntry(Utf8ToCp932(proxyList_->item(line)->text().toStdString()));
  proxyEdit_->setText(UiText(entry.address));
  userNameEdit_->setText(UiText(entry.userName));
  passwordEdit_->setText(UiText(entry.password));
}

void ConnectionDialog::ReplaceProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  proxyList_->item(line)->setText(UiText(FieldsLine()));
}

void ConnectionDialog::DeleteProxyLine() {
  const int line = SelectedLine();
  if (line < 0) return;
  delete proxyList_->takeItem(line);
  // The list would otherwise move the selection to a neighbour.
  proxyList_->clearSelection();
  proxyList_->setCurrentRow(-1);
}

void ConnectionDialog::AddFeedRow(const settings::FeedSource& feed) {
  auto* row = new QTreeWidgetItem(feedList_);
  row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  row->setCheckState(0, feed.enabled ? Qt::Checked : Qt::Unchecked);
  row->setData(0, kFeedIdRole, feed.id);
  SetFeedTexts(row, feed.name, feed.url);
}

void ConnectionDialog::SetFeedTexts(QTreeWidgetItem* row, const std::string& name,
                                    const std::string& url) {
  row->setText(0, UiText(name));
  row->setText(1, UiText(url));
  row->setData(0, kFeedNameRole, QByteArray::fromStdString(name));
  row->setData(0, kFeedUrlRole, QByteArray::fromStdString(url));
  // Not when the file could not be read: its feeds may well have been fetched.
  if (feedStatesRead_) {
    const QString state =
        UiText(FeedStatusText(feedStates_, row->data(0, kFeedIdRole).toInt(), url, loadedAt_));
    row->setText(2, state);
    row->setToolTip(2, state);
  }
}

std::vector<settings::FeedSource> ConnectionDialog::ListedFeeds() const {
  std::vector<settings::FeedSource> feeds;
  for (int n = 0; n < feedList_->topLevelItemCount(); ++n) {
    const QTreeWidgetItem* row = feedList_->topLevelItem(n);
    feeds.push_back({row->data(0, kFeedIdRole).toInt(), FeedText(row, kFeedNameRole),
                     FeedText(row, kFeedUrlRole), row->checkState(0) == Qt::Checked});
  }
  return feeds;
}

void ConnectionDialog::AddFeed() {
  feedEditor_->Open(
      CP932("フィードの追加"), "", "", ListedFeeds(),
      [this](const std::string& name, const std::string& url) {
        AddFeedRow({0, name, url, true});  // the id comes with OK
        feedList_->setCurrentItem(feedList_->topLevelItem(feedList_->topLevelItemCount() - 1));
      });
}

void ConnectionDialog::EditFeed() {
  QTreeWidgetItem* row = feedList_->currentItem();
  if (row == nullptr || !row->isSelected()) return;
  std::vector<settings::FeedSource> others = ListedFeeds();
  others.erase(others.begin() + feedList_->indexOfTopLevelItem(row));
  feedEditor_->Open(CP932("フィードの編集"), FeedText(row, kFeedNameRole),
                    FeedText(row, kFeedUrlRole), std::move(others),
                    [this, row](const std::string& name, const std::string& url) {
                      SetFeedTexts(row, name, url);
                    });
}

void ConnectionDialog::DeleteFeed() {
  QTreeWidgetItem* row = feedList_->currentItem();
  if (row == nullptr || !row->isSelected()) return;
  delete row;
  // The list would otherwise move the selection to a neighbour.
  feedList_->clearSelection();
  feedList_->setCurrentItem(nullptr);
}

void ConnectionDialog::MoveFeed(int step) {
  QTreeWidgetItem* row = feedList_->currentItem();
  if (row == nullptr || !row->isSelected()) return;
  const int from = feedList_->indexOfTopLevelItem(row);
  const int to = from + step;
  if (to < 0 || to >= feedList_->topLevelItemCount()) return;
  feedList_->insertTopLevelItem(to, feedList_->takeTopLevelItem(from));
  feedList_->setCurrentItem(row);
}

void ConnectionDialog::ImportFeedFile() {
  const QString path = AskFileToOpen(this, OpmlFilters());
  if (path.isEmpty()) return;
  // A file that cannot be read leaves the list as it was.
  RunGuarded(errors_, [&] {
    const FeedImport import =
        ImportFeeds(ListedFeeds(), ReadOpmlFile(QFile::encodeName(path).toStdString()));
    for (size_t n = import.feeds.size() - import.added; n < import.feeds.size(); ++n)
      AddFeedRow(import.feeds[n]);  // the ids come with OK
    ShowMessage(this, ImportReport(import), CP932("フィードの読み込み"), MessageIcon::kInformation);
  });
}

void ConnectionDialog::ExportFeedFile() {
  const QString path =
      AskFileToSave(this, OpmlFilters(), QDir::home().filePath(QStringLiteral("feeds.opml")));
  if (path.isEmpty()) return;
  RunGuarded(errors_, [&] { WriteOpmlFile(QFile::encodeName(path).toStdString(), ListedFeeds()); });
}

void ConnectionDialog::AddPageRow(const PageSource& page) {
  auto* row = new QTreeWidgetItem(pageList_);
  row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  row->setCheckState(0, page.enabled ? Qt::Checked : Qt::Unchecked);
  listedPages_.push_back(page);
  SetPageTexts(row, page);
}

void ConnectionDialog::SetPageTexts(QTreeWidgetItem* row, const PageSource& page) {
  row->setText(0, UiText(page.name));
  row->setText(1, UiText(page.url));
  row->setText(2, QString::number(page.sections.size()));
  row->setToolTip(1, UiText(page.url));
}

std::vector<PageSource> ConnectionDialog::ListedPages() const {
  std::vector<PageSource> pages = listedPages_;
  for (size_t n = 0; n < pages.size(); ++n)
    pages[n].enabled = pageList_->topLevelItem(static_cast<int>(n))->checkState(0) == Qt::Checked;
  return pages;
}

void ConnectionDialog::AddPage() {
  if (!pagesRead_) return;
  pageEditor_->Open(CP932("ページの追加"), PageSource{}, [this](const PageSource& page) {
    AddPageRow(page);  // the id comes with OK
    pageList_->setCurrentItem(pageList_->topLevelItem(pageList_->topLevelItemCount() - 1));
  });
}

void ConnectionDialog::EditPage() {
  QTreeWidgetItem* row = pageList_->currentItem();
  if (!pagesRead_ || row == nullptr || !row->isSelected()) return;
  const size_t n = static_cast<size_t>(pageList_->indexOfTopLevelItem(row));
  pageEditor_->Open(CP932("ページの編集"), listedPages_[n], [this, row](const PageSource& page) {
    // The row is found again: the list may have changed while the editor was open.
    const int at = pageList_->indexOfTopLevelItem(row);
    if (at < 0) return;
    listedPages_[static_cast<size_t>(at)] = page;
    SetPageTexts(row, page);
  });
}

void ConnectionDialog::DeletePage() {
  QTreeWidgetItem* row = pageList_->currentItem();
  if (!pagesRead_ || row == nullptr || !row->isSelected()) return;
  listedPages_.erase(listedPages_.begin() + pageList_->indexOfTopLevelItem(row));
  delete row;
  pageList_->clearSelection();
  pageList_->setCurrentItem(nullptr);
}

bool ConnectionDialog::ConfirmPages() {
  const std::vector<PageSource> pages = ListedPages();
  if (pages == loadedPages_) return false;  // also when the file could not be read
  EditPages([&](PageList& list) { ApplyPageEdits(loadedPages_, pages, list); });
  return true;
}

void ConnectionDialog::Confirm() {
  settings::Connection confirmed;
  for (int i = 0; i < kCategoryCount; ++i) {
    confirmed.enabled[static_cast<size_t>(i)] = categoryList_->item(i)->checkState() == Qt::Checked;
  }
  confirmed.proxy = {FieldText(proxyEdit_), FieldText(userNameEdit_), FieldText(passwordEdit_)};
  confirmed.feedsAtOnce = feedsAtOnceSpin_->value();
  for (int n = 0; n < proxyList_->count(); ++n)
    confirmed.proxyList.push_back(Utf8ToCp932(proxyList_->item(n)->text().toStdString()));
  const std::vector<settings::FeedSource> feeds = ListedFeeds();
  // The dialog is gone before the file is written: a failed write is shown
  // on its own, with the file left as it was.
  close();
  bool feedsChanged = false;
  RunGuarded(errors_, [&] {
    // What the user changed, merged into the file as it is now: a feed the
    // terminal program added meanwhile stays. An unchanged list is not
    // written, so a file without feeds gets no section for them.
    settings::EditSettings([&](settings::SettingsEdit& edit) {
      settings::MergeConnection(edit, confirmed, loaded_.connection);
      if (feeds == loaded_.feeds.feeds) return;
      std::vector<settings::FeedSource> merged =
          settings::MergeFeedEdits(loaded_.feeds.feeds, feeds, edit.Stored().feeds.feeds);
      settings::PutFeeds(edit, merged);
      feedsChanged = true;
    });
  });
  // The pages file is written even when the settings file could not be.
  bool pagesChanged = false;
  RunGuarded(errors_, [&] { pagesChanged = ConfirmPages(); });
  if ((feedsChanged || pagesChanged) && OnSourcesConfirmed) RunGuarded(errors_, OnSourcesConfirmed);
}

void ConnectionDialog::Cancel() {
  close();
}

}  // namespace quillet
