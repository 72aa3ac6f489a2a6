// The log search window over real log files: status line and count, result
// rows and columns, keyboard and mouse, and requests that arrive mid-search.
// Which records a keyword finds is checked headless with the log search.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/log/log_search.h"
#include "core/sites/catalogue.h"
#include "program_windows.h"
#include "ui/icons.h"
#include "ui/log_search_window.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}
QString FromCp932(const std::string& cp932) {
  return QString::fromStdString(Cp932ToUtf8(cp932));
}

// Every status text of a whole search, in order.
std::vector<QString> AllStatusTexts() {
  std::vector<QString> texts;
  for (int site = 0; site < kSearchedSites; ++site) {
    const Site& s = Sites()[static_cast<size_t>(site)];
    const int n = s.lastCategory - s.firstCategory + 1;
    for (int k = 1; k <= n; ++k)
      texts.push_back(FromCp932(SearchStatusText(site, k, n)));
  }
  return texts;
}

class SearchWindowTest : public ::testing::Test {
 protected:
  SearchWindowTest() : form(new LogSearchWindow) {
    // Each error box is recorded with the status line it appeared over.
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back(test::Find<QLabel>(*form, "statusPanel")->text().toStdString() +
                             " | " + Cp932ToUtf8(caption) + ": " + Cp932ToUtf8(text));
          EXPECT_EQ(icon, MessageIcon::kStop);
        });
  }
  ~SearchWindowTest() override {
    delete form.data();
    SetMessageHookForTesting(nullptr);
  }

  // One record per headline; URL and date derived from it.
  void Log(int category, const std::vector<std::string>& headlines) {
    Lines lines;
    for (const std::string& h : headlines)
      lines.push_back(Utf8ToCp932(h) + "\thttp://127.0.0.1/" + std::to_string(lines.size()) +
                      "\t2026/01/0" + std::to_string(category % 9 + 1) + "\t1");
    SaveLogFile(LogFilePath(category), lines);
  }

  // Searches for `keyword`, recording the status line at every event break
  // and running `duringSearch` there as well.
  void Search(const QString& keyword, const std::function<void()>& duringSearch = {}) {
    test::Find<QLineEdit>(*form, "keywordEdit")->setText(keyword);
    statuses.clear();
    QTimer probe;  // a zero timer fires in every pass over the events
    QObject::connect(&probe, &QTimer::timeout, [&] {
      if (statuses.empty() || statuses.back() != test::Find<QLabel>(*form, "statusPanel")->text())
        statuses.push_back(test::Find<QLabel>(*form, "statusPanel")->text());
      if (duringSearch) duringSearch();
    });
    probe.start(0);
    test::Find<QPushButton>(*form, "searchButton")->click();
    probe.stop();
    QCoreApplication::processEvents();
  }

  int Rows() const { return test::Find<ReportView>(*form, "resultList")->model()->rowCount(); }
  QString Cell(int row, int column) const {
    return test::Find<ReportView>(*form, "resultList")
        ->model()
        ->index(row, column)
        .data()
        .toString();
  }
  std::vector<QString> Headlines() const {
    std::vector<QString> out;
    for (int row = 0; row < Rows(); ++row)
      out.push_back(Cell(row, 3));
    return out;
  }
  void SendKey(int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(test::Find<QLineEdit>(*form, "keywordEdit"), &press);
  }

  test::TempHome home;
  test::RecordingOpener opener;
  std::vector<std::string> messages;
  QPointer<LogSearchWindow> form;
  std::vector<QString> statuses;
};

TEST_F(SearchWindowTest, SearchShowsEveryStatusThenTheCountAndFittedRowsBySite) {
  Log(0, {"ABC top story", "unrelated"});
  Log(31, {"zakzak abc"});
  Log(33, {"CNN abc", "CNN other"});
  EXPECT_TRUE(test::Find<QLabel>(*form, "statusPanel")->text().isEmpty());
  form->show();
  Search(QStringLiteral("abc"));

  EXPECT_EQ(statuses, AllStatusTexts());
  EXPECT_EQ(test::Find<QLabel>(*form, "statusPanel")->text(), Q("3件見つかりました"));
  const struct {
    int site, category;
    const char *siteLabel, *headline;
  } expected[] = {
      {0, 0, "YOL", "ABC top story"}, {3, 31, "ZAKZAK", "zakzak abc"}, {4, 33, "CNN", "CNN abc"}};
  ASSERT_EQ(Rows(), 3);
  for (int row = 0; row < 3; ++row) {
    const auto& e = expected[row];
    SCOPED_TRACE(e.headline);
    EXPECT_EQ(Cell(row, 0), Q(e.siteLabel));
    EXPECT_EQ(Cell(row, 1), QStringLiteral("2026/01/0%1").arg(e.category % 9 + 1));
    EXPECT_EQ(Cell(row, 2), FromCp932(Categories()[static_cast<size_t>(e.category)].genre));
    EXPECT_EQ(Cell(row, 3), Q(e.headline));
    const QIcon icon = test::Find<ReportView>(*form, "resultList")
                           ->model()
                           ->index(row, 0)
                           .data(Qt::DecorationRole)
                           .value<QIcon>();
    EXPECT_EQ(icon.pixmap(16).toImage(), SiteIcon(e.site).pixmap(16).toImage());
  }

  // The columns are fitted once the rows are in.
  EXPECT_GT(test::Find<ReportView>(*form, "resultList")->columnWidth(0),
            test::Find<ReportView>(*form, "resultList")
                ->fontMetrics()
                .horizontalAdvance(QStringLiteral("ZAKZAK")));

  // A second search replaces the rows.
  Search(QStringLiteral("CNN"));
  EXPECT_EQ(Headlines(), (std::vector<QString>{Q("CNN abc"), Q("CNN other")}));
  EXPECT_EQ(test::Find<QLabel>(*form, "statusPanel")->text(), Q("2件見つかりました"));
}

TEST_F(SearchWindowTest, EnterInTheKeywordBoxSearchesAndIsConsumed) {
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
  test::Find<QLineEdit>(*form, "keywordEdit")->setText(QStringLiteral("new"));
  SendKey(Qt::Key_S, QStringLiteral("s"));  // other keys still type
  SendKey(Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(test::Find<QLabel>(*form, "statusPanel")->text(), Q("1件見つかりました"));
  EXPECT_EQ(Headlines(), std::vector<QString>{Q("Asahi news")});
  SendKey(Qt::Key_Enter, QStringLiteral("\r"));  // the keypad's Enter
  EXPECT_EQ(test::Find<QLineEdit>(*form, "keywordEdit")->text(), QStringLiteral("news"));
  EXPECT_EQ(reachedWindow.count, 0) << "Enter was passed on to the window";
  form->removeEventFilter(&reachedWindow);

  // Esc, from the box as from the results, closes the window as 閉じる does.
  SendKey(Qt::Key_Escape, QString());
  EXPECT_TRUE(form.isNull() || !form->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(SearchWindowTest, RightClickSelectsTheRowAndTheMenuActsOnIt) {
  SaveLogFile(LogFilePath(43), {"Chuou one\thttp://127.0.0.1/a?b=1&c=2\td\t1",
                                "Chuou two\thttp://127.0.0.1/2\td\t1"});
  const std::string url = "http://127.0.0.1/a?b=1&c=2";
  form->show();
  Search(QStringLiteral("chuou"));
  ASSERT_EQ(Rows(), 2);
  ReportView* list = test::Find<ReportView>(*form, "resultList");
  list->setCurrentItem(list->topLevelItem(1));

  const QPoint first = list->visualItemRect(list->topLevelItem(0)).center();
  test::SendMouse(list->viewport(), QEvent::MouseButtonPress, first, Qt::RightButton);
  EXPECT_EQ(list->SelectedRow(), list->topLevelItem(0));
  EXPECT_TRUE(test::Find<QMenu>(*form, "resultMenu")->isVisible());
  EXPECT_EQ(test::Find<QAction>(*form, "urlCaptionAction")->text(),
            QStringLiteral("http://127.0.0.1/a?b=1&&c=2"));  // "&&" shows '&'
  test::Find<QMenu>(*form, "resultMenu")->hide();

  test::Find<QAction>(*form, "openArticleAction")->trigger();
  test::SendMouse(list->viewport(), QEvent::MouseButtonDblClick, first, Qt::LeftButton);
  EXPECT_EQ(opener.opened, (std::vector<std::string>(2, url)));
  test::Find<QAction>(*form, "copyUrlAction")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), url);

  // With no row selected the actions do nothing.
  list->clearSelection();
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  test::Find<QAction>(*form, "openArticleAction")->trigger();
  test::Find<QAction>(*form, "copyUrlAction")->trigger();
  EXPECT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
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
    test::Find<QPushButton>(*form, "searchButton")->click();
    SendKey(Qt::Key_Return, QStringLiteral("\r"));
    test::Find<QLineEdit>(*form, "keywordEdit")
        ->setText(QStringLiteral("xyz"));  // taken by the next site's scan
    form->close();
    visibleAfterClose = form->isVisible();
  });
  EXPECT_TRUE(requested);
  EXPECT_FALSE(visibleAfterClose);
  EXPECT_EQ(statuses, AllStatusTexts()) << "a second search ran inside the first";
  EXPECT_EQ(Headlines(), (std::vector<QString>{Q("abc yol"), Q("xyz chuou")}));
  ASSERT_FALSE(form.isNull()) << "destroyed during its search";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "not destroyed after the search ended";

  // Closed while idle, a window goes at once.
  form = new LogSearchWindow;
  form->show();
  test::Find<QPushButton>(*form, "closeButton")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(SearchWindowTest, AnUnreadableLogEndsTheSearchWithTheCountThenTheError) {
  Log(0, {"abc yol"});
  Log(32, {"abc cnn"});
  const std::string fifo = LogFilePath(20);  // second category of Impress Watch
  ForceDirectories(DirectoryOf(fifo));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  Search(QStringLiteral("abc"));

  EXPECT_EQ(Headlines(), std::vector<QString>{Q("abc yol")});
  EXPECT_EQ(messages, std::vector<std::string>{"1件見つかりました | Quillet: ファイル " + fifo +
                                               " は開けません."});
  EXPECT_EQ(test::Find<QLabel>(*form, "statusPanel")->text(), Q("1件見つかりました"));
}

}  // namespace
}  // namespace quillet
