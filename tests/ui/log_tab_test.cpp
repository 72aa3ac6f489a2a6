// The log tab: the fixed tree, loading a category's log into the list, the
// column fitting, reloading on a return to the tab, the list's menu, and a
// log that cannot be read.
#include "ui/log_tab.h"

#include <sys/stat.h>

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>

#include "core/log/log_store.h"
#include "core/sites/catalogue.h"
#include "program_windows.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

class LogTabTest : public ::testing::Test {
 protected:
  LogTabTest()
      : tab(*test::Find<LogTab>(w.mainWindow, "logTab")),
        list(*test::Find<ReportView>(tab, "recordList")) {
    w.mainWindow.show();
    test::Find<QTabWidget>(w.mainWindow, "tabs")->setCurrentWidget(&tab);
  }
  QTreeWidgetItem* Node(int site, int category = -1) {
    QTreeWidgetItem* node = test::Find<QTreeWidget>(tab, "siteTree")->topLevelItem(site);
    return category < 0 ? node : node->child(category);
  }
  void Select(QTreeWidgetItem* node) {
    test::Find<QTreeWidget>(tab, "siteTree")->setCurrentItem(node);
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      texts.push_back(list.topLevelItem(i)->text(column).toStdString());
    return texts;
  }
  int Width(const char* utf8) {
    return list.fontMetrics().horizontalAdvance(QString::fromUtf8(utf8));
  }

  test::ProgramWindows w;
  LogTab& tab;
  ReportView& list;
};

TEST_F(LogTabTest, EachCategoryNodeShowsTheLogOfItsCategory) {
  // One record per category, naming it; a site node shows nothing.
  for (int category = 0; category < kCategoryCount; ++category) {
    test::WriteBytes(LogFilePath(category),
                     "c" + std::to_string(category) + "\thttp://x.example/\t2024/5/1\t1\r\n");
  }
  ASSERT_EQ(test::Find<QTreeWidget>(tab, "siteTree")->topLevelItemCount(), kSiteCount);
  int category = 0;
  for (int site = 0; site < kSiteCount; ++site) {
    SCOPED_TRACE(site);
    Select(Node(site));
    EXPECT_EQ(list.topLevelItemCount(), 0);
    for (int k = 0; k < Node(site)->childCount(); ++k, ++category) {
      Select(Node(site, k));
      EXPECT_EQ(Column(1), std::vector<std::string>{"c" + std::to_string(category)});
    }
  }
  EXPECT_EQ(category, kCategoryCount);
}

TEST_F(LogTabTest, CategoryNodeListsItsLogInFileOrderAndFitsTheColumns) {
  // アサヒ 最新５ニュース is category 10; a blank line gives a row too.
  test::WriteBytes(LogFilePath(10), Utf8ToCp932("新しい記事\thttp://a.example/2\t2024/05/02\t1\r\n"
                                                "\r\n"
                                                "古い記事\thttp://a.example/1\t2024/5/1\t0\r\n"));
  Select(Node(1, 1));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"2024/05/02", "", "2024/5/1"}));
  EXPECT_EQ(Column(1), (std::vector<std::string>{"新しい記事", "", "古い記事"}));
  EXPECT_GT(list.columnWidth(0), Width("2024/05/02"));

  // A site node empties the list and leaves the widths.
  const int widths[2] = {list.columnWidth(0), list.columnWidth(1)};
  Select(Node(1));
  EXPECT_EQ(list.topLevelItemCount(), 0);
  EXPECT_EQ(list.columnWidth(0), widths[0]);
  EXPECT_EQ(list.columnWidth(1), widths[1]);

  // So does a category whose log does not exist.
  Select(Node(1, 1));
  EXPECT_EQ(list.topLevelItemCount(), 3);
  Select(Node(1, 2));
  EXPECT_EQ(list.topLevelItemCount(), 0);
  EXPECT_EQ(list.columnWidth(0), widths[0]);
}

TEST_F(LogTabTest, ReturningToTheTabReloadsTheSelectedLog) {
  const std::string path = LogFilePath(31);  // ZAKZAK
  test::WriteBytes(path, "one\thttp://z.example/1\t2024/5/1\t1\r\n");
  // Switching tabs with nothing selected leaves the list alone.
  test::Find<QTabWidget>(w.mainWindow, "tabs")->setCurrentIndex(0);
  test::Find<QTabWidget>(w.mainWindow, "tabs")->setCurrentWidget(&tab);
  EXPECT_EQ(list.topLevelItemCount(), 0);

  Select(Node(3, 0));
  EXPECT_EQ(Column(1), (std::vector<std::string>{"one"}));
  test::WriteBytes(
      path, "two\thttp://z.example/2\t2024/5/2\t1\r\none\thttp://z.example/1\t2024/5/1\t1\r\n");
  EXPECT_EQ(Column(1), (std::vector<std::string>{"one"}));  // nothing reloads on its own
  test::Find<QTabWidget>(w.mainWindow, "tabs")->setCurrentIndex(0);
  test::Find<QTabWidget>(w.mainWindow, "tabs")->setCurrentWidget(&tab);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"two", "one"}));
}

TEST_F(LogTabTest, RightPressSelectsTheRecordForTheMenu) {
  test::RecordingOpener opener;
  test::WriteBytes(LogFilePath(56),
                   "a\thttp://m.example/a\t2024/5/1\t1\r\n"
                   "b\thttp://m.example/b?p=1&q=2\t2024/5/1\t1\r\n");
  Select(Node(6, 0));
  list.setCurrentItem(list.topLevelItem(0));
  const QPoint second = list.visualItemRect(list.topLevelItem(1)).center();
  test::SendMouse(list.viewport(), QEvent::MouseButtonPress, second, Qt::RightButton);
  EXPECT_EQ(list.currentItem(), list.topLevelItem(1));
  EXPECT_TRUE(test::Find<QMenu>(tab, "recordMenu")->isVisible());
  EXPECT_EQ(test::Find<QAction>(tab, "urlCaptionAction")->text().toStdString(),
            "http://m.example/b?p=1&&q=2");
  EXPECT_EQ(test::Find<QAction>(tab, "copyUrlAction")->text().toStdString(), "URLのコピー");
  test::Find<QAction>(tab, "copyUrlAction")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "http://m.example/b?p=1&q=2");
  test::Find<QAction>(tab, "openArticleAction")->trigger();
  test::Find<QMenu>(tab, "recordMenu")->hide();

  // Over empty space: no menu; a double click there opens the selected record.
  test::SendMouse(list.viewport(), QEvent::MouseButtonPress,
                  QPoint(10, list.viewport()->height() - 5), Qt::RightButton);
  EXPECT_FALSE(test::Find<QMenu>(tab, "recordMenu")->isVisible());
  test::SendMouse(list.viewport(), QEvent::MouseButtonDblClick,
                  QPoint(10, list.viewport()->height() - 5), Qt::LeftButton);
  EXPECT_EQ(opener.opened,
            (std::vector<std::string>{"http://m.example/b?p=1&q=2", "http://m.example/b?p=1&q=2"}));
}

TEST_F(LogTabTest, ALogThatCannotBeReadGoesToTheErrorDisplay) {
  // A FIFO in place of the log: it exists, but is no file to read.
  const std::string path = LogFilePath(10);
  ForceDirectories(DirectoryOf(path));
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  Select(Node(1, 1));
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ファイル " + path + " は開けません.");
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
  EXPECT_EQ(list.topLevelItemCount(), 0);
  EXPECT_TRUE(list.updatesEnabled());
}

}  // namespace
}  // namespace quillet
