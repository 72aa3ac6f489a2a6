// The two views of the logs over real log files: the main window's log tab
// and the log search window.
#include <sys/stat.h>

#include <QClipboard>
#include <QPointer>

#include "core/log/log_search.h"
#include "core/log/log_store.h"
#include "core/sites/catalogue.h"
#include "program_windows.h"
#include "ui/icons.h"

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
  test::WriteBytes(path, records);
  ShowTab();  // nothing selected, or a site: the list stays empty
  Select(1, -1);
  EXPECT_EQ(list.topLevelItemCount(), 0);
  Select(1, 1);
  EXPECT_EQ(Column(list, 0), (Texts{"2024/05/02", "", "2024/5/1"}));  // a blank line is a row
  EXPECT_EQ(Column(list, 1), (Texts{"新しい記事", "", "古い記事"}));
  test::WriteBytes(path, "two\thttp://127.0.0.1/2\t2024/5/3\t1\r\n" + records);
  EXPECT_EQ(list.topLevelItemCount(), 3);  // nothing reloads on its own
  ShowTab();
  EXPECT_EQ(Column(list, 1), (Texts{"two", "新しい記事", "", "古い記事"}));

  // The record menu acts on the selected record.
  test::RecordingOpener opener;
  list.setCurrentItem(list.topLevelItem(0));
  Find<QAction>(tab, "openArticleAction")->trigger();
  Find<QAction>(tab, "copyUrlAction")->trigger();
  EXPECT_EQ(opener.opened, Texts{"http://127.0.0.1/2"});
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1/2"));
}

QString Q(const std::string& cp932) {
  return QString::fromStdString(Cp932ToUtf8(cp932));
}

class SearchWindowTest : public test::WindowsTest {
 protected:
  SearchWindowTest() {
    // Each error box is recorded with the status line it appeared over.
    w.OnMessage = [this] { statusAtMessage.push_back(Status()); };
    form->show();
  }
  ~SearchWindowTest() override { delete form.data(); }

  // One record per headline, its date derived from the category.
  void Log(int category, const Texts& headlines) {
    Lines lines;
    for (const std::string& h : headlines)
      lines.push_back(h + "\tu\t2026/01/0" + std::to_string(category % 9 + 1) + "\t1");
    SaveLogFile(LogFilePath(category), lines);
  }
  // Searches for `keyword`, recording the status line at every event break
  // and running `duringSearch` there as well.
  void Search(const char* keyword, const std::function<void()>& duringSearch = {}) {
    Find<QLineEdit>(*form, "keywordEdit")->setText(QString::fromLatin1(keyword));
    statuses.clear();
    QTimer probe;  // a zero timer fires in every pass over the events
    QObject::connect(&probe, &QTimer::timeout, [&] {
      if (statuses.empty() || statuses.back() != Status()) statuses.push_back(Status());
      if (duringSearch) duringSearch();
    });
    probe.start(0);
    Find<QPushButton>(*form, "searchButton")->click();
  }
  QString Status() { return Find<QLabel>(*form, "statusPanel")->text(); }
  ReportView& List() { return *Find<ReportView>(*form, "resultList"); }
  void SendKey(int key, const QString& text) {
    test::PressKey(Find<QLineEdit>(*form, "keywordEdit"), key, text);
  }
  // Every status text of a whole search, in order.
  static std::vector<QString> AllStatusTexts() {
    std::vector<QString> texts;
    for (int site = 0; site < kSearchedSites; ++site) {
      const Site& s = Sites()[static_cast<size_t>(site)];
      for (int k = 1, n = s.lastCategory - s.firstCategory + 1; k <= n; ++k)
        texts.push_back(Q(SearchStatusText(site, k, n)));
    }
    return texts;
  }

  QPointer<LogSearchWindow> form = new LogSearchWindow;
  std::vector<QString> statuses;
  std::vector<QString> statusAtMessage;
};

TEST_F(SearchWindowTest, SearchShowsEveryStatusThenTheCountAndTheRowsBySiteAndEnterSearches) {
  Log(0, {"ABC top story", "unrelated"});
  Log(31, {"zakzak abc"});
  Log(33, {"CNN abc", "CNN other"});
  Search("abc");
  EXPECT_EQ(statuses, AllStatusTexts());
  EXPECT_EQ(Status(), Q(FoundCountText(3)));
  const auto genre = [](int category) {
    return Cp932ToUtf8(Categories()[static_cast<size_t>(category)].genre);
  };
  EXPECT_EQ(Column(List(), 0), (Texts{"YOL", "ZAKZAK", "CNN"}));
  EXPECT_EQ(Column(List(), 1), (Texts{"2026/01/01", "2026/01/05", "2026/01/07"}));
  EXPECT_EQ(Column(List(), 2), (Texts{genre(0), genre(31), genre(33)}));
  EXPECT_EQ(Column(List(), 3), (Texts{"ABC top story", "zakzak abc", "CNN abc"}));
  for (const auto& [row, site] : {std::pair{0, 0}, {1, 3}, {2, 4}}) {
    EXPECT_EQ(List().topLevelItem(row)->icon(0).pixmap(16).toImage(),
              SiteIcon(site).pixmap(16).toImage());
  }
  // The columns are fitted once the rows are in.
  EXPECT_GT(List().columnWidth(0),
            List().fontMetrics().horizontalAdvance(QStringLiteral("ZAKZAK")));

  // Enter in the keyword box searches again and replaces the rows; other keys
  // still type.
  Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("CN"));
  SendKey(Qt::Key_N, QStringLiteral("N"));
  SendKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(Column(List(), 3), (Texts{"CNN abc", "CNN other"}));
  EXPECT_EQ(Status(), Q(FoundCountText(2)));
  EXPECT_EQ(Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("CNN"));
}

TEST_F(SearchWindowTest, DuringASearchRequestsAreIgnoredTheKeywordIsReadPerSiteAndACloseWaits) {
  Log(0, {"abc yol", "xyz yol"});
  Log(55, {"abc chuou", "xyz chuou"});
  bool requested = false;
  Search("abc", [&] {
    if (requested) return;
    requested = true;
    Find<QPushButton>(*form, "searchButton")->click();
    SendKey(Qt::Key_Return, QStringLiteral("\r"));
    Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("xyz"));  // for the next site
    form->close();
    EXPECT_FALSE(form->isVisible());
  });
  EXPECT_EQ(statuses, AllStatusTexts()) << "a second search ran inside the first";
  ASSERT_FALSE(form.isNull()) << "destroyed during its search";
  EXPECT_EQ(Column(List(), 3), (Texts{"abc yol", "xyz chuou"}));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "not destroyed after the search ended";
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
  EXPECT_EQ(statusAtMessage, std::vector<QString>{Q(FoundCountText(1))});
  EXPECT_EQ(Status(), Q(FoundCountText(1)));
}

}  // namespace
}  // namespace quillet
