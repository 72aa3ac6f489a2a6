// The two settings dialogs over a real settings file: each opening shows what
// the file holds, OK writes what the dialog shows and Cancel, Esc and the
// close box write nothing; and the controls with rules of their own.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <cctype>
#include <cstdlib>

#include "core/sites/catalogue.h"
#include "program_windows.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;  // UTF-8

// A key press as the window system delivers it: to the focused control.
void PressKey(QWidget* target, int key) {
  target->setFocus();
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

class SettingsDialogTest : public test::WindowsTest {
 protected:
  template <typename T>
  T* Control(const char* name) {
    return test::Find<T>(*dialog, name);
  }
  std::string Text(const char* edit) { return Control<QLineEdit>(edit)->text().toStdString(); }
  void SetText(const char* edit, const std::string& utf8) {
    Control<QLineEdit>(edit)->setText(QString::fromStdString(utf8));
  }
  std::string Ini() { return test::ReadBytes(settings::SettingsFilePath()); }

  // OK writes what `State` shows. Then each other way of closing, after
  // `change`, writes nothing, and the next opening shows what OK wrote.
  void OkThenEveryOtherClosing(const std::function<std::string()>& State,
                               const std::function<void()>& change, const char* editForEsc) {
    const std::string shown = State();
    Control<QPushButton>("okButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(w.messages.empty());
    const std::string written = Ini();
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"Cancel", [&] { Control<QPushButton>("cancelButton")->click(); }},
        {"Esc", [&] { PressKey(Control<QLineEdit>(editForEsc), Qt::Key_Escape); }},
        {"close box", [&] { dialog->close(); }},
    };
    for (const auto& [name, close] : closings) {
      SCOPED_TRACE(name);
      dialog->show();
      EXPECT_EQ(State(), shown);
      change();
      close();
      EXPECT_FALSE(dialog->isVisible());
      EXPECT_EQ(Ini(), written);
    }
  }

  QWidget* dialog = nullptr;  // set by the dialog's own fixture
};

// --- 動作設定. ----------------------------------------------------------------

class BehaviourDialogTest : public SettingsDialogTest {
 protected:
  BehaviourDialogTest() {
    dialog = &w.behaviourDialog;
    // A folder of the test's own, so that browsers installed on the machine stay out.
    setenv("PATH", w.home.Path("bin").c_str(), 1);
    SetOpenFileHookForTesting([this](const QString& filters) {
      offeredFilters.push_back(filters.toStdString());
      return nextFileName;
    });
    w.behaviourDialog.OnIntervalConfirmed = [this](int minutes) { confirmed.push_back(minutes); };
  }
  ~BehaviourDialogTest() override {
    SetOpenFileHookForTesting(nullptr);
    setenv("PATH", savedPath_.c_str(), 1);
  }

  // "1100 IE [ie path] [nn path] 120": tick boxes 1-4, the chosen browser,
  // the two paths and the number box's text.
  std::string State() {
    std::string s;
    for (const char* box : kChecks)
      s += Control<QCheckBox>(box)->isChecked() ? '1' : '0';
    const bool ie = Control<QRadioButton>("firstBrowserRadio")->isChecked();
    s += ie == Control<QRadioButton>("secondBrowserRadio")->isChecked() ? " ??"
         : ie                                                           ? " IE"
                                                                        : " NN";
    return s + " [" + Text("firstBrowserEdit") + "] [" + Text("secondBrowserEdit") + "] " +
           Spin()->text().toStdString();
  }
  void SetState(const char* ticks, bool ie, const char* iePath, const char* nnPath, int minutes) {
    for (const char* box : kChecks)
      Control<QCheckBox>(box)->setChecked(*ticks++ == '1');
    Control<QRadioButton>(ie ? "firstBrowserRadio" : "secondBrowserRadio")->setChecked(true);
    SetText("firstBrowserEdit", iePath);
    SetText("secondBrowserEdit", nnPath);
    Spin()->setValue(minutes);
  }
  QSpinBox* Spin() { return Control<QSpinBox>("intervalSpin"); }

  static constexpr const char* kChecks[] = {"noAddEmptyCheck", "saveLogCheck", "newOnlyCheck",
                                            "newWindowOnlyCheck"};
  const std::string savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
  Texts offeredFilters;
  QString nextFileName;
  std::vector<int> confirmed;  // OnIntervalConfirmed calls
};

TEST_F(BehaviourDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 IE [] [] 120");  // nothing stored
  w.behaviourDialog.hide();
  // The number box pulls a stored interval into its range.
  test::WriteBytes(settings::SettingsFilePath(),
                   "[Main]\r\nIESelect=0\r\nIEPath=/" + Utf8ToCp932("ブラウザ") +
                       "\r\nNNPath=/opt/nn\r\nTimerInterval=9000\r\n");
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 NN [/ブラウザ] [/opt/nn] 6000");
  // Two rounds, so that every tick box differs from every other in one.
  SetState("0011", true, "/a", "/b", 1);
  Control<QPushButton>("okButton")->click();
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "0011 IE [/a] [/b] 1");
  SetState("0101", false, "/opt/ブラウザ", "/usr/bin/nn", 45);
  OkThenEveryOtherClosing([this] { return State(); },
                          [this] { SetState("1010", true, "/x", "/y", 99); }, "secondBrowserEdit");
  EXPECT_EQ(confirmed, (std::vector<int>{1, 45}));  // by OK alone
}

// Out of range goes to the nearest bound, anything else reads as 1, whether
// the focus leaves the box or OK or Enter takes the typed text.
TEST_F(BehaviourDialogTest, TypedIntervalSettlesOnLeavingOkOrEnter) {
  const std::pair<std::string, int> cases[] = {
      {"250", 250}, {"0", 1},  {"7000", 6000}, {"abc", 1},
      {"", 1},      {"-3", 1}, {"0042", 42},   {"99999999999999", 6000}};
  const std::pair<std::string, std::function<void()>> settlings[] = {
      {"focus out",
       [this] {
         QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
         QApplication::sendEvent(Spin(), &out);
       }},
      {"OK", [this] { Control<QPushButton>("okButton")->click(); }},
      {"Enter", [this] { PressKey(Spin(), Qt::Key_Return); }},
  };
  for (const auto& [typed, settled] : cases) {
    for (const auto& [how, settle] : settlings) {
      SCOPED_TRACE(typed + " then " + how);
      confirmed.clear();
      w.behaviourDialog.show();
      // Typed key by key, as a person would.
      Spin()->selectAll();
      PressKey(Spin(), Qt::Key_Backspace);
      for (char c : typed) {
        QKeyEvent press(QEvent::KeyPress, std::toupper(c), Qt::NoModifier,
                        QString(QChar::fromLatin1(c)));
        QApplication::sendEvent(Spin(), &press);
      }
      ASSERT_EQ(Spin()->text().toStdString(), typed);
      settle();
      EXPECT_EQ(Spin()->value(), settled);
      EXPECT_EQ(Spin()->text().toStdString(), std::to_string(settled));
      // OK and Enter also close the dialog and confirm the interval.
      EXPECT_EQ(w.behaviourDialog.isVisible(), how == "focus out");
      EXPECT_EQ(confirmed, how == "focus out" ? std::vector<int>{} : std::vector<int>{settled});
    }
  }
}

// An empty path field gets the browser found on PATH, a "..." button the
// picked file; either is stored only on OK. A stored path is not looked up.
TEST_F(BehaviourDialogTest, PathFieldsComeFromTheStoredPathThePathLookupOrThePicker) {
  const std::string bin = w.home.Path("bin");
  for (const char* name : {"firefox-esr", "chromium"}) {
    test::WriteBytes(bin + "/" + name, "#!/bin/sh\n");
    ASSERT_EQ(chmod((bin + "/" + name).c_str(), 0755), 0);
  }
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 IE [" + bin + "/firefox-esr] [" + bin + "/chromium] 120");
  nextFileName = QString::fromUtf8("/opt/ブラウザ/iexplore.exe");
  Control<QPushButton>("firstBrowserBrowseButton")->click();
  nextFileName = QStringLiteral("/opt/netscape.exe");
  Control<QPushButton>("secondBrowserBrowseButton")->click();
  nextFileName.clear();  // cancelled
  Control<QPushButton>("firstBrowserBrowseButton")->click();
  Control<QPushButton>("secondBrowserBrowseButton")->click();
  EXPECT_EQ(State(), "1100 IE [/opt/ブラウザ/iexplore.exe] [/opt/netscape.exe] 120");
  const std::string ie = "Internet Explorer(iexplore.exe);;すべてのファイル (*)";
  const std::string nn = "Netscape Navigater(netscape.exe);;すべてのファイル (*)";
  EXPECT_EQ(offeredFilters, (Texts{ie, nn, ie, nn}));
  Control<QPushButton>("cancelButton")->click();
  EXPECT_EQ(Ini(), "");

  test::WriteBytes(settings::SettingsFilePath(), "[Main]\r\nIEPath=C:\\ie.exe\r\n");
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 IE [C:\\ie.exe] [" + bin + "/chromium] 120");
  Control<QPushButton>("okButton")->click();
  EXPECT_NE(Ini().find("NNPath=" + bin + "/chromium\r\n"), std::string::npos) << Ini();
}

TEST_F(BehaviourDialogTest, AWriteErrorIsShownAndLeavesTheTimer) {
  const std::string stored = "[Main]\r\nTimerInterval=30\r\n";
  test::WriteBytes(settings::SettingsFilePath(), stored);
  ASSERT_EQ(chmod(settings::SettingsFilePath().c_str(), 0444), 0);
  w.behaviourDialog.show();
  Spin()->setValue(10);
  Control<QPushButton>("okButton")->click();  // must not throw out of the handler
  EXPECT_FALSE(w.behaviourDialog.isVisible());
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].text, settings::SettingsFilePath() + " に書き込めません.");
  EXPECT_EQ(confirmed, std::vector<int>{});
  EXPECT_EQ(Ini(), stored);
}

// --- 接続設定. ----------------------------------------------------------------

class ConnectionDialogTest : public SettingsDialogTest {
 protected:
  ConnectionDialogTest() { dialog = &w.connectionDialog; }

  Texts Lines() {
    Texts lines;
    auto* list = Control<QListWidget>("proxyList");
    for (int i = 0; i < list->count(); ++i)
      lines.push_back(list->item(i)->text().toStdString());
    return lines;
  }
  // The three fields in the form of a proxy-list line.
  std::string Fields() {
    return Text("proxyEdit") + "\t" + Text("userNameEdit") + "\t" + Text("passwordEdit");
  }
  void SetFields(const std::string& address, const std::string& user, const std::string& password) {
    SetText("proxyEdit", address);
    SetText("userNameEdit", user);
    SetText("passwordEdit", password);
  }
  // "5 64 | fields | line | line": the unticked categories, the fields and
  // the proxy list.
  std::string State() {
    std::string s;
    auto* categories = Control<QListWidget>("categoryList");
    for (int i = 0; i < categories->count(); ++i)
      if (categories->item(i)->checkState() != Qt::Checked) s += std::to_string(i) + " ";
    s += "| " + Fields();
    for (const std::string& line : Lines())
      s += " | " + line;
    return s;
  }
  void Tick(int category, bool on) {
    Control<QListWidget>("categoryList")
        ->item(category)
        ->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  void Delete(int line) {
    Control<QListWidget>("proxyList")->setCurrentRow(line);
    Control<QToolButton>("deleteButton")->click();
  }
};

TEST_F(ConnectionDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  test::WriteBytes(
      settings::SettingsFilePath(),
      "[CheckRoute]\r\n5=0\r\n64=0\r\n[HTTP]\r\nProxy=10.0.0.1:8080\r\nProxyUserName=" +
          Utf8ToCp932("利用者") +
          "\r\nProxyCount=2\r\nProxyList0=a:1\r\nProxyListUserName0=u\r\n"
          "ProxyListPassword0=p\r\nProxyList1=b:2\r\nProxyList2=stale\r\n");
  w.connectionDialog.show();
  EXPECT_EQ(Control<QListWidget>("categoryList")->count(), kCategoryCount);
  EXPECT_EQ(State(), "5 64 | 10.0.0.1:8080\t利用者\t | a:1\tu\tp | b:2\t\t");
  EXPECT_TRUE(Control<QListWidget>("proxyList")->selectedItems().isEmpty());

  Tick(0, false);
  Tick(5, true);
  // Enter presses the focused button.
  SetFields("proxy:3128", "ユーザー", " pw ");
  PressKey(Control<QPushButton>("addButton"), Qt::Key_Return);
  EXPECT_TRUE(w.connectionDialog.isVisible());
  EXPECT_EQ(State(),
            "0 64 | proxy:3128\tユーザー\t pw  | a:1\tu\tp | b:2\t\t | proxy:3128\tユーザー\t pw ");
  OkThenEveryOtherClosing([this] { return State(); },
                          [this] {
                            Tick(3, false);
                            SetFields("changed:9", "u", "p");
                            Control<QPushButton>("addButton")->click();
                            Delete(0);
                          },
                          "proxyEdit");
}

TEST_F(ConnectionDialogTest, ThePasswordIsMaskedUntilTheEyeIsPressedAndAgainAtEachOpening) {
  w.connectionDialog.show();
  auto* eye = Control<QAction>("showPassword");
  auto* password = Control<QLineEdit>("passwordEdit");
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  eye->trigger();
  EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
  Control<QPushButton>("cancelButton")->click();
  w.connectionDialog.show();
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(eye->isChecked());
}

TEST_F(ConnectionDialogTest, ProxyListButtons) {
  w.connectionDialog.show();
  SetFields("f1", "f2", "f3");
  for (const char* button : {"copyButton", "replaceButton", "deleteButton"}) {
    Control<QAbstractButton>(button)->click();  // no line selected: nothing happens
    EXPECT_EQ(Lines(), Texts{}) << button;
    EXPECT_EQ(Fields(), "f1\tf2\tf3") << button;
  }
  SetFields("h:1", "u", "p\tq");
  Control<QPushButton>("addButton")->click();  // 追加, duplicates too
  Control<QPushButton>("addButton")->click();
  Control<QListWidget>("proxyList")->setCurrentRow(0);
  SetFields("", "", "");
  Control<QPushButton>("copyButton")->click();  // 複写: after the second tab, the password
  EXPECT_EQ(Fields(), "h:1\tu\tp\tq");
  SetFields("r:2", "", "x");
  Control<QListWidget>("proxyList")->setCurrentRow(1);
  Control<QPushButton>("replaceButton")->click();  // 置換 in place
  EXPECT_EQ(Lines(), (Texts{"h:1\tu\tp\tq", "r:2\t\tx"}));
  Delete(0);  // 削除 leaves no line selected
  EXPECT_TRUE(Control<QListWidget>("proxyList")->selectedItems().isEmpty());
  Control<QToolButton>("deleteButton")->click();
  EXPECT_EQ(Lines(), (Texts{"r:2\t\tx"}));
  EXPECT_EQ(Ini(), "");  // nothing before OK
}

}  // namespace
}  // namespace quillet
