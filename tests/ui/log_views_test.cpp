// The log tab and the log search window over real log files of the sites and the feeds.
#include <sys/stat.h>

#include <QClipboard>
#include <QPointer>
#include <QThreadPool>

#include "core/log/log_store.h"
#include "core/pages/page_store.h"
#include "core/sys/program_dir.h"
#include "program_windows.h"
#include "support/reference_log.h"

namespace quillet {
namespace {

using test::Column;
using test::Find;
using test::Texts;

using LogTabTest = test::WindowsTest;

// A category's or a feed's log in file order, read again when the tab is shown.
TEST_F(LogTabTest, ACategoryOrAFeedListsItsLogInFileOrderAndReloadsWhenTheTabIsShown) {
  const std::vector<settings::FeedSource> feeds =
      test::PutFeeds({{0, "Alpha", "http://127.0.0.1/a", true},
                      {0, CP932("ベータ"), "http://127.0.0.1/b", false}});
  test::WriteBytes(DataDirectory() + settings::FeedLogFile(feeds[1].id),
                   Utf8ToCp932("新しい abc\tu\t2026/02/02\t1\r\n古い\tu\t2026/02/01\t1\r\n"));
  const std::string path = LogFilePath(10);  // アサヒ 最新５ニュース
  const std::string records =
      Utf8ToCp932("新しい記事\tu\t2024/05/02\t1\r\n\r\n古い記事\tu\t2024/5/1\t0\r\n");
  test::WriteBytes(path, records + std::string("\0gone\r\n", 7));  // a NUL ends the text
  w.mainWindow.show();
  auto& tabs = *w.Main<QTabWidget>("tabs");
  QWidget& tab = *w.Main<QWidget>("logTab");
  QTreeWidget& tree = *Find<QTreeWidget>(tab, "siteTree");
  ReportView& list = *Find<ReportView>(tab, "recordList");
  tabs.setCurrentWidget(&tab);
  tree.setCurrentItem(tree.topLevelItem(1)->child(1));
  EXPECT_EQ(Column(list, 0), (Texts{"2024/05/02", "", "2024/5/1"}));  // a blank line is a row
  EXPECT_EQ(Column(list, 1), (Texts{"新しい記事", "", "古い記事"}));
  test::WriteBytes(path, "two\thttp://127.0.0.1/2\t2024/5/3\t1\r\n" + records);
  EXPECT_EQ(list.Rows().rowCount(), 3);  // nothing reloads on its own
  tabs.setCurrentIndex(0);
  tabs.setCurrentWidget(&tab);
  EXPECT_EQ(Column(list, 1), (Texts{"two", "新しい記事", "", "古い記事"}));

  // The record menu acts on the selected record.
  test::RecordingOpener opener;
  test::SelectRow(list, 0);
  Find<QAction>(tab, "openArticleAction")->trigger();
  Find<QAction>(tab, "copyUrlAction")->trigger();
  EXPECT_EQ(opener.opened, Texts{"http://127.0.0.1/2"});
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1/2"));

  ASSERT_EQ(tree.topLevelItemCount(), kSiteCount + 1);
  QTreeWidgetItem* node = tree.topLevelItem(kSiteCount);
  EXPECT_EQ(node->text(0).toStdString(), "フィード");
  tree.setCurrentItem(node->child(1));
  EXPECT_EQ(Column(list, 0), (Texts{"2026/02/02", "2026/02/01"}));
  EXPECT_EQ(Column(list, 1), (Texts{"新しい abc", "古い"}));
  // The dialog's OK rebuilds the nodes, keeping the selected feed while it lasts.
  auto& feedList = *Find<QTreeWidget>(w.connectionDialog, "feedList");
  for (const int left : {1, 0}) {
    w.connectionDialog.show();
    feedList.setCurrentItem(feedList.topLevelItem(0));
    Find<QPushButton>(w.connectionDialog, "feedDeleteButton")->click();
    Find<QPushButton>(w.connectionDialog, "okButton")->click();
    ASSERT_EQ(tree.topLevelItemCount(), kSiteCount + left);
    EXPECT_EQ(tree.currentItem(), left ? tree.topLevelItem(kSiteCount)->child(0) : nullptr);
    EXPECT_EQ(list.Rows().rowCount(), 2 * left);
  }
  EXPECT_TRUE(w.messages.empty());
}

// Under ページ, after the feeds, each page and its sections; a section opens its log.
TEST_F(LogTabTest, APagesSectionListsItsLogAndThePagesNodeFollowsTheFeeds) {
  EditPages([](PageList& list) {
    PageSection section;
    section.css = "a";
    list.pages.push_back({0, CP932("町の新聞"), "http://127.0.0.1/p", true, {section, section}});
    list.pages[0].sections[0].name = CP932("主要");
    list.pages[0].sections[1].name = CP932("経済");
  });
  test::WriteBytes(DataDirectory() + PageLogFile(1, 2),
                   Utf8ToCp932("円高\thttp://127.0.0.1/e\t2026/03/01\t1\r\n"));
  w.mainWindow.show();
  auto& tabs = *w.Main<QTabWidget>("tabs");
  QWidget& tab = *w.Main<QWidget>("logTab");
  QTreeWidget& tree = *Find<QTreeWidget>(tab, "siteTree");
  ReportView& list = *Find<ReportView>(tab, "recordList");
  tabs.setCurrentWidget(&tab);
  const auto topTexts = [&] {
    Texts texts;
    for (int n = kSiteCount; n < tree.topLevelItemCount(); ++n)
      texts.push_back(tree.topLevelItem(n)->text(0).toStdString());
    return texts;
  };
  ASSERT_EQ(topTexts(), Texts{"ページ"});
  QTreeWidgetItem* page = tree.topLevelItem(kSiteCount)->child(0);
  ASSERT_EQ(page->childCount(), 2);
  EXPECT_EQ(page->text(0).toStdString() + " " + page->child(0)->text(0).toStdString(),
            "町の新聞 主要");
  tree.setCurrentItem(page->child(1));
  EXPECT_EQ(Column(list, 1), Texts{"円高"});
  // A feed added meanwhile comes before the pages; the selected section stays selected.
  test::PutFeeds({{0, "feed", "http://127.0.0.1/f", true}});
  tabs.setCurrentIndex(0);
  tabs.setCurrentWidget(&tab);
  EXPECT_EQ(topTexts(), (Texts{"フィード", "ページ"}));
  EXPECT_EQ(tree.currentItem()->text(0).toStdString(), "経済");
  EXPECT_EQ(Column(list, 1), Texts{"円高"});
  // A pages file that cannot be read leaves the node empty, and nothing selected there.
  test::WriteBytes(PageFilePath(), "bogus\n");
  tabs.setCurrentIndex(0);
  tabs.setCurrentWidget(&tab);
  EXPECT_EQ(topTexts(), (Texts{"フィード", "ページ"}));
  EXPECT_EQ(tree.topLevelItem(kSiteCount + 1)->childCount(), 0);
  EXPECT_EQ(tree.currentItem(), nullptr);
  EXPECT_EQ(list.Rows().rowCount(), 0);
  EXPECT_TRUE(w.messages.empty());
}

class SearchWindowTest : public test::WindowsTest {
 protected:
  SearchWindowTest() {
    form->installEventFilter(&watcher);
    watcher.beforeReport = [this] { Note(); };
    form->show();
  }
  ~SearchWindowTest() override {
    delete form.data();
    // A given-up scan may still be reading a file of the fixture's folder.
    QThreadPool::globalInstance()->waitForDone();
  }

  // One record per headline, its date derived from the category.
  void Log(int category, const Texts& headlines) {
    Lines lines;
    for (const std::string& h : headlines)
      lines.push_back(h + "\tu\t2026/01/0" + std::to_string(category % 9 + 1) + "\t1");
    SaveLogFile(LogFilePath(category), lines);
  }
  // Searches with the button till the end; `duringSearch` runs before each report.
  void Search(const char* keyword, std::function<void()> duringSearch = {}) {
    Find<QLineEdit>(*form, "keywordEdit")->setText(QString::fromLatin1(keyword));
    statuses.clear();
    rows.clear();
    during = std::move(duringSearch);
    Find<QPushButton>(*form, "searchButton")->click();
    EXPECT_TRUE(test::SpinUntil([&] { return form.isNull() || !form->Searching(); }));
    during = nullptr;
    if (!form.isNull()) Note();
  }
  // Records the status line when it changed, with the rows in the list then.
  void Note() {
    if (!Status().empty() && (statuses.empty() || statuses.back() != Status())) {
      statuses.push_back(Status());
      rows.push_back(List().Rows().rowCount());
    }
    if (during) during();
  }
  std::string Status() { return Find<QLabel>(*form, "statusPanel")->text().toStdString(); }
  ReportView& List() { return *Find<ReportView>(*form, "resultList"); }

  // The search's reports reach the window as queued calls.
  class ReportWatcher : public QObject {
   public:
    std::function<void()> beforeReport;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::MetaCall) beforeReport();
      return false;
    }
  } watcher;
  QPointer<LogSearchWindow> form = new LogSearchWindow;
  Texts statuses;
  std::vector<int> rows;  // in the list at each status
  std::function<void()> during;
};

// The watch menu holds the list as the file has it, its keywords searched for as
// the button would; an unreadable log ends the search with the count and an error.
TEST_F(SearchWindowTest, SearchShowsEveryStatusAndEachSitesRowsAsItGoesThenTheCount) {
  Log(0, {"ABC top story", "R&D budget", Utf8ToCp932("フィギュアＧＰ"), "GPU"});
  Log(31, {"zakzak abc"});
  Log(33, {"CNN abc", "CNN other"});
  Log(57, {"mainichi abc"});
  Search("abc");
  // Each category's status, then the count: the rows in the list at each show
  // that a site's rows are in before the next site's scan begins.
  std::string rowsAtStatus;
  for (const int count : rows)
    rowsAtStatus += std::to_string(count);
  EXPECT_EQ(rowsAtStatus, std::string(9, '0') + std::string(23, '1') + std::string(11, '2') +
                              std::string(22, '3') + "4");
  EXPECT_EQ(statuses.front() + "|" + statuses.back(),
            "Yomiuri On Line を検索しています...(1/9)|4件見つかりました");
  EXPECT_EQ(Column(List(), 0), (Texts{"YOL", "ZAKZAK", "CNN", "毎日"}));
  EXPECT_EQ(Column(List(), 1), (Texts{"2026/01/01", "2026/01/05", "2026/01/07", "2026/01/04"}));
  EXPECT_EQ(Column(List(), 3), (Texts{"ABC top story", "zakzak abc", "CNN abc", "mainichi abc"}));

  QMenu& menu = *Find<QToolButton>(*form, "watchButton")->menu();
  const auto open = [&] {  // the items, "-" before a disabled one
    menu.popup(form->mapToGlobal(QPoint()));
    menu.hide();
    Texts items;
    for (const QAction* item : menu.actions())
      items.push_back((item->isEnabled() ? "" : "-") + item->text().toStdString());
    return items;
  };
  EXPECT_EQ(open(), Texts{"-(ウォッチなし)"});
  test::PutWatchList({Utf8ToCp932("首相"), "R&D"});
  EXPECT_EQ(open(), (Texts{"首相", "R&&D"}));  // "&&" shows one '&'
  menu.actions()[1]->trigger();
  EXPECT_TRUE(test::SpinUntil([&] { return !form->Searching(); }));
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("R&D"));
  EXPECT_EQ(Column(List(), 3), Texts{"R&D budget"});

  // 全角と半角を区別しない: folds widths and is remembered.
  Find<QCheckBox>(*form, "foldWidthCheck")->click();
  Search("gp");
  EXPECT_EQ(Column(List(), 3), (Texts{"フィギュアＧＰ", "GPU"}));
  LogSearchWindow next;
  EXPECT_TRUE(Find<QCheckBox>(next, "foldWidthCheck")->isChecked());

  const std::string fifo = LogFilePath(20);  // Impress Watch, before ZAKZAK
  ForceDirectories(DirectoryOf(fifo));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // there, but no file to read
  Search("abc");
  EXPECT_EQ(Column(List(), 3), Texts{"ABC top story"});
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ファイル " + fifo + " は開けません.");
  EXPECT_EQ(Status(), "1件見つかりました");
}

// Enter during a search starts the new one in its place; Esc ends the window.
TEST_F(SearchWindowTest, ANewSearchOrEscDuringASearchActsAtOnce) {
  Log(0, {"abc yol", "xyz yol"});
  // 中央日報's log, still being scanned when the first rows are in.
  constexpr int kLongLog = 40'000;
  std::string bytes;
  for (int n = 0; n < kLongLog; ++n)
    bytes += (n % 2 ? "xyz " : "abc ") + std::to_string(n) + "\tu\t2026/01/01\t1\r\n";
  test::WriteBytes(LogFilePath(55), bytes);
  // Acts once, when the first rows are in and the long log is yet to come.
  const auto onFirstRows = [&](std::function<void()> act) {
    return [this, act, acted = std::make_shared<bool>(false)] {
      if (*acted || List().Rows().rowCount() == 0) return;
      *acted = true;
      EXPECT_TRUE(form->Searching());
      act();
    };
  };
  // Enter in the keyword box, once the first search has posted all: its reports
  // still queued are dropped. Other keys still type.
  Search("abc", onFirstRows([&] {
           QThreadPool::globalInstance()->waitForDone();
           auto* edit = Find<QLineEdit>(*form, "keywordEdit");
           edit->setText(QStringLiteral("CN"));
           test::PressKey(edit, Qt::Key_N, QStringLiteral("N"));
           test::PressKey(edit, Qt::Key_Return, QStringLiteral("\r"));
         }));
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("CNN"));
  EXPECT_EQ(Status(), "0件見つかりました");
  EXPECT_EQ(List().Rows().rowCount(), 0) << "rows of the first search after the second began";

  bool closed = false;
  Search("abc", onFirstRows([&] {
           test::PressKey(form, Qt::Key_Escape);
           EXPECT_FALSE(form->isVisible());
           closed = true;
         }));
  ASSERT_TRUE(closed);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "the window waited for its search";
}

}  // namespace
}  // namespace quillet
