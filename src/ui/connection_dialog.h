// The connection settings dialog "接続設定": on the page "接続" which
// categories are fetched, the HTTP proxy, and a remembered list of proxies to
// copy from; on the page "フィード" the user's feeds with the state each was
// left in, and how many are asked at once; on the page "ページ" the user's
// pages. It is filled from the settings file, the feeds' state file and the
// pages file each time it is shown and writes back only on OK.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/feeds/feed_state.h"
#include "core/pages/page_list.h"
#include "core/settings/settings.h"

#include "ui/error_box.h"
#include "ui/program_window.h"

class QFrame;
class QKeyEvent;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillet {

class FeedEditDialog;
class PageEditDialog;

class ConnectionDialog : public ProgramWindow {
 public:
  explicit ConnectionDialog(QWidget* parent = nullptr);
  ~ConnectionDialog() override;

  // Called after OK has stored a changed feed list or pages file.
  std::function<void()> OnSourcesConfirmed;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What the buttons do. The proxy-list buttons work on the controls only.
  void AddProxyLine();      // 追加: append the three fields as a line
  void CopyProxyLine();     // 複写: the selected line into the three fields
  void ReplaceProxyLine();  // 置換: the three fields into the selected line
  void DeleteProxyLine();   // 削除: delete the selected line
  // The feed list's buttons, also on the list only: 追加... and 編集... open
  // the feed editor, 削除 deletes, 上へ and 下へ move the selected feed.
  void AddFeed();
  void EditFeed();
  void DeleteFeed();
  void MoveFeed(int step);
  // 読み込み... adds the feeds of an OPML file to the list; 書き出し... writes
  // the list as it stands to one.
  void ImportFeedFile();
  void ExportFeedFile();
  // The page list's buttons, on the list only: 追加... and 編集... open the
  // page editor, 削除 deletes.
  void AddPage();
  void EditPage();
  void DeletePage();
  void Confirm();  // OK: close, then write every key
  void Cancel();   // Cancel: close, write nothing
  void LoadSettings();
  // The selected line of the proxy list, or -1.
  int SelectedLine() const;
  // The three fields joined into a proxy-list line, as CP932.
  std::string FieldsLine() const;
  // A row of the feed list for `feed`, at its end.
  void AddFeedRow(const settings::FeedSource& feed);
  // The row's name and URL, and its state as the state file held it.
  void SetFeedTexts(QTreeWidgetItem* row, const std::string& name, const std::string& url);
  // The feeds as the list shows them, top to bottom.
  std::vector<settings::FeedSource> ListedFeeds() const;
  // The page list's rows, from the pages file at the opening.
  void LoadPages();
  void AddPageRow(const PageSource& page);
  void SetPageTexts(QTreeWidgetItem* row, const PageSource& page);
  // The pages as the list shows them, their ticks included.
  std::vector<PageSource> ListedPages() const;
  // Writes the list's changes into the pages file; true when it changed.
  bool ConfirmPages();

  QLabel* categoryLabel_;
  QListWidget* categoryList_;  // row i = category i, ticked = enabled
  QFrame* divider_;
  QLabel* proxyLabel_;
  QLineEdit* proxyEdit_;  // proxy address
  QLabel* userNameLabel_;
  QLineEdit* userNameEdit_;  // proxy user name
  QLabel* passwordLabel_;
  QLineEdit* passwordEdit_;  // proxy password, masked
  QAction* showPassword_;    // the eye in the password field
  QPushButton* addButton_;
  QPushButton* replaceButton_;
  QPushButton* copyButton_;
  QLabel* proxyListLabel_;
  QListWidget* proxyList_;  // lines "address TAB user TAB password"
  QToolButton* deleteButton_;
  QTabWidget* pages_;  // "接続", "フィード"
  QLabel* feedLabel_;
  QTreeWidget* feedList_;     // name, URL and state, ticked = enabled, the id kept with the row
  QLabel* feedStateProblem_;  // why the state file could not be read; hidden when it could
  QLabel* feedsAtOnceLabel_;
  QSpinBox* feedsAtOnceSpin_;
  QPushButton* feedAddButton_;
  QPushButton* feedEditButton_;
  QPushButton* feedDeleteButton_;
  QPushButton* feedUpButton_;
  QPushButton* feedDownButton_;
  QPushButton* feedImportButton_;
  QPushButton* feedExportButton_;
  FeedEditDialog* feedEditor_;
  QLabel* pageLabel_;
  QTreeWidget* pageList_;    // name, URL, number of sections, ticked = enabled
  QLabel* pageFileProblem_;  // why the pages file could not be read; hidden when it could
  QPushButton* pageAddButton_;
  QPushButton* pageEditButton_;
  QPushButton* pageDeleteButton_;
  PageEditDialog* pageEditor_;
  std::vector<PageSource> listedPages_;  // row n of the page list, but for its tick
  std::vector<PageSource> loadedPages_;  // as the pages file held them at the opening
  bool pagesRead_ = false;               // false: the page is shown read-only
  settings::Settings loaded_;            // as the settings file held them when the dialog opened
  FeedStates feedStates_;                // the feeds' state file then
  bool feedStatesRead_ = false;
  std::time_t loadedAt_ = 0;
  QPushButton* okButton_;      // OK (Enter)
  QPushButton* cancelButton_;  // Cancel (Esc)
  ErrorBox errors_;
};

}  // namespace quillet
