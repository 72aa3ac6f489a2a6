// The main window: its toolbar and menus, the headline list's mouse handling
// and menu, the geometry kept in the settings file, always on top, the
// windows it opens, and the program starting and quitting offscreen.
#include "ui/main_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/sys/network_check.h"
#include "program_windows.h"
#include "ui/log_search_window.h"
#include "ui/report_view.h"

namespace quillet {
namespace {

std::unique_ptr<NewsItem> News(const std::string& url) {
  return std::make_unique<NewsItem>(NewsItem{"YOL", "headline", url, "genre"});
}

class MainWindowTest : public ::testing::Test {
 protected:
  void AddRows() {
    w.mainWindow.AppendRow("YOL", CP932("トップ"), "first", 0, News("http://a.example/1"));
    w.mainWindow.AppendRow("YOL", CP932("トップ"), "second", 0, News("http://a.example/2?x=1&y=2"));
    w.mainWindow.AppendRow("CNN", CP932("国際"), "third", 4, News("http://c.example/3"));
  }
  QWidget* Viewport() { return test::Find<ReportView>(w.mainWindow, "headlineList")->viewport(); }
  QPoint RowCentre(int row) {
    return test::Find<ReportView>(w.mainWindow, "headlineList")
        ->visualItemRect(test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItem(row))
        .center();
  }
  QPoint EmptySpace() { return QPoint(20, Viewport()->height() - 5); }
  std::string SelectedUrl() {
    const NewsItem* news = w.mainWindow.SelectedNews();
    return news ? news->url : "(none)";
  }
  QAction* MenuItem(const char* name) {
    return test::Find<QAction>(*test::Find<QMenu>(w.mainWindow, "headlineMenu"), name);
  }
  settings::Geometry Stored() { return settings::ReadGeometry(settings::Geometry{-1, -1, -1, -1}); }

  test::ProgramWindows w;
};

TEST_F(MainWindowTest, ToolbarButtonsAndMenusInTheirOrder) {
  w.mainWindow.show();
  EXPECT_EQ(w.mainWindow.windowTitle().toStdString(), "Quillet 0.12β");
  const std::vector<std::pair<QToolButton*, std::string>> buttons = {
      {test::Find<QToolButton>(w.mainWindow, "fetchButton"), "ヘッドラインの取得"},
      {test::Find<QToolButton>(w.mainWindow, "patrolButton"), "巡回タイマーのON/OFF"},
      {test::Find<QToolButton>(w.mainWindow, "alwaysOnTopButton"), "常に全面に表示"},
      {test::Find<QToolButton>(w.mainWindow, "trayButton"), "アイコン化"},
      {test::Find<QToolButton>(w.mainWindow, "logSearchButton"), "ログ検索"},
      {test::Find<QToolButton>(w.mainWindow, "settingsButton"), "設定"}};
  int lastX = -1;
  for (const auto& [button, hint] : buttons) {
    SCOPED_TRACE(hint);
    EXPECT_EQ(button->toolTip().toStdString(), hint);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_GT(button->x(), lastX);
    lastX = button->x();
  }
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "patrolButton")->isCheckable());
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "alwaysOnTopButton")->isCheckable());
  EXPECT_FALSE(test::Find<QToolButton>(w.mainWindow, "patrolButton")->isChecked());
  EXPECT_EQ(test::Find<QToolButton>(w.mainWindow, "settingsButton")->menu(),
            test::Find<QMenu>(w.mainWindow, "settingsMenu"));

  auto captions = [](QMenu* menu) {
    std::vector<std::string> texts;
    for (QAction* action : menu->actions())
      texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return texts;
  };
  EXPECT_EQ(captions(test::Find<QMenu>(w.mainWindow, "headlineMenu")),
            (std::vector<std::string>{"この記事をブラウザで開く", "URLをコピー", "-", "URL"}));
  EXPECT_EQ(captions(test::Find<QMenu>(w.mainWindow, "settingsMenu")),
            (std::vector<std::string>{"動作設定", "接続設定"}));
  EXPECT_EQ(test::Find<QTabWidget>(w.mainWindow, "tabs")->tabText(0).toStdString(), "ヘッドライン");
  EXPECT_EQ(test::Find<QTabWidget>(w.mainWindow, "tabs")->tabText(1).toStdString(), "ログ");
  EXPECT_EQ(test::Find<QTabWidget>(w.mainWindow, "tabs")->currentIndex(), 0);
}

TEST_F(MainWindowTest, TabReachesEveryToolbarButton) {
  w.mainWindow.show();
  QApplication::setActiveWindow(&w.mainWindow);
  test::Find<ReportView>(w.mainWindow, "headlineList")->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), test::Find<ReportView>(w.mainWindow, "headlineList"));
  std::set<QWidget*> reached;
  for (int i = 0; i < 20; ++i) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &tab);
    reached.insert(QApplication::focusWidget());
  }
  for (QToolButton* button : {test::Find<QToolButton>(w.mainWindow, "fetchButton"),
                              test::Find<QToolButton>(w.mainWindow, "patrolButton"),
                              test::Find<QToolButton>(w.mainWindow, "alwaysOnTopButton"),
                              test::Find<QToolButton>(w.mainWindow, "trayButton"),
                              test::Find<QToolButton>(w.mainWindow, "logSearchButton"),
                              test::Find<QToolButton>(w.mainWindow, "settingsButton")}) {
    SCOPED_TRACE(button->toolTip().toStdString());
    EXPECT_TRUE(reached.count(button));
  }
}

TEST_F(MainWindowTest, RightPressSelectsTheRowUnderThePointerAndOpensItsMenu) {
  w.mainWindow.show();
  AddRows();
  test::Find<ReportView>(w.mainWindow, "headlineList")
      ->setCurrentItem(test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItem(0));

  test::SendMouse(Viewport(), QEvent::MouseButtonPress, RowCentre(1), Qt::RightButton);
  EXPECT_EQ(SelectedUrl(), "http://a.example/2?x=1&y=2");
  EXPECT_TRUE(test::Find<QMenu>(w.mainWindow, "headlineMenu")->isVisible());
  // The last item shows the URL itself; its '&' is not taken as an access key.
  EXPECT_EQ(MenuItem("urlCaptionAction")->text().toStdString(), "http://a.example/2?x=1&&y=2");
  MenuItem("copyUrlAction")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "http://a.example/2?x=1&y=2");
  test::Find<QMenu>(w.mainWindow, "headlineMenu")->hide();

  // Empty space below the rows: no menu, and the selection stays.
  test::SendMouse(Viewport(), QEvent::MouseButtonPress, EmptySpace(), Qt::RightButton);
  EXPECT_FALSE(test::Find<QMenu>(w.mainWindow, "headlineMenu")->isVisible());
  EXPECT_EQ(SelectedUrl(), "http://a.example/2?x=1&y=2");

  // The menu opened over another row shows that row's URL.
  test::SendMouse(Viewport(), QEvent::MouseButtonPress, RowCentre(2), Qt::RightButton);
  EXPECT_EQ(MenuItem("urlCaptionAction")->text().toStdString(), "http://c.example/3");
  test::Find<QMenu>(w.mainWindow, "headlineMenu")->hide();
}

TEST_F(MainWindowTest, DoubleClickOpensTheSelectedArticleAlsoFromEmptySpace) {
  test::RecordingOpener opener;
  w.mainWindow.show();
  AddRows();

  // Nothing selected: nothing opens.
  test::SendMouse(Viewport(), QEvent::MouseButtonDblClick, EmptySpace(), Qt::LeftButton);
  MenuItem("openArticleAction")->trigger();
  MenuItem("copyUrlAction")->trigger();
  EXPECT_TRUE(opener.opened.empty());

  test::Find<ReportView>(w.mainWindow, "headlineList")
      ->setCurrentItem(test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItem(2));
  test::SendMouse(Viewport(), QEvent::MouseButtonDblClick, EmptySpace(), Qt::LeftButton);
  MenuItem("openArticleAction")->trigger();
  EXPECT_EQ(opener.opened, (std::vector<std::string>{"http://c.example/3", "http://c.example/3"}));
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(MainWindowTest, NetworkUnavailableLeavesTheListAsItWas) {
  const std::string proxy = "192.0.2.1:8080";
  std::vector<std::string> asked;
  SetNetworkCheckForTesting([&asked](const std::string& p) {
    asked.push_back(p);
    return false;
  });
  struct RealCheckAgain {
    ~RealCheckAgain() { SetNetworkCheckForTesting(nullptr); }
  } realCheckAgain;
  settings::WriteString("HTTP", "Proxy", proxy);
  w.mainWindow.show();
  AddRows();
  test::Find<QToolButton>(w.mainWindow, "fetchButton")->click();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ネットワークに接続されていません");
  EXPECT_EQ(w.messages[0].caption, "エラー");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(test::Find<ReportView>(w.mainWindow, "headlineList")->topLevelItemCount(), 3);
  EXPECT_TRUE(test::Find<QToolButton>(w.mainWindow, "fetchButton")->isEnabled());
  EXPECT_FALSE(w.progressDialog.isVisible());
  EXPECT_EQ(asked, std::vector<std::string>{proxy});
}

// --- Geometry. ---------------------------------------------------------------

TEST_F(MainWindowTest, GeometryIsReadAtStartAndWrittenAtClose) {
  // Nothing stored: the built-in bounds, written back at close.
  w.mainWindow.show();
  EXPECT_EQ(w.mainWindow.pos(), QPoint(408, 156));
  EXPECT_EQ(w.mainWindow.size(), QSize(505, 657));
  EXPECT_TRUE(w.mainWindow.close());
  settings::Geometry stored = Stored();
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({408, 156, 505, 657}));
  EXPECT_FALSE(stored.maximized);

  // Stored bounds are applied unchanged at the next start, even off the screen.
  settings::WriteGeometry({-3000, 40, 600, 500, false});
  settings::WriteInteger("Main", "TimerInterval", 3);
  MainWindow again;
  again.show();
  EXPECT_EQ(again.pos(), QPoint(-3000, 40));
  EXPECT_EQ(again.size(), QSize(600, 500));
  EXPECT_EQ(again.PatrolIntervalMs(), 3 * 60 * 1000);

  // Hidden (as into the tray) and shown again: where the user left it; the
  // interval is read again.
  again.move(100, 120);
  settings::WriteInteger("Main", "TimerInterval", 4);
  again.hide();
  again.show();
  EXPECT_EQ(again.pos(), QPoint(100, 120));
  EXPECT_EQ(again.size(), QSize(600, 500));
  EXPECT_EQ(again.PatrolIntervalMs(), 4 * 60 * 1000);
  EXPECT_TRUE(again.close());
}

TEST_F(MainWindowTest, AMaximizedWindowStoresItsNormalBoundsAndComesBackMaximized) {
  settings::WriteGeometry({50, 60, 400, 300, false});
  w.mainWindow.show();
  w.mainWindow.showMaximized();
  ASSERT_TRUE(test::SpinUntil([&] { return w.mainWindow.isMaximized(); }));
  EXPECT_TRUE(w.mainWindow.close());
  const settings::Geometry stored = Stored();
  EXPECT_TRUE(stored.maximized);
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({50, 60, 400, 300}));

  MainWindow again;
  again.show();
  EXPECT_TRUE(again.isMaximized());
  EXPECT_EQ(again.normalGeometry().size(), QSize(400, 300));
  EXPECT_TRUE(again.close());
}

TEST_F(MainWindowTest, AGeometryThatCannotBeWrittenIsReportedOnceAndTheWindowCloses) {
  w.mainWindow.show();
  ASSERT_TRUE(w.mainWindow.close());
  ASSERT_EQ(chmod(settings::SettingsFilePath().c_str(), 0444), 0);
  w.mainWindow.show();
  EXPECT_TRUE(w.mainWindow.close());
  EXPECT_FALSE(w.mainWindow.isVisible());
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_NE(w.messages[0].text.find("に書き込めません"), std::string::npos) << w.messages[0].text;
  EXPECT_EQ(w.messages[0].text.back(), '.');
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
}

TEST_F(MainWindowTest, AlwaysOnTopKeepsPositionAndSize) {
  w.mainWindow.show();
  w.mainWindow.move(120, 130);
  // Settings that a fresh showing would apply: the toggle must not read them.
  settings::WriteGeometry({1, 2, 300, 200, false});

  test::Find<QToolButton>(w.mainWindow, "alwaysOnTopButton")->click();
  EXPECT_TRUE(w.mainWindow.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w.mainWindow.isVisible());
  EXPECT_EQ(w.mainWindow.pos(), QPoint(120, 130));
  EXPECT_EQ(w.mainWindow.size(), QSize(505, 657));

  test::Find<QToolButton>(w.mainWindow, "alwaysOnTopButton")->click();
  EXPECT_FALSE(w.mainWindow.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w.mainWindow.pos(), QPoint(120, 130));
}

// --- The windows it opens. ---------------------------------------------------

TEST_F(MainWindowTest, EachLogSearchClickOpensAnotherWindow) {
  w.mainWindow.show();
  test::Find<QToolButton>(w.mainWindow, "logSearchButton")->click();
  test::Find<QToolButton>(w.mainWindow, "logSearchButton")->click();
  // LogSearchWindow has no meta-object of its own, so findChildren<LogSearchWindow*> would
  // match every widget.
  std::vector<LogSearchWindow*> windows;
  for (QWidget* child : w.mainWindow.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (auto* search = dynamic_cast<LogSearchWindow*>(child)) windows.push_back(search);
  ASSERT_EQ(windows.size(), 2u);
  for (LogSearchWindow* window : windows) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
  }
  windows[0]->close();
  EXPECT_TRUE(windows[1]->isVisible());
  windows[1]->close();
}

TEST_F(MainWindowTest, SettingsMenuOpensTheSettingsDialogs) {
  w.mainWindow.show();
  test::Find<QAction>(w.mainWindow, "behaviourAction")->trigger();
  EXPECT_TRUE(w.behaviourDialog.isVisible());
  EXPECT_TRUE(w.behaviourDialog.isModal());
  EXPECT_EQ(w.behaviourDialog.windowTitle().toStdString(), "動作設定");
  test::Find<QPushButton>(w.behaviourDialog, "okButton")->click();
  EXPECT_FALSE(w.behaviourDialog.isVisible());

  test::Find<QAction>(w.mainWindow, "connectionAction")->trigger();
  EXPECT_TRUE(w.connectionDialog.isVisible());
  EXPECT_EQ(w.connectionDialog.windowTitle().toStdString(), "接続設定");
  test::Find<QPushButton>(w.connectionDialog, "cancelButton")->click();
  EXPECT_FALSE(w.connectionDialog.isVisible());
}

// --- The program as a whole. -------------------------------------------------

struct ProgramRun {
  int exitCode = -1;
  std::string out, err;
};

// Runs the window program with `args` on a temporary program folder.
ProgramRun RunProgram(const QStringList& args, const QProcessEnvironment& environment) {
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(QUILLET_EXE), args);
  ProgramRun run;
  if (!program.waitForFinished(60'000)) {
    program.kill();
    program.waitForFinished();
    return run;
  }
  if (program.exitStatus() == QProcess::NormalExit) run.exitCode = program.exitCode();
  run.out = program.readAllStandardOutput().toStdString();
  run.err = program.readAllStandardError().toStdString();
  return run;
}

TEST(Program, StartsWithQtOptionsAndQuitsThroughTheNormalClose) {
  test::TempHome home;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.insert(QStringLiteral("QUILLET_HOME"), QString::fromStdString(home.Dir()));
  environment.insert(QStringLiteral("QUILLET_QUIT_AFTER_MS"), QStringLiteral("200"));
  const ProgramRun run =
      RunProgram({QStringLiteral("-platform"), QStringLiteral("offscreen")}, environment);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  // The close went the normal way: the geometry is in the settings file.
  const settings::Geometry stored = settings::ReadGeometry({-1, -1, -1, -1, true});
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({408, 156, 505, 657}));
  EXPECT_FALSE(stored.maximized);
  // A new settings file is the user's alone: it may hold a proxy password.
  struct stat st {};
  ASSERT_EQ(stat(settings::SettingsFilePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Program, HelpAndVersionNeedNoDisplayAndUnknownOptionsAreRefused) {
  test::TempHome home;
  // No display at all: the xcb platform would fail to start.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.insert(QStringLiteral("QUILLET_HOME"), QString::fromStdString(home.Dir()));
  struct Case {
    QStringList args;
    int exitCode;
    std::string outStart;  // "" when stdout stays empty
    bool usageOnStderr;
  };
  const Case cases[] = {
      {{QStringLiteral("--help")}, 0, "Usage: quillet", false},
      {{QStringLiteral("-h")}, 0, "Usage: quillet", false},
      {{QStringLiteral("--version")}, 0, "quillet " QUILLET_VERSION "\n", false},
      {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--version")},
       0,
       "quillet " QUILLET_VERSION "\n",
       false},
      {{QStringLiteral("--bogus")}, 2, "", true},
      {{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("extra")},
       2,
       "",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    const ProgramRun run = RunProgram(c.args, environment);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.outStart.empty()) {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart) << run.out;
    }
    EXPECT_EQ(run.err.starts_with("Usage: quillet"), c.usageOnStderr) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(settings::SettingsFilePath()));
}

}  // namespace
}  // namespace quillet
