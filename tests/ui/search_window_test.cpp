// The log search window over real log files: status line, result rows,
// keyboard and mouse, and what happens to requests that arrive mid-search.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "fetch/catalogue.h"
#include "log/log_search.h"
#include "log/search_window.h"
#include "platform/text_codec.h"
#include "support/temp_home.h"
#include "ui/browser_launch.h"
#include "ui/icons.h"
#include "ui/message_box.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}
QString FromCp932(const std::string& cp932) {
  return QString::fromStdString(Cp932ToUtf8(cp932));
}

// Runs `step` once in every pass over the pending events (a queued call
// that queues itself again) until the probe is destroyed.
class EventProbe {
 public:
  explicit EventProbe(std::function<void()> step) : state_(std::make_shared<State>()) {
    state_->step = std::move(step);
    Post(state_);
  }
  ~EventProbe() { state_->stopped = true; }
  EventProbe(const EventProbe&) = delete;
  EventProbe& operator=(const EventProbe&) = delete;

 private:
  struct State {
    std::function<void()> step;
    bool stopped = false;
  };
  static void Post(std::shared_ptr<State> state) {
    QMetaObject::invokeMethod(
        qApp,
        [state] {
          if (state->stopped) return;
          state->step();
          Post(state);
        },
        Qt::QueuedConnection);
  }
  std::shared_ptr<State> state_;
};

class RecordingOpener : public UrlOpener {
 public:
  bool OpenUrl(const std::string& url) override {
    opened.push_back(url);
    return true;
  }
  bool StartProgram(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> opened;
};

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

class SearchWindow : public ::testing::Test {
 protected:
  SearchWindow() : form(new TForm5) {
    SetUrlOpener(&opener);
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back(Cp932ToUtf8(caption) + ": " + Cp932ToUtf8(text));
          EXPECT_EQ(icon, MessageIcon::kStop);
        });
  }
  ~SearchWindow() override {
    delete form.data();
    SetUrlOpener(nullptr);
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
    form->Edit1->setText(keyword);
    statuses.clear();
    {
      EventProbe probe([&] {
        if (statuses.empty() || statuses.back() != form->Panel1->text())
          statuses.push_back(form->Panel1->text());
        if (duringSearch) duringSearch();
      });
      form->RunLogSearch();
    }
    QCoreApplication::processEvents();
  }

  int Rows() const { return form->ListView1->model()->rowCount(); }
  QString Cell(int row, int column) const {
    return form->ListView1->model()->index(row, column).data().toString();
  }
  std::vector<QString> Headlines() const {
    std::vector<QString> out;
    for (int row = 0; row < Rows(); ++row)
      out.push_back(Cell(row, 3));
    return out;
  }
  int SelectedRow() const {
    const QModelIndexList rows = form->ListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  }

  void SendKey(QWidget* to, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &press);
  }
  void SendMouse(QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QWidget* viewport = form->ListView1->viewport();
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
  }
  QPoint RowCentre(int row) const {
    return form->ListView1->visualRect(form->ListView1->model()->index(row, 3)).center();
  }

  test::TempHome home;
  RecordingOpener opener;
  std::vector<std::string> messages;
  QPointer<TForm5> form;
  std::vector<QString> statuses;
};

TEST_F(SearchWindow, SearchShowsEveryStatusThenTheCountAndRowsBySite) {
  Log(0, {"ABC top story", "unrelated"});
  Log(2, {"more abc here"});
  Log(31, {"zakzak Abc"});
  Log(33, {"CNN aBc", "CNN other"});
  Log(60, {"abc in Mainichi"});  // never searched
  EXPECT_TRUE(form->Panel1->text().isEmpty());
  Search(QStringLiteral("abc"));

  EXPECT_EQ(statuses, AllStatusTexts());
  ASSERT_EQ(statuses.size(), 56u);
  EXPECT_EQ(statuses.front(), Q("Yomiuri On Line を検索しています...(1/9)"));
  EXPECT_EQ(statuses[31], Q("ZAKZAK を検索しています..."));
  EXPECT_EQ(form->Panel1->text(), Q("4件見つかりました"));

  struct Expected {
    int site, category;
    const char *siteLabel, *headline;
  };
  const Expected expected[] = {{0, 0, "YOL", "ABC top story"},
                               {0, 2, "YOL", "more abc here"},
                               {3, 31, "ZAKZAK", "zakzak Abc"},
                               {4, 33, "CNN", "CNN aBc"}};
  ASSERT_EQ(Rows(), 4);
  for (int row = 0; row < 4; ++row) {
    const Expected& e = expected[row];
    SCOPED_TRACE(e.headline);
    EXPECT_EQ(Cell(row, 0), Q(e.siteLabel));
    EXPECT_EQ(Cell(row, 1), QStringLiteral("2026/01/0%1").arg(e.category % 9 + 1));
    EXPECT_EQ(Cell(row, 2), FromCp932(Categories()[static_cast<size_t>(e.category)].genre));
    EXPECT_EQ(Cell(row, 3), Q(e.headline));
    const QIcon icon =
        form->ListView1->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(icon.pixmap(16).toImage(), SiteIcon(e.site).pixmap(16).toImage());
  }

  // A second search replaces the rows.
  Search(QStringLiteral("CNN"));
  EXPECT_EQ(Headlines(), (std::vector<QString>{Q("CNN aBc"), Q("CNN other")}));
  EXPECT_EQ(form->Panel1->text(), Q("2件見つかりました"));
}

TEST_F(SearchWindow, StartsEmptyAndAnEmptyKeywordFindsNothing) {
  Log(0, {"headline"});
  EXPECT_EQ(form->windowTitle(), Q("ログ検索"));
  EXPECT_EQ(Rows(), 0);
  Search(QString());
  EXPECT_EQ(statuses.size(), 56u);
  EXPECT_EQ(form->Panel1->text(), Q("0件見つかりました"));
  EXPECT_EQ(Rows(), 0);
  // With no rows nothing is fitted: the first three columns keep their width.
  for (int column = 0; column < 3; ++column)
    EXPECT_EQ(form->ListView1->columnWidth(column), 50);
}

TEST_F(SearchWindow, ColumnsAreFittedAndTheLastFollowsTheWindowWidth) {
  Log(19, {"Impress keyword"});
  form->show();
  Search(QStringLiteral("keyword"));
  ReportView* list = form->ListView1;
  const auto lastColumnRule = [list] {
    return list->width() - list->columnWidth(0) - list->columnWidth(1) - list->columnWidth(2) - 20;
  };
  EXPECT_EQ(list->columnWidth(0),
            list->fontMetrics().horizontalAdvance(QStringLiteral("Impress")) + 25);
  EXPECT_EQ(list->columnWidth(3), lastColumnRule());
  const int before = list->columnWidth(3);
  form->resize(form->width() + 100, form->height() + 40);
  EXPECT_EQ(list->columnWidth(3), before + 100);
  EXPECT_EQ(list->columnWidth(3), lastColumnRule());
}

TEST_F(SearchWindow, KeywordIsTakenAsEachSiteScanBegins) {
  Log(0, {"alpha one", "beta one"});
  Log(32, {"alpha two", "beta two"});
  const QString asahiFirst = FromCp932(SearchStatusText(1, 1, 10));
  Search(QStringLiteral("alpha"), [&] {
    if (form->Panel1->text() == asahiFirst) form->Edit1->setText(QStringLiteral("beta"));
  });
  EXPECT_EQ(Headlines(), (std::vector<QString>{Q("alpha one"), Q("beta two")}));
}

TEST_F(SearchWindow, EnterInTheKeywordBoxSearchesAndIsConsumed) {
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

  form->Edit1->setText(QStringLiteral("new"));
  SendKey(form->Edit1, Qt::Key_S, QStringLiteral("s"));
  EXPECT_EQ(form->Edit1->text(), QStringLiteral("news"));
  SendKey(form->Edit1, Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(form->Panel1->text(), Q("1件見つかりました"));
  EXPECT_EQ(Headlines(), std::vector<QString>{Q("Asahi news")});
  EXPECT_EQ(form->Edit1->text(), QStringLiteral("news"));
  SendKey(form->Edit1, Qt::Key_Enter, QStringLiteral("\r"));  // the keypad's Enter
  EXPECT_EQ(form->Edit1->text(), QStringLiteral("news"));
  EXPECT_EQ(reachedWindow.count, 0) << "Enter was passed on to the window";
  form->removeEventFilter(&reachedWindow);
}

TEST_F(SearchWindow, RightClickSelectsTheRowAndTheMenuActsOnIt) {
  SaveLogFile(LogFilePath(43), {"Chuou one\thttp://127.0.0.1/a?b=1&c=2\td\t1",
                                "Chuou two\thttp://127.0.0.1/2\td\t1"});
  form->show();
  Search(QStringLiteral("chuou"));
  ASSERT_EQ(Rows(), 2);
  form->ListView1->setCurrentItem(form->ListView1->topLevelItem(1));

  SendMouse(QEvent::MouseButtonPress, Qt::RightButton, RowCentre(0));
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  EXPECT_EQ(form->URL3->text(), QStringLiteral("http://127.0.0.1/a?b=1&&c=2"));  // "&&" shows '&'
  form->PopupMenu1->hide();

  // Below the last row: no menu, the selection stays.
  const QPoint below(RowCentre(1).x(), form->ListView1->viewport()->height() - 2);
  ASSERT_FALSE(form->ListView1->indexAt(below).isValid());
  SendMouse(QEvent::MouseButtonPress, Qt::RightButton, below);
  EXPECT_FALSE(form->PopupMenu1->isVisible());
  EXPECT_EQ(SelectedRow(), 0);

  form->N6->trigger();
  SendMouse(QEvent::MouseButtonDblClick, Qt::LeftButton, below);  // acts on the selected row
  EXPECT_EQ(opener.opened, (std::vector<std::string>(2, "http://127.0.0.1/a?b=1&c=2")));
  form->URL2->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1/a?b=1&c=2"));

  // With no row selected the actions do nothing.
  form->ListView1->clearSelection();
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  form->N6->trigger();
  form->URL2->trigger();
  SendMouse(QEvent::MouseButtonDblClick, Qt::LeftButton, below);
  EXPECT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(SearchWindow, RequestsDuringASearchAreIgnoredAndACloseWaitsForItsEnd) {
  Log(0, {"abc yol"});
  Log(55, {"abc chuou"});
  form->show();
  bool visibleAfterClose = true;
  bool requested = false;
  Search(QStringLiteral("abc"), [&] {
    if (requested) return;
    requested = true;
    form->BitBtn1->click();
    SendKey(form->Edit1, Qt::Key_Return, QStringLiteral("\r"));
    form->close();
    visibleAfterClose = form->isVisible();
  });
  EXPECT_TRUE(requested);
  EXPECT_FALSE(visibleAfterClose);
  EXPECT_EQ(statuses, AllStatusTexts()) << "a second search ran inside the first";
  EXPECT_EQ(Headlines(), (std::vector<QString>{Q("abc yol"), Q("abc chuou")}));
  ASSERT_FALSE(form.isNull()) << "destroyed during its search";
  EXPECT_FALSE(form->Searching());

  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull()) << "not destroyed after the search ended";

  // Closed while idle, a window goes at once.
  form = new TForm5;
  form->show();
  form->BitBtn2->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(SearchWindow, UnreadableLogStopsTheScanButTheCountIsShown) {
  Log(0, {"abc yol"});
  Log(32, {"abc cnn"});
  const std::string fifo = LogFilePath(20);  // second category of Impress Watch
  ForceDirectories(DirectoryOf(fifo));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  Search(QStringLiteral("abc"));

  EXPECT_EQ(statuses.size(), 9u + 10 + 2);
  EXPECT_EQ(statuses.back(), Q("Impress Watch を検索しています...(2/12)"));
  EXPECT_EQ(Headlines(), std::vector<QString>{Q("abc yol")});
  EXPECT_EQ(form->Panel1->text(), Q("1件見つかりました"));
  EXPECT_EQ(messages, std::vector<std::string>{"Quillet: ファイル " + fifo + " は開けません."});
  EXPECT_FALSE(form->Searching());

  std::remove(fifo.c_str());
  Search(QStringLiteral("abc"));
  EXPECT_EQ(form->Panel1->text(), Q("2件見つかりました"));
}

}  // namespace
}  // namespace quillet
