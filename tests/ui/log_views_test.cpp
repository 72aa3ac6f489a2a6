// The two views of the logs over real log files: the main window's log tab
// (the tree of categories, a category's records, reloading) and the log
// search window (statuses, count and rows, keys, requests mid-search).
#include <sys/stat.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "core/log/log_search.h"
#include "core/log/log_store.h"
#include "core/sites/catalogue.h"
#include "program_windows.h"
#include "ui/icons.h"
#include "ui/log_search_window.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

using test::Find;
using Texts = std::vector<std::string>;  // UTF-8

Texts Column(const ReportView& list, int column) {
  Texts texts;
  for (int i = 0; i < list.topLevelItemCount(); ++i)
    texts.push_back(list.topLevelItem(i)->text(column).toStdString());
  return texts;
}

// A FIFO in place of a log: it exists, but is no file to read.
void MakeUnreadable(const std::string& path) {
  ForceDirectories(DirectoryOf(path));
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
}

class LogTabTest : public test::WindowsTest {
 protected:
  LogTabTest()
      : tab(*w.Main<QWidget>("logTab")),
        tree(*Find<QTreeWidget>(tab, "siteTree")),
        list(*Find<ReportView>(tab, "recordList")) {
    w.mainWindow.show();
    ShowTab();
  }
  // The log tab becomes the active page again.
  void ShowTab() {
    w.Main<QTabWidget>("tabs")->setCurrentIndex(0);
    w.Main<QTabWidget>("tabs")->setCurrentWidget(&tab);
  }
  void Select(int site, int category = -1) {
    QTreeWidgetItem* node = tree.topLevelItem(site);
    tree.setCurrentItem(category < 0 ? node : node->child(category));
  }

  QWidget& tab;
  QTreeWidget& tree;
  ReportView& list;
};

TEST_F(LogTabTest, EachCategoryNodeShowsTheLogOfItsCategory) {
  for (int category = 0; category < kCategoryCount; ++category) {
    test::WriteBytes(LogFilePath(category),
                     "c" + std::to_string(category) + "\thttp://x.example/\t2024/5/1\t1\r\n");
  }
  ASSERT_EQ(tree.topLevelItemCount(), kSiteCount);
  int category = 0;
  for (int site = 0; site < kSiteCount; ++site) {
    SCOPED_TRACE(site);
    Select(site);  // a site node shows nothing
    EXPECT_EQ(list.topLevelItemCount(), 0);
    for (int k = 0; k < tree.topLevelItem(site)->childCount(); ++k, ++category) {
      Select(site, k);
      EXPECT_EQ(Column(list, 1), Texts{"c" + std::to_string(category)});
    }
  }
  EXPECT_EQ(category, kCategoryCount);
}

TEST_F(LogTabTest, ACategoryListsItsLogInFileOrderAndReloadsWhenTheTabIsShown) {
  const std::string path = LogFilePath(10);  // アサヒ 最新５ニュース
  const std::string records = Utf8ToCp932(
      "新しい記事\thttp://a.example/2\t2024/05/02\t1\r\n\r\n古い記事\thttp://a.example/1\t2024/5/"
      "1\t0\r\n");
  test::WriteBytes(path, records);
  ShowTab();  // nothing selected: the list stays empty
  EXPECT_EQ(list.topLevelItemCount(), 0);
  Select(1, 1);
  EXPECT_EQ(Column(list, 0), (Texts{"2024/05/02", "", "2024/5/1"}));  // a blank line is a row
  EXPECT_EQ(Column(list, 1), (Texts{"新しい記事", "", "古い記事"}));
  EXPECT_GT(list.columnWidth(0),
            list.fontMetrics().horizontalAdvance(QStringLiteral("2024/05/02")));
  test::WriteBytes(path, "two\thttp://a.example/3\t2024/5/3\t1\r\n" + records);
  EXPECT_EQ(list.topLevelItemCount(), 3);  // nothing reloads on its own
  ShowTab();
  EXPECT_EQ(Column(list, 1), (Texts{"two", "新しい記事", "", "古い記事"}));
}

TEST_F(LogTabTest, ALogThatCannotBeReadGoesToTheErrorDisplay) {
  MakeUnreadable(LogFilePath(10));
  Select(1, 1);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ファイル " + LogFilePath(10) + " は開けません.");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  EXPECT_EQ(list.topLevelItemCount(), 0);
  EXPECT_TRUE(list.updatesEnabled());
}

// --- The log search window. --------------------------------------------------

QString Q(const std::string& cp932) {
  return QString::fromStdString(Cp932ToUtf8(cp932));
}

// Every status text of a whole search, in order.
std::vector<QString> AllStatusTexts() {
  std::vector<QString> texts;
  for (int site = 0; site < kSearchedSites; ++site) {
    const Site& s = Sites()[static_cast<size_t>(site)];
    const int n = s.lastCategory - s.firstCategory + 1;
    for (int k = 1; k <= n; ++k)
      texts.push_back(Q(SearchStatusText(site, k, n)));
  }
  return texts;
}

class SearchWindowTest : public test::WindowsTest {
 protected:
  SearchWindowTest() : form(new LogSearchWindow) {
    // Each error box is recorded with the status line it appeared over.
    w.OnMessage = [this] { statusAtMessage.push_back(Status()); };
  }
  ~SearchWindowTest() override { delete form.data(); }

  // One record per headline; URL and date derived from it.
  void Log(int category, const Texts& headlines) {
    Lines lines;
    for (const std::string& h : headlines)
      lines.push_back(h + "\thttp://127.0.0.1/\t2026/01/0" + std::to_string(category % 9 + 1) +
                      "\t1");
    SaveLogFile(LogFilePath(category), lines);
  }
  // Searches for `keyword`, recording the status line at every event break
  // and running `duringSearch` there as well.
  void Search(const QString& keyword, const std::function<void()>& duringSearch = {}) {
    Find<QLineEdit>(*form, "keywordEdit")->setText(keyword);
    statuses.clear();
    QTimer probe;  // a zero timer fires in every pass over the events
    QObject::connect(&probe, &QTimer::timeout, [&] {
      if (statuses.empty() || statuses.back() != Status()) statuses.push_back(Status());
      if (duringSearch) duringSearch();
    });
    probe.start(0);
    Find<QPushButton>(*form, "searchButton")->click();
    probe.stop();
  }
  QString Status() { return Find<QLabel>(*form, "statusPanel")->text(); }
  ReportView& List() { return *Find<ReportView>(*form, "resultList"); }
  void SendKey(int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(Find<QLineEdit>(*form, "keywordEdit"), &press);
  }

  QPointer<LogSearchWindow> form;
  std::vector<QString> statuses;
  std::vector<QString> statusAtMessage;
};

TEST_F(SearchWindowTest, SearchShowsEveryStatusThenTheCountAndTheRowsBySite) {
  Log(0, {"ABC top story", "unrelated"});
  Log(31, {"zakzak abc"});
  Log(33, {"CNN abc", "CNN other"});
  form->show();
  Search(QStringLiteral("abc"));
  EXPECT_EQ(statuses, AllStatusTexts());
  EXPECT_EQ(Status(), Q(FoundCountText(3)));
  const struct {
    int site, category;
    Texts row;
  } expected[] = {{0, 0, {"YOL", "2026/01/01", "ABC top story"}},
                  {3, 31, {"ZAKZAK", "2026/01/05", "zakzak abc"}},
                  {4, 33, {"CNN", "2026/01/07", "CNN abc"}}};
  ASSERT_EQ(List().topLevelItemCount(), 3);
  for (int row = 0; row < 3; ++row) {
    const auto& e = expected[row];
    SCOPED_TRACE(e.row[2]);
    QTreeWidgetItem* item = List().topLevelItem(row);
    const std::string genre = Cp932ToUtf8(Categories()[static_cast<size_t>(e.category)].genre);
    EXPECT_EQ((Texts{item->text(0).toStdString(), item->text(1).toStdString(),
                     item->text(3).toStdString()}),
              e.row);
    EXPECT_EQ(item->text(2).toStdString(), genre);
    EXPECT_EQ(item->icon(0).pixmap(16).toImage(), SiteIcon(e.site).pixmap(16).toImage());
  }
  // The columns are fitted once the rows are in; a second search replaces them.
  EXPECT_GT(List().columnWidth(0),
            List().fontMetrics().horizontalAdvance(QStringLiteral("ZAKZAK")));
  Search(QStringLiteral("CNN"));
  EXPECT_EQ(Column(List(), 3), (Texts{"CNN abc", "CNN other"}));
  EXPECT_EQ(Status(), Q(FoundCountText(2)));
}

TEST_F(SearchWindowTest, EnterInTheKeywordBoxSearchesAndIsConsumedAndEscCloses) {
  Log(9, {"Asahi news"});
  struct KeyCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::KeyPress) ++count;
      return false;
    }
    int count = 0;
  } reachedWindow;
  form->installEventFilter(&reachedWindow);
  form->show();
  Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("new"));
  SendKey(Qt::Key_S, QStringLiteral("s"));  // other keys still type
  SendKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(Column(List(), 3), Texts{"Asahi news"});
  SendKey(Qt::Key_Enter, QStringLiteral("\r"));  // the keypad's Enter
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("news"));
  EXPECT_EQ(reachedWindow.count, 0) << "Enter was passed on to the window";
  form->removeEventFilter(&reachedWindow);
  // Esc closes the window as 閉じる does; it then deletes itself.
  SendKey(Qt::Key_Escape, QString());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(SearchWindowTest, DuringASearchRequestsAreIgnoredTheKeywordIsReadPerSiteAndACloseWaits) {
  Log(0, {"abc yol", "xyz yol"});
  Log(55, {"abc chuou", "xyz chuou"});
  form->show();
  bool visibleAfterClose = true;
  bool requested = false;
  Search(QStringLiteral("abc"), [&] {
    if (requested) return;
    requested = true;
    Find<QPushButton>(*form, "searchButton")->click();
    SendKey(Qt::Key_Return, QStringLiteral("\r"));
    Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("xyz"));  // for the next site
    form->close();
    visibleAfterClose = form->isVisible();
  });
  EXPECT_FALSE(visibleAfterClose);
  EXPECT_EQ(statuses, AllStatusTexts()) << "a second search ran inside the first";
  ASSERT_FALSE(form.isNull()) << "destroyed during its search";
  EXPECT_EQ(Column(List(), 3), (Texts{"abc yol", "xyz chuou"}));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "not destroyed after the search ended";
}

TEST_F(SearchWindowTest, AnUnreadableLogEndsTheSearchWithTheCountThenTheError) {
  Log(0, {"abc yol"});
  Log(32, {"abc cnn"});
  const std::string fifo = LogFilePath(20);  // second category of Impress Watch
  MakeUnreadable(fifo);
  Search(QStringLiteral("abc"));
  EXPECT_EQ(Column(List(), 3), Texts{"abc yol"});
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ファイル " + fifo + " は開けません.");
  EXPECT_EQ(statusAtMessage, std::vector<QString>{Q(FoundCountText(1))});
  EXPECT_EQ(Status(), Q(FoundCountText(1)));
}

}  // namespace
}  // namespace quillet
