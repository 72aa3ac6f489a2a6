// The two views of the logs over real log files: the main window's log tab
// and the log search window.
#include <sys/stat.h>

#include <QCheckBox>
#include <QClipboard>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>

#include "core/log/log_search.h"
#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/sites/catalogue.h"
#include "program_windows.h"
#include "sample_server.h"
#include "support/reference_log.h"
#include "support/settings_edits.h"

namespace quillet {
namespace {

using test::Column;
using test::Find;
using test::Texts;

class LogTabTest : public test::WindowsTest {
 protected:
  LogTabTest() { w.mainWindow.show(); }
  // The log tab becomes the active page (again).
  void ShowTab() {
    w.Main<QTabWidget>("tabs")->setCurrentIndex(0);
    w.Main<QTabWidget>("tabs")->setCurrentWidget(&tab);
  }
  void Select(int site, int category) {
    tree.setCurrentItem(category < 0 ? tree.topLevelItem(site)
                                     : tree.topLevelItem(site)->child(category));
  }

  QWidget& tab = *w.Main<QWidget>("logTab");
  QTreeWidget& tree = *Find<QTreeWidget>(tab, "siteTree");
  ReportView& list = *Find<ReportView>(tab, "recordList");
};

TEST_F(LogTabTest, ACategoryListsItsLogInFileOrderAndReloadsWhenTheTabIsShown) {
  const std::string path = LogFilePath(10);  // アサヒ 最新５ニュース
  const std::string records =
      Utf8ToCp932("新しい記事\tu\t2024/05/02\t1\r\n\r\n古い記事\tu\t2024/5/1\t0\r\n");
  test::WriteBytes(path, records + std::string("\0gone\r\n", 7));  // a NUL ends the text
  ShowTab();  // nothing selected, or a site: the list stays empty
  Select(1, -1);
  EXPECT_EQ(list.Rows().rowCount(), 0);
  Select(1, 1);
  EXPECT_EQ(Column(list, 0), (Texts{"2024/05/02", "", "2024/5/1"}));  // a blank line is a row
  EXPECT_EQ(Column(list, 1), (Texts{"新しい記事", "", "古い記事"}));
  test::WriteBytes(path, "two\thttp://127.0.0.1/2\t2024/5/3\t1\r\n" + records);
  EXPECT_EQ(list.Rows().rowCount(), 3);  // nothing reloads on its own
  ShowTab();
  EXPECT_EQ(Column(list, 1), (Texts{"two", "新しい記事", "", "古い記事"}));

  // The record menu acts on the selected record.
  test::RecordingOpener opener;
  test::SelectRow(list, 0);
  Find<QAction>(tab, "openArticleAction")->trigger();
  Find<QAction>(tab, "copyUrlAction")->trigger();
  EXPECT_EQ(opener.opened, Texts{"http://127.0.0.1/2"});
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1/2"));
}

// A run that ends while the log tab is shown reads the shown log again: its
// new records above, the record that was selected still selected.
TEST_F(LogTabTest, AfterARunTheShownLogHasTheRunsRecords) {
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  settings::Connection connection;
  connection.enabled = {};
  connection.enabled[0] = true;  // YOL トップ alone
  connection.proxy.address = "127.0.0.1:" + std::to_string(sites.Port());
  test::PutConnection(connection);
  test::WriteBytes(LogFilePath(0), "old story\thttp://127.0.0.1/old\t2020/01/01\t1\r\n");
  ShowTab();
  Select(0, 0);
  test::SelectRow(list, 0);
  w.Main("fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
  ASSERT_TRUE(test::SpinUntil([&] { return list.Rows().rowCount() > 1; }));
  Texts logged;
  for (const std::string& line : LoadLogFile(LogFilePath(0)))
    logged.push_back(Cp932ToUtf8(std::string(LogField(line, 0))));
  EXPECT_EQ(Column(list, 1), logged);
  EXPECT_EQ(Column(list, 1).back(), "old story");
  EXPECT_EQ(list.SelectedRow(), list.Rows().rowCount() - 1);
  EXPECT_TRUE(w.messages.empty());
}

// Program text as the window shows it, UTF-8.
std::string U(const std::string& cp932) {
  return Cp932ToUtf8(cp932);
}

class SearchWindowTest : public test::WindowsTest {
 protected:
  SearchWindowTest() {
    // Each error box is recorded with the status line it appeared over.
    w.OnMessage = [this] { statusAtMessage.push_back(Status()); };
    form->installEventFilter(&watcher);
    watcher.beforeReport = [this] { Note(); };
    form->show();
  }
  ~SearchWindowTest() override {
    delete form.data();
    // A given-up scan may still be finishing a file of the program folder,
    // which goes with the fixture.
    QThreadPool::globalInstance()->waitForDone();
  }

  // One record per headline, its date derived from the category.
  void Log(int category, const Texts& headlines) {
    Lines lines;
    for (const std::string& h : headlines)
      lines.push_back(h + "\tu\t2026/01/0" + std::to_string(category % 9 + 1) + "\t1");
    SaveLogFile(LogFilePath(category), lines);
  }
  // 中央日報's log, long enough that its scan is still going when the window
  // acts on the first rows: "abc <n>" and "xyz <n>" by turns.
  static constexpr int kLongLog = 40'000;
  void LongLog() {
    std::string bytes;
    for (int n = 0; n < kLongLog; ++n)
      bytes += (n % 2 ? "xyz " : "abc ") + std::to_string(n) + "\tu\t2026/01/01\t1\r\n";
    test::WriteBytes(LogFilePath(55), bytes);
  }
  // Searches for `keyword` with the button and waits for the end (or the
  // window's). `duringSearch` runs before each report reaches the window.
  void Search(const char* keyword, std::function<void()> duringSearch = {}) {
    Find<QLineEdit>(*form, "keywordEdit")->setText(QString::fromLatin1(keyword));
    steps.clear();
    during = std::move(duringSearch);
    Find<QPushButton>(*form, "searchButton")->click();
    EXPECT_TRUE(test::SpinUntil([&] { return form.isNull() || !form->Searching(); }));
    during = nullptr;
    if (!form.isNull()) Note();
  }
  // Records the status line when it changed, with the rows in the list then.
  void Note() {
    if (!Status().empty() && (steps.empty() || steps.back().status != Status()))
      steps.push_back({Status(), List().Rows().rowCount()});
    if (during) during();
  }
  Texts Statuses() const {
    Texts texts;
    for (const Step& step : steps)
      texts.push_back(step.status);
    return texts;
  }
  std::string Status() { return Find<QLabel>(*form, "statusPanel")->text().toStdString(); }
  ReportView& List() { return *Find<ReportView>(*form, "resultList"); }
  void SendKey(int key, const QString& text) {
    test::PressKey(Find<QLineEdit>(*form, "keywordEdit"), key, text);
  }
  // Every status text of a whole search, in order, with its site.
  static std::vector<std::pair<std::string, int>> AllStatusTexts() {
    std::vector<std::pair<std::string, int>> texts;
    for (int site = 0; site < kSiteCount; ++site) {
      const Site& s = Sites()[static_cast<size_t>(site)];
      for (int k = 1, n = s.lastCategory - s.firstCategory + 1; k <= n; ++k)
        texts.emplace_back(U(SearchStatusText(site, k, n)), site);
    }
    return texts;
  }
  // The status texts of a whole search that found `count` rows.
  static Texts SearchStatuses(size_t count) {
    Texts texts;
    for (const auto& [text, site] : AllStatusTexts())
      texts.push_back(text);
    texts.push_back(U(FoundCountText(count)));
    return texts;
  }

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
  struct Step {
    std::string status;
    int rows;
  };
  std::vector<Step> steps;
  std::function<void()> during;
  Texts statusAtMessage;
};

TEST_F(SearchWindowTest, SearchShowsEveryStatusAndEachSitesRowsAsItGoesThenTheCount) {
  Log(0, {"ABC top story", "unrelated"});
  Log(31, {"zakzak abc"});
  Log(33, {"CNN abc", "CNN other"});
  Log(57, {"mainichi abc"});
  Search("abc");
  EXPECT_EQ(Statuses(), SearchStatuses(4));
  // A site's rows are in the list before the next site's scan begins.
  const int rowsBeforeSite[kSiteCount] = {0, 1, 1, 1, 2, 3, 3};
  const auto all = AllStatusTexts();
  for (size_t i = 0; i < all.size() && i < steps.size(); ++i)
    EXPECT_EQ(steps[i].rows, rowsBeforeSite[all[i].second]) << steps[i].status;
  const auto genre = [](int category) {
    return Cp932ToUtf8(Categories()[static_cast<size_t>(category)].genre);
  };
  EXPECT_EQ(Column(List(), 0), (Texts{"YOL", "ZAKZAK", "CNN", "毎日"}));
  EXPECT_EQ(Column(List(), 1), (Texts{"2026/01/01", "2026/01/05", "2026/01/07", "2026/01/04"}));
  EXPECT_EQ(Column(List(), 2), (Texts{genre(0), genre(31), genre(33), genre(57)}));
  EXPECT_EQ(Column(List(), 3), (Texts{"ABC top story", "zakzak abc", "CNN abc", "mainichi abc"}));
}

// 全角と半角を区別しない: off at first; when ticked, full-width and half-width
// forms match alike, and the next window starts with it ticked.
TEST_F(SearchWindowTest, TheWidthChoiceFoldsTheSearchAndIsRemembered) {
  Log(0, {Utf8ToCp932("フィギュアＧＰ"), "GPU"});
  auto* fold = Find<QCheckBox>(*form, "foldWidthCheck");
  EXPECT_FALSE(fold->isChecked());
  Search("gp");
  EXPECT_EQ(Column(List(), 3), (Texts{"GPU"}));
  fold->click();
  Search("gp");
  EXPECT_EQ(Column(List(), 3), (Texts{"フィギュアＧＰ", "GPU"}));
  EXPECT_TRUE(settings::ReadSettings().view.searchFoldWidth);
  LogSearchWindow next;
  EXPECT_TRUE(Find<QCheckBox>(next, "foldWidthCheck")->isChecked());
  fold->click();
  EXPECT_FALSE(settings::ReadSettings().view.searchFoldWidth);
}

TEST_F(SearchWindowTest, EnterOrTheButtonDuringASearchStartsTheNewSearchInItsPlace) {
  Log(0, {"abc yol", "xyz yol"});
  LongLog();
  // Acts once, when the first rows are in and the long log is yet to come.
  const auto onFirstRows = [&](std::function<void()> act) {
    return [this, act, acted = std::make_shared<bool>(false)] {
      if (List().Rows().rowCount() == 0 || *acted) return;
      *acted = true;
      EXPECT_TRUE(form->Searching());
      act();
    };
  };
  // Enter in the keyword box; other keys still type.
  Search("abc", onFirstRows([&] {
           Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("CN"));
           SendKey(Qt::Key_N, QStringLiteral("N"));
           SendKey(Qt::Key_Return, QStringLiteral("\r"));
         }));
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("CNN"));
  EXPECT_EQ(Status(), U(FoundCountText(0)));
  EXPECT_EQ(List().Rows().rowCount(), 0) << "rows of the first search after the second began";

  // The button, once the first search has posted all it found: its later
  // statuses, rows and end are dropped.
  Search("abc", onFirstRows([&] {
           QThreadPool::globalInstance()->waitForDone();
           Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("xyz"));
           Find<QPushButton>(*form, "searchButton")->click();
         }));
  const Texts statuses = Statuses();
  const Texts second = SearchStatuses(1 + kLongLog / 2);
  ASSERT_GT(statuses.size(), second.size());
  EXPECT_EQ(Texts(statuses.end() - static_cast<ptrdiff_t>(second.size()), statuses.end()), second);
  const Texts headlines = Column(List(), 3);
  EXPECT_EQ(headlines.size(), 1u + kLongLog / 2);
  EXPECT_TRUE(std::all_of(headlines.begin(), headlines.end(),
                          [](const std::string& h) { return h.starts_with("xyz"); }));
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(SearchWindowTest, EscDuringASearchEndsTheWindowAtOnce) {
  Log(0, {"abc yol"});
  LongLog();
  bool closed = false;
  Search("abc", [&] {
    if (List().Rows().rowCount() == 0 || closed) return;
    closed = true;
    EXPECT_TRUE(form->Searching());
    test::PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
  });
  ASSERT_TRUE(closed);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "the window waited for its search";
  // The given-up scan reports to nothing; the fixture waits for its end.
}

TEST_F(SearchWindowTest, AnUnreadableLogEndsTheSearchWithTheCountThenTheError) {
  Log(0, {"abc yol"});
  Log(32, {"abc cnn"});
  const std::string fifo = LogFilePath(20);  // Impress Watch, before CNN
  ForceDirectories(DirectoryOf(fifo));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // there, but no file to read
  Search("abc");
  EXPECT_EQ(Column(List(), 3), Texts{"abc yol"});
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ファイル " + fifo + " は開けません.");
  EXPECT_EQ(statusAtMessage, Texts{U(FoundCountText(1))});
  EXPECT_EQ(Status(), U(FoundCountText(1)));
}

// The watch button's menu holds the watch list as the file has it when the
// menu opens; a keyword picked there is searched for as the button would.
TEST_F(SearchWindowTest, AWatchedKeywordFromTheMenuIsSearchedForAsTheButtonWould) {
  Log(0, {"R&D budget", "unrelated"});
  Log(33, {"CNN r&d"});
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
  Note();
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("R&D"));
  EXPECT_EQ(Statuses(), SearchStatuses(2));
  const Texts found = Column(List(), 3);
  Search("R&D");
  EXPECT_EQ(Column(List(), 3), found);
  EXPECT_EQ(found, (Texts{"R&D budget", "CNN r&d"}));
}

}  // namespace
}  // namespace quillet
