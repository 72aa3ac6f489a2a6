// The settings dialogs over a real settings file, and the controls with rules of their own.

#include <cstdlib>

#include "core/feeds/feed_state.h"
#include "core/feeds/opml.h"
#include "core/sys/autostart.h"
#include "program_windows.h"

namespace quillet {
namespace {

class SettingsDialogTest : public test::WindowsTest {
 protected:
  template <typename T = QPushButton>
  T* Control(const char* name) {
    return test::Find<T>(*dialog, name);
  }
  std::string Text(const char* edit) { return Control<QLineEdit>(edit)->text().toStdString(); }
  std::string Ini() { return test::ReadBytes(settings::SettingsFilePath()); }

  // OK writes what `State` shows; Cancel or the close box after `change` write nothing.
  void OkThenEveryOtherClosing(const std::function<std::string()>& State,
                               const std::function<void()>& change) {
    const std::string shown = State();
    const size_t boxes = w.messages.size();
    Control("okButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    const std::string written = Ini();
    for (const bool closeBox : {false, true}) {
      dialog->show();
      EXPECT_EQ(State(), shown);
      change();
      closeBox ? void(dialog->close()) : Control("cancelButton")->click();
      EXPECT_FALSE(dialog->isVisible());
      EXPECT_EQ(Ini(), written);
    }
    EXPECT_EQ(w.messages.size(), boxes);
  }

  QWidget* dialog = nullptr;  // set by each dialog's fixture
};

class BehaviourDialogTest : public SettingsDialogTest {
 protected:
  BehaviourDialogTest() {
    dialog = &w.behaviourDialog;
    // No browser of the machine's; the "..." buttons pick `nextFileName`.
    setenv("PATH", w.home.Path("bin").c_str(), 1);
    SetFileDialogHookForTesting([this](const QString&) { return nextFileName; });
  }
  ~BehaviourDialogTest() override {
    SetFileDialogHookForTesting(nullptr);
    setenv("PATH", savedPath.c_str(), 1);
  }

  // "1100 IE [ie path] [nn path] 120": tick boxes, browser, paths, interval.
  std::string State() {
    std::string s;
    for (const char* box : kChecks)
      s += Control<QCheckBox>(box)->isChecked() ? '1' : '0';
    s += Control<QRadioButton>("firstBrowserRadio")->isChecked() ? " IE" : " NN";
    return s + " [" + Text("firstBrowserEdit") + "] [" + Text("secondBrowserEdit") + "] " +
           Control<QSpinBox>("intervalSpin")->text().toStdString();
  }
  void SetState(const char* ticks, bool ie, const char* iePath, const char* nnPath, int minutes) {
    for (const char* box : kChecks)
      Control<QCheckBox>(box)->setChecked(*ticks++ == '1');
    Control<QRadioButton>(ie ? "firstBrowserRadio" : "secondBrowserRadio")->setChecked(true);
    for (const auto& [button, path] : {std::pair{"firstBrowserBrowseButton", iePath},
                                       std::pair{"secondBrowserBrowseButton", nnPath}}) {
      nextFileName = QString::fromUtf8(path);
      Control<QToolButton>(button)->click();
    }
    Control<QSpinBox>("intervalSpin")->setValue(minutes);
  }

  // "首相 | abc | notifyNewRadio": the watch list, the notification choice.
  std::string Watch() {
    std::string s;
    for (const std::string& keyword : test::Column(*Watched(), 0))
      s += keyword + " | ";
    for (const char* radio : {"notifyNewRadio", "notifyWatchRadio", "notifyNeverRadio"})
      if (Control<QRadioButton>(radio)->isChecked()) s += radio;
    return s;
  }
  QListWidget* Watched() { return Control<QListWidget>("watchList"); }
  void AddWatch(const char* keyword) {
    Control<QLineEdit>("watchKeywordEdit")->setText(QString::fromUtf8(keyword));
    Control("watchAddButton")->click();
  }
  // Row `row` edited in place: F2, `keyword`, Enter; taken once the editor closed.
  void EditWatch(int row, const char* keyword) {
    test::SelectRow(*Watched(), row);
    test::PressKey(Watched(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(Watched()->indexWidget(Watched()->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QString::fromUtf8(keyword));
    test::PressKey(editor, Qt::Key_Return);
    EXPECT_TRUE(
        test::SpinUntil([&] { return !Watched()->indexWidget(Watched()->currentIndex()); }));
    QCoreApplication::processEvents();  // a refusal's message
  }

  static constexpr const char* kChecks[] = {"noAddEmptyCheck", "saveLogCheck", "newOnlyCheck",
                                            "newWindowOnlyCheck"};
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  QString nextFileName;
};

TEST_F(BehaviourDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  setenv("XDG_CONFIG_HOME", w.home.Path("config").c_str(), 1);
  // The settings button's first press opens its menu; the item opens the dialog.
  QTimer::singleShot(0, [this] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    test::Find<QAction>(*menu, "behaviourAction")->trigger();
    menu->close();
  });
  w.Main("settingsButton")->click();
  EXPECT_EQ(State(), "1100 IE [] [] 120");  // nothing stored, no browser on PATH
  w.behaviourDialog.hide();
  // The number box pulls a stored interval into its range.
  test::WriteBytes(settings::SettingsFilePath(),
                   "[Main]\r\nIESelect=0\r\nIEPath=/" + Utf8ToCp932("ブラウザ") +
                       "\r\nNNPath=/opt/nn\r\nTimerInterval=9000\r\n");
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 NN [/ブラウザ] [/opt/nn] 6000");
  SetState("0101", false, "/opt/ブラウザ", "/usr/bin/nn", 45);
  OkThenEveryOtherClosing([this] { return State(); },
                          [this] { SetState("1010", true, "/x", "", 99); });
  // The patrol timer takes the interval of OK alone.
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 45 * 60'000);
  // ログイン時に起動する writes the session's autostart entry on OK, and removes it.
  auto& box = *Control<QCheckBox>("autostartCheck");
  const std::string home = "QUILLET_HOME=" + w.home.Dir().substr(0, w.home.Dir().size() - 1) + " ";
  for (const auto& [button, on] : {std::pair{"cancelButton", false}, std::pair{"okButton", true},
                                   std::pair{"okButton", false}}) {
    w.behaviourDialog.show();
    EXPECT_EQ(box.isChecked(), AutostartEnabled());  // the entry as it is
    box.setChecked(!box.isChecked());
    Control(button)->click();
    EXPECT_EQ(AutostartEnabled(), on);
    EXPECT_EQ(test::ReadBytes(AutostartFilePath()).find(home) != std::string::npos, on);
  }
  saved ? setenv("XDG_CONFIG_HOME", saved, 1) : unsetenv("XDG_CONFIG_HOME");
}

class ConnectionDialogTest : public SettingsDialogTest {
 protected:
  ConnectionDialogTest() { dialog = &w.connectionDialog; }
  ~ConnectionDialogTest() override { SetFileDialogHookForTesting(nullptr); }

  // "5 64 | fields | line | line": unticked categories, proxy fields and list.
  std::string State() {
    std::string s;
    auto* categories = Control<QListWidget>("categoryList");
    for (int i = 0; i < categories->count(); ++i)
      if (categories->item(i)->checkState() != Qt::Checked) s += std::to_string(i) + " ";
    s += "| " + Text("proxyEdit") + "\t" + Text("userNameEdit") + "\t" + Text("passwordEdit");
    for (int i = 0; i < Lines()->count(); ++i)
      s += " | " + Lines()->item(i)->text().toStdString();
    return s;
  }
  void SetFields(const char* address, const char* user, const char* password) {
    Control<QLineEdit>("proxyEdit")->setText(QString::fromUtf8(address));
    Control<QLineEdit>("userNameEdit")->setText(QString::fromUtf8(user));
    Control<QLineEdit>("passwordEdit")->setText(QString::fromUtf8(password));
  }
  void Tick(int category, bool on) {
    Control<QListWidget>("categoryList")
        ->item(category)
        ->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  QListWidget* Lines() { return Control<QListWidget>("proxyList"); }

  QTreeWidget& Feeds() { return *Control<QTreeWidget>("feedList"); }
  // "+name url " per row of the feed list, '-' when not ticked.
  std::string FeedRows() {
    std::string s;
    for (int n = 0; n < Feeds().topLevelItemCount(); ++n) {
      const QTreeWidgetItem& row = *Feeds().topLevelItem(n);
      s += (row.checkState(0) == Qt::Checked ? "+" : "-") +
           (row.text(0) + QLatin1Char(' ') + row.text(1) + QLatin1Char(' ')).toStdString();
    }
    return s;
  }
  void ClickOn(int row, const char* button) {
    Feeds().setCurrentItem(Feeds().topLevelItem(row));
    Control(button)->click();
  }
  // The feed editor's fields set and its OK pressed; true when it closed.
  bool Enter(const char* name, const char* url) {
    auto& editor = *Control<QWidget>("feedEditDialog");
    EXPECT_TRUE(editor.isVisible());
    test::Find<QLineEdit>(editor, "feedNameEdit")->setText(QString::fromUtf8(name));
    test::Find<QLineEdit>(editor, "feedUrlEdit")->setText(QString::fromUtf8(url));
    test::Find<QPushButton>(editor, "feedOkButton")->click();
    return !editor.isVisible();
  }
};

// The feeds keep their ids through edits and moves.
TEST_F(ConnectionDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  test::WriteBytes(
      settings::SettingsFilePath(),
      "[CheckRoute]\r\n5=0\r\n64=0\r\n[HTTP]\r\nProxy=10.0.0.1:8080\r\nProxyUserName=" +
          Utf8ToCp932("利用者") +
          "\r\nProxyCount=2\r\nProxyList0=a:1\r\nProxyListUserName0=u\r\n"
          "ProxyListPassword0=p\tq\r\nProxyList1=b:2\r\nProxyList2=stale\r\n"
          "[Feeds]\r\nCount=1\r\nNextId=5\r\nId0=4\r\nName0=old\r\n"
          "Url0=http://127.0.0.1/old\r\nEnabled0=0\r\nAtOnce=3\r\n");
  ForceDirectories(DirectoryOf(FeedStateFilePath()));
  test::WriteBytes(FeedStateFilePath(),
                   "QuilletFeedState 1\r\nfeed\t4\tresult\tfailed\t"
                   "1000000000\tHTTP 503\r\nfeed\t5\tfailures\t2\r\n");
  w.Main<QAction>("connectionAction")->trigger();  // from the settings menu
  Control("copyButton")->click();  // no line selected at the opening: nothing happens
  Control("replaceButton")->click();
  EXPECT_EQ(State(), "5 64 | 10.0.0.1:8080\t利用者\t | a:1\tu\tp\tq | b:2\t\t");
  auto& password = *Control<QLineEdit>("passwordEdit");
  EXPECT_EQ(password.echoMode(), QLineEdit::Password);  // until the eye is pressed
  Control<QAction>("showPassword")->trigger();
  EXPECT_EQ(password.echoMode(), QLineEdit::Normal);
  // 複写 fills the fields from a line (the password: all after the second tab), 置換 puts
  // them in the selected line's place; 削除 leaves none selected for a second press.
  Lines()->setCurrentRow(0);
  Control("copyButton")->click();
  Lines()->setCurrentRow(1);
  Control("replaceButton")->click();
  Lines()->setCurrentRow(0);
  Control<QToolButton>("deleteButton")->click();
  Control<QToolButton>("deleteButton")->click();
  EXPECT_EQ(State(), "5 64 | a:1\tu\tp\tq | a:1\tu\tp\tq");
  Tick(0, false);
  Tick(5, true);
  SetFields("proxy:3128", "ユーザー", " pw ");
  test::PressKey(Control("addButton"), Qt::Key_Return);  // Enter presses the focused button
  Control("addButton")->click();                         // duplicates too
  EXPECT_EQ(State(),
            "0 64 | proxy:3128\tユーザー\t pw  | a:1\tu\tp\tq | proxy:3128\tユーザー\t pw  | "
            "proxy:3128\tユーザー\t pw ");

  EXPECT_EQ(FeedRows(), "-old http://127.0.0.1/old ");
  Control("feedAddButton")->click();
  EXPECT_FALSE(Enter("ニュース", "ftp://127.0.0.1/x"));
  EXPECT_FALSE(Enter(" ", "http://127.0.0.1/x"));
  EXPECT_FALSE(Enter("again", "HTTP://127.0.0.1/old"));  // another feed's URL
  ASSERT_EQ(w.messages.size(), 3u);
  EXPECT_EQ(w.messages[0].text, "URL は http:// か https:// で始めてください");
  EXPECT_EQ(w.messages[1].text, "フィード名が空です");
  EXPECT_EQ(w.messages[2].text, "この URL のフィードは既にあります (「old」)");
  EXPECT_TRUE(Enter(" ニュース ", " https://127.0.0.1/n.xml "));
  Control("feedAddButton")->click();
  EXPECT_TRUE(Enter("third", "http://127.0.0.1/3"));
  ClickOn(0, "feedEditButton");
  EXPECT_EQ(Text("feedNameEdit"), "old");
  EXPECT_FALSE(Enter("old", "https://127.0.0.1/n.xml"));
  EXPECT_TRUE(Enter("renamed", "http://127.0.0.1/old"));  // its own URL
  ClickOn(2, "feedUpButton");
  Control("feedUpButton")->click();
  Control("feedUpButton")->click();  // at the top already
  ClickOn(2, "feedDownButton");      // at the bottom already
  EXPECT_EQ(
      FeedRows(),
      "+third http://127.0.0.1/3 -renamed http://127.0.0.1/old +ニュース https://127.0.0.1/n.xml ");
  // The state file's result of the stored feed; none of the added ones, whatever its ids.
  const test::Texts states = test::Column(Feeds(), 2);
  ASSERT_EQ(states.size(), 3u);
  EXPECT_EQ(states[0] + "|" + states[2], "未取得|未取得");
  EXPECT_TRUE(states[1].ends_with(" に失敗: HTTP 503")) << states[1];
  auto& atOnce = *Control<QSpinBox>("feedsAtOnceSpin");
  EXPECT_EQ(atOnce.value(), 3);
  atOnce.setValue(11);  // beyond what it offers
  ClickOn(0, "feedDeleteButton");
  OkThenEveryOtherClosing(
      [&] { return State() + " # " + FeedRows() + atOnce.text().toStdString(); },
      [&] {
        Tick(3, false);
        SetFields("changed:9", "u", "p");
        Control("addButton")->click();
        ClickOn(0, "feedDeleteButton");
        atOnce.setValue(1);
      });
  EXPECT_EQ(settings::ReadSettings().connection.feedsAtOnce, 10);
  EXPECT_EQ(
      settings::ReadSettings().feeds.feeds,
      (std::vector<settings::FeedSource>{{4, "renamed", "http://127.0.0.1/old", false},
                                         {5, CP932("ニュース"), "https://127.0.0.1/n.xml", true}}));
  // OK merges its edits into what another writer left since the opening.
  w.connectionDialog.show();
  EXPECT_EQ(password.echoMode(), QLineEdit::Password);  // again at each opening
  Control("feedAddButton")->click();
  EXPECT_TRUE(Enter("d", "http://127.0.0.1:9/d"));
  test::PutFeeds({{0, "t", "http://127.0.0.1:9/t", true}});
  Control("okButton")->click();
  const std::vector<settings::FeedSource> merged = settings::ReadSettings().feeds.feeds;
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].name + merged[1].name, "dt");
}

// 読み込み... adds an OPML file's new feeds to the list, for OK to store; a
// malformed file changes nothing. 書き出し... writes the list as it stands.
TEST_F(ConnectionDialogTest, FeedsComeFromAndGoToOpmlFiles) {
  test::PutFeeds({{0, "old", "http://127.0.0.1/old", false}});
  std::string picked;
  SetFileDialogHookForTesting([&](const QString&) { return QString::fromStdString(picked); });
  // A state file that cannot be read is named; the list is shown without states.
  ForceDirectories(FeedStateFilePath());
  w.connectionDialog.show();
  EXPECT_EQ(test::Column(Feeds(), 2), test::Texts{""});
  EXPECT_EQ(Control<QLabel>("feedStateProblem")->text().toStdString(),
            "ファイル " + FeedStateFilePath() + " は開けません");
  const std::string before = Ini();
  test::WriteBytes(w.home.Path("bad.opml"), "<opml>\n<body>");
  test::WriteBytes(w.home.Path("in.opml"),
                   "<opml><body><outline text='new' xmlUrl='http://127.0.0.1/new'/>"
                   "<outline text='again' xmlUrl='HTTP://127.0.0.1/old'/></body></opml>");
  for (const std::string& file : {w.home.Path("bad.opml"), w.home.Path("in.opml"), std::string()}) {
    picked = file;  // the last: cancelled
    Control("feedImportButton")->click();
  }
  EXPECT_EQ(FeedRows(), "-old http://127.0.0.1/old +new http://127.0.0.1/new ");
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[0].text,
            "OPML ファイルが正しくありません (2 行目、7 桁目): Premature end of data in tag body "
            "line 2.");
  EXPECT_EQ(w.messages[1].text, "1 件のフィードを追加しました (1 件は登録済みのため飛ばしました)");
  EXPECT_EQ(w.messages[1].icon, MessageIcon::kInformation);
  EXPECT_EQ(Ini(), before);
  picked = w.home.Path("out.opml");
  Control("feedExportButton")->click();
  EXPECT_EQ(ReadOpmlFile(picked), (std::vector<OpmlFeed>{{"old", "http://127.0.0.1/old"},
                                                         {"new", "http://127.0.0.1/new"}}));
  Control("okButton")->click();
  EXPECT_EQ(settings::ReadSettings().feeds.feeds,
            (std::vector<settings::FeedSource>{{1, "old", "http://127.0.0.1/old", false},
                                               {2, "new", "http://127.0.0.1/new", true}}));
}

TEST_F(BehaviourDialogTest, WatchListRefusesWhatCannotBeWatchedAndOkWritesItOnlyWhenChanged) {
  w.behaviourDialog.show();
  AddWatch("首相");
  Control<QLineEdit>("watchKeywordEdit")->setText(QStringLiteral("abc"));
  test::PressKey(Control<QLineEdit>("watchKeywordEdit"), Qt::Key_Return);  // adds, does not confirm
  EXPECT_TRUE(w.behaviourDialog.isVisible());
  EXPECT_EQ(Text("watchKeywordEdit"), "");
  EditWatch(0, "地震");
  // Refused with the reason: nothing changes, the field keeps the text.
  AddWatch("");
  AddWatch("ABC");  // matching folds the case: it would add nothing
  EXPECT_EQ(Text("watchKeywordEdit"), "ABC");
  EditWatch(1, "地震");
  EXPECT_EQ(Watch(), "地震 | abc | notifyNewRadio");
  test::Texts shown;
  for (const test::ShownMessage& message : w.messages)
    shown.push_back(message.caption + ": " + message.text);
  EXPECT_EQ(shown, (test::Texts{"動作設定: キーワードが空です",
                                "動作設定: 「ABC」は「abc」と同じです "
                                "(英字の大文字と小文字は区別しません)",
                                "動作設定: 「地震」は既にウォッチリストにあります"}));
  // 削除: the selected keyword, leaving none selected for a second press.
  test::SelectRow(*Watched(), 0);
  Control("watchRemoveButton")->click();
  Control("watchRemoveButton")->click();
  EXPECT_EQ(Watch(), "abc | notifyNewRadio");
  Control("cancelButton")->click();
  EXPECT_EQ(Ini(), "");

  w.behaviourDialog.show();
  Control("okButton")->click();
  const std::string behaviourOnly = Ini();  // the other keys alone
  // Kept as they stand when unchanged.
  const std::string stored = behaviourOnly +
                             "[watch]\r\nkeyword1=b\r\nKeyword0=" + Utf8ToCp932("首相") +
                             "\r\nNotify=1\r\n";
  test::WriteBytes(settings::SettingsFilePath(), stored);
  w.behaviourDialog.show();
  EXPECT_EQ(Watch(), "首相 | b | notifyWatchRadio");
  Control("okButton")->click();
  EXPECT_EQ(Ini(), stored);
  // OK merges its edits into what another writer left since the opening.
  test::PutWatchList({});
  w.behaviourDialog.show();
  AddWatch("d");
  Control<QRadioButton>("notifyNeverRadio")->click();
  Control<QCheckBox>("watchFoldWidthCheck")->click();
  test::PutWatchList({"t"});
  Control("okButton")->click();
  const settings::WatchSettings watch = settings::ReadSettings().watch;
  EXPECT_EQ(watch.keywords, (test::Texts{"d", "t"}));
  EXPECT_TRUE(watch.foldWidth && watch.notify == settings::Notify::kNever);
  EXPECT_EQ(w.messages.size(), 3u);
}

}  // namespace
}  // namespace quillet
