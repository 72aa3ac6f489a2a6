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

std::unique_ptr<TNewsItem> News(const std::string& url) {
  return std::make_unique<TNewsItem>(TNewsItem{"YOL", "headline", url, "genre"});
}

class MainWindow : public ::testing::Test {
 protected:
  void AddRows() {
    w.form1.AppendRow("YOL", CP932("トップ"), "first", 0, News("http://a.example/1"));
    w.form1.AppendRow("YOL", CP932("トップ"), "second", 0, News("http://a.example/2?x=1&y=2"));
    w.form1.AppendRow("CNN", CP932("国際"), "third", 4, News("http://c.example/3"));
  }
  QWidget* Viewport() { return w.form1.ListView1->viewport(); }
  QPoint RowCentre(int row) {
    return w.form1.ListView1->visualItemRect(w.form1.ListView1->topLevelItem(row)).center();
  }
  QPoint EmptySpace() { return QPoint(20, Viewport()->height() - 5); }
  std::string SelectedUrl() {
    const TNewsItem* news = w.form1.SelectedNews();
    return news ? news->URL : "(none)";
  }
  settings::Geometry Stored() { return settings::ReadGeometry(settings::Geometry{-1, -1, -1, -1}); }

  test::ProgramWindows w;
};

TEST_F(MainWindow, ToolbarButtonsAndMenusInTheirOrder) {
  w.form1.show();
  EXPECT_EQ(w.form1.windowTitle().toStdString(), "Quillet 0.12β");
  const std::vector<std::pair<QToolButton*, std::string>> buttons = {
      {w.form1.ToolButton3, "ヘッドラインの取得"}, {w.form1.ToolButton5, "巡回タイマーのON/OFF"},
      {w.form1.ToolButton8, "常に全面に表示"},     {w.form1.ToolButton6, "アイコン化"},
      {w.form1.ToolButton9, "ログ検索"},           {w.form1.ToolButton1, "設定"}};
  int lastX = -1;
  for (const auto& [button, hint] : buttons) {
    SCOPED_TRACE(hint);
    EXPECT_EQ(button->toolTip().toStdString(), hint);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_GT(button->x(), lastX);
    lastX = button->x();
  }
  EXPECT_TRUE(w.form1.ToolButton5->isCheckable());
  EXPECT_TRUE(w.form1.ToolButton8->isCheckable());
  EXPECT_FALSE(w.form1.ToolButton5->isChecked());
  EXPECT_EQ(w.form1.ToolButton1->menu(), w.form1.PopupMenu2);

  auto captions = [](QMenu* menu) {
    std::vector<std::string> texts;
    for (QAction* action : menu->actions())
      texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return texts;
  };
  EXPECT_EQ(captions(w.form1.PopupMenu1),
            (std::vector<std::string>{"この記事をブラウザで開く", "URLをコピー", "-", "URL"}));
  EXPECT_EQ(captions(w.form1.PopupMenu2), (std::vector<std::string>{"動作設定", "接続設定"}));
  EXPECT_EQ(w.form1.PageControl1->tabText(0).toStdString(), "ヘッドライン");
  EXPECT_EQ(w.form1.PageControl1->tabText(1).toStdString(), "ログ");
  EXPECT_EQ(w.form1.PageControl1->currentIndex(), 0);
}

TEST_F(MainWindow, TabReachesEveryToolbarButton) {
  w.form1.show();
  QApplication::setActiveWindow(&w.form1);
  w.form1.ListView1->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), w.form1.ListView1);
  std::set<QWidget*> reached;
  for (int i = 0; i < 20; ++i) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &tab);
    reached.insert(QApplication::focusWidget());
  }
  for (QToolButton* button : {w.form1.ToolButton3, w.form1.ToolButton5, w.form1.ToolButton8,
                              w.form1.ToolButton6, w.form1.ToolButton9, w.form1.ToolButton1}) {
    SCOPED_TRACE(button->toolTip().toStdString());
    EXPECT_TRUE(reached.count(button));
  }
}

TEST_F(MainWindow, RightPressSelectsTheRowUnderThePointerAndOpensItsMenu) {
  w.form1.show();
  AddRows();
  w.form1.ListView1->setCurrentItem(w.form1.ListView1->topLevelItem(0));

  test::SendMouse(Viewport(), QEvent::MouseButtonPress, RowCentre(1), Qt::RightButton);
  EXPECT_EQ(SelectedUrl(), "http://a.example/2?x=1&y=2");
  EXPECT_TRUE(w.form1.PopupMenu1->isVisible());
  // The last item shows the URL itself; its '&' is not taken as an access key.
  EXPECT_EQ(w.form1.URL4->text().toStdString(), "http://a.example/2?x=1&&y=2");
  w.form1.URL1->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "http://a.example/2?x=1&y=2");
  w.form1.PopupMenu1->hide();

  // Empty space below the rows: no menu, and the selection stays.
  test::SendMouse(Viewport(), QEvent::MouseButtonPress, EmptySpace(), Qt::RightButton);
  EXPECT_FALSE(w.form1.PopupMenu1->isVisible());
  EXPECT_EQ(SelectedUrl(), "http://a.example/2?x=1&y=2");

  // The menu opened over another row shows that row's URL.
  test::SendMouse(Viewport(), QEvent::MouseButtonPress, RowCentre(2), Qt::RightButton);
  EXPECT_EQ(w.form1.URL4->text().toStdString(), "http://c.example/3");
  w.form1.PopupMenu1->hide();
}

TEST_F(MainWindow, DoubleClickOpensTheSelectedArticleAlsoFromEmptySpace) {
  test::RecordingOpener opener;
  w.form1.show();
  AddRows();

  // Nothing selected: nothing opens.
  test::SendMouse(Viewport(), QEvent::MouseButtonDblClick, EmptySpace(), Qt::LeftButton);
  w.form1.N2->trigger();
  w.form1.URL1->trigger();
  EXPECT_TRUE(opener.opened.empty());

  w.form1.ListView1->setCurrentItem(w.form1.ListView1->topLevelItem(2));
  test::SendMouse(Viewport(), QEvent::MouseButtonDblClick, EmptySpace(), Qt::LeftButton);
  w.form1.N2->trigger();
  EXPECT_EQ(opener.opened, (std::vector<std::string>{"http://c.example/3", "http://c.example/3"}));
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(MainWindow, NetworkUnavailableLeavesTheListAsItWas) {
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
  w.form1.show();
  AddRows();
  w.form1.ToolButton3->click();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, "ネットワークに接続されていません");
  EXPECT_EQ(w.messages[0].caption, "エラー");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kExclamation);
  EXPECT_EQ(w.form1.ListView1->topLevelItemCount(), 3);
  EXPECT_TRUE(w.form1.ToolButton3->isEnabled());
  EXPECT_FALSE(w.form2.isVisible());
  EXPECT_EQ(asked, std::vector<std::string>{proxy});
}

// --- Geometry. ---------------------------------------------------------------

TEST_F(MainWindow, GeometryIsReadAtStartAndWrittenAtClose) {
  // Nothing stored: the built-in bounds, written back at close.
  w.form1.show();
  EXPECT_EQ(w.form1.pos(), QPoint(408, 156));
  EXPECT_EQ(w.form1.size(), QSize(505, 657));
  EXPECT_TRUE(w.form1.close());
  settings::Geometry stored = Stored();
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({408, 156, 505, 657}));
  EXPECT_FALSE(stored.maximized);

  // Stored bounds are applied unchanged at the next start, even off the screen.
  settings::WriteGeometry({-3000, 40, 600, 500, false});
  settings::WriteInteger("Main", "TimerInterval", 3);
  TForm1 again;
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

TEST_F(MainWindow, AMaximizedWindowStoresItsNormalBoundsAndComesBackMaximized) {
  settings::WriteGeometry({50, 60, 400, 300, false});
  w.form1.show();
  w.form1.showMaximized();
  ASSERT_TRUE(test::SpinUntil([&] { return w.form1.isMaximized(); }));
  EXPECT_TRUE(w.form1.close());
  const settings::Geometry stored = Stored();
  EXPECT_TRUE(stored.maximized);
  EXPECT_EQ(std::vector<int>({stored.left, stored.top, stored.width, stored.height}),
            std::vector<int>({50, 60, 400, 300}));

  TForm1 again;
  again.show();
  EXPECT_TRUE(again.isMaximized());
  EXPECT_EQ(again.normalGeometry().size(), QSize(400, 300));
  EXPECT_TRUE(again.close());
}

TEST_F(MainWindow, AGeometryThatCannotBeWrittenIsReportedOnceAndTheWindowCloses) {
  w.form1.show();
  ASSERT_TRUE(w.form1.close());
  ASSERT_EQ(chmod(settings::SettingsFilePath().c_str(), 0444), 0);
  w.form1.show();
  EXPECT_TRUE(w.form1.close());
  EXPECT_FALSE(w.form1.isVisible());
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_NE(w.messages[0].text.find("に書き込めません"), std::string::npos) << w.messages[0].text;
  EXPECT_EQ(w.messages[0].text.back(), '.');
  EXPECT_EQ(w.messages[0].caption, "Quillet");
  EXPECT_EQ(w.messages[0].icon, MessageIcon::kStop);
}

TEST_F(MainWindow, AlwaysOnTopKeepsPositionAndSize) {
  w.form1.show();
  w.form1.move(120, 130);
  // Settings that a fresh showing would apply: the toggle must not read them.
  settings::WriteGeometry({1, 2, 300, 200, false});

  w.form1.ToolButton8->click();
  EXPECT_TRUE(w.form1.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(w.form1.isVisible());
  EXPECT_EQ(w.form1.pos(), QPoint(120, 130));
  EXPECT_EQ(w.form1.size(), QSize(505, 657));

  w.form1.ToolButton8->click();
  EXPECT_FALSE(w.form1.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(w.form1.pos(), QPoint(120, 130));
}

// --- The windows it opens. ---------------------------------------------------

TEST_F(MainWindow, EachLogSearchClickOpensAnotherWindow) {
  w.form1.show();
  w.form1.ToolButton9->click();
  w.form1.ToolButton9->click();
  // TForm5 has no meta-object of its own, so findChildren<TForm5*> would
  // match every widget.
  std::vector<TForm5*> windows;
  for (QWidget* child : w.form1.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (auto* search = dynamic_cast<TForm5*>(child)) windows.push_back(search);
  ASSERT_EQ(windows.size(), 2u);
  for (TForm5* window : windows) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
  }
  windows[0]->close();
  EXPECT_TRUE(windows[1]->isVisible());
  windows[1]->close();
}

TEST_F(MainWindow, SettingsMenuOpensTheSettingsDialogs) {
  w.form1.show();
  w.form1.N5->trigger();
  EXPECT_TRUE(w.form4.isVisible());
  EXPECT_TRUE(w.form4.isModal());
  EXPECT_EQ(w.form4.windowTitle().toStdString(), "動作設定");
  w.form4.Button1->click();
  EXPECT_FALSE(w.form4.isVisible());

  w.form1.N4->trigger();
  EXPECT_TRUE(w.form3.isVisible());
  EXPECT_EQ(w.form3.windowTitle().toStdString(), "接続設定");
  w.form3.Button2->click();
  EXPECT_FALSE(w.form3.isVisible());
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
