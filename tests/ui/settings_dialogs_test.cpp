// The two settings dialogs over a real settings file: each opening shows what
// the file holds, OK writes what the dialog shows and Cancel and the close box
// write nothing (Esc is pressed on a real display); and the controls with
// rules of their own.
#include <cstdlib>

#include "core/sites/catalogue.h"
#include "program_windows.h"

namespace quillet {
namespace {

using test::PressKey;

class SettingsDialogTest : public test::WindowsTest {
 protected:
  template <typename T = QPushButton>
  T* Control(const char* name) {
    return test::Find<T>(*dialog, name);
  }
  std::string Text(const char* edit) { return Control<QLineEdit>(edit)->text().toStdString(); }
  std::string Ini() { return test::ReadBytes(settings::SettingsFilePath()); }

  // OK writes what `State` shows. Then each other way of closing, after
  // `change`, writes nothing, and the next opening shows what OK wrote.
  void OkThenEveryOtherClosing(const std::function<std::string()>& State,
                               const std::function<void()>& change) {
    const std::string shown = State();
    Control("okButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    const std::string written = Ini();
    const std::function<void()> closings[] = {
        [&] { Control("cancelButton")->click(); },
        [&] { dialog->close(); },
    };
    for (const auto& close : closings) {
      dialog->show();
      EXPECT_EQ(State(), shown);
      change();
      close();
      EXPECT_FALSE(dialog->isVisible());
      EXPECT_EQ(Ini(), written);
    }
    EXPECT_TRUE(w.messages.empty());
  }

  QWidget* dialog = nullptr;  // set by each dialog's fixture
};

class BehaviourDialogTest : public SettingsDialogTest {
 protected:
  BehaviourDialogTest() {
    dialog = &w.behaviourDialog;
    // A folder of the test's own, so that browsers installed on the machine
    // stay out; the "..." buttons take the picked file from `nextFileName`.
    setenv("PATH", w.home.Path("bin").c_str(), 1);
    SetOpenFileHookForTesting([this](const QString&) { return nextFileName; });
  }
  ~BehaviourDialogTest() override {
    SetOpenFileHookForTesting(nullptr);
    setenv("PATH", savedPath.c_str(), 1);
  }

  // "1100 IE [ie path] [nn path] 120": tick boxes 1-4, the chosen browser,
  // the two paths and the number box's text.
  std::string State() {
    std::string s;
    for (const char* box : kChecks)
      s += Control<QCheckBox>(box)->isChecked() ? '1' : '0';
    s += Control<QRadioButton>("firstBrowserRadio")->isChecked() ? " IE" : " NN";
    return s + " [" + Text("firstBrowserEdit") + "] [" + Text("secondBrowserEdit") + "] " +
           Spin()->text().toStdString();
  }
  void SetState(const char* ticks, bool ie, const char* iePath, const char* nnPath, int minutes) {
    for (const char* box : kChecks)
      Control<QCheckBox>(box)->setChecked(*ticks++ == '1');
    Control<QRadioButton>(ie ? "firstBrowserRadio" : "secondBrowserRadio")->setChecked(true);
    for (const auto& [button, path] : {std::pair{"firstBrowserBrowseButton", iePath},
                                       std::pair{"secondBrowserBrowseButton", nnPath}}) {
      nextFileName = QString::fromUtf8(path);
      Control(button)->click();
    }
    Spin()->setValue(minutes);
  }
  QSpinBox* Spin() { return Control<QSpinBox>("intervalSpin"); }

  static constexpr const char* kChecks[] = {"noAddEmptyCheck", "saveLogCheck", "newOnlyCheck",
                                            "newWindowOnlyCheck"};
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  QString nextFileName;
};

TEST_F(BehaviourDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  w.Main<QAction>("behaviourAction")->trigger();  // from the settings menu
  EXPECT_EQ(State(), "1100 IE [] [] 120");        // nothing stored, no browser on PATH
  w.behaviourDialog.hide();
  // The number box pulls a stored interval into its range.
  test::WriteBytes(settings::SettingsFilePath(),
                   "[Main]\r\nIESelect=0\r\nIEPath=/" + Utf8ToCp932("ブラウザ") +
                       "\r\nNNPath=/opt/nn\r\nTimerInterval=9000\r\n");
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "1100 NN [/ブラウザ] [/opt/nn] 6000");
  // Two rounds, so that every tick box differs from every other in one.
  SetState("0011", true, "/a", "/b", 1);
  Control("okButton")->click();
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 60'000);
  w.behaviourDialog.show();
  EXPECT_EQ(State(), "0011 IE [/a] [/b] 1");
  SetState("0101", false, "/opt/ブラウザ", "/usr/bin/nn", 45);
  OkThenEveryOtherClosing([this] { return State(); },
                          [this] { SetState("1010", true, "/x", "", 99); });
  // The patrol timer takes the interval of OK alone.
  EXPECT_EQ(w.mainWindow.PatrolIntervalMs(), 45 * 60'000);
}

class ConnectionDialogTest : public SettingsDialogTest {
 protected:
  ConnectionDialogTest() { dialog = &w.connectionDialog; }

  // "5 64 | fields | line | line": the unticked categories, the three
  // fields and the proxy list, with tabs between the parts of an entry.
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
};

TEST_F(ConnectionDialogTest, OpeningShowsTheStoredSettingsAndOkAloneWritesWhatItShows) {
  test::WriteBytes(
      settings::SettingsFilePath(),
      "[CheckRoute]\r\n5=0\r\n64=0\r\n[HTTP]\r\nProxy=10.0.0.1:8080\r\nProxyUserName=" +
          Utf8ToCp932("利用者") +
          "\r\nProxyCount=2\r\nProxyList0=a:1\r\nProxyListUserName0=u\r\n"
          "ProxyListPassword0=p\r\nProxyList1=b:2\r\nProxyList2=stale\r\n");
  w.Main<QAction>("connectionAction")->trigger();  // from the settings menu
  EXPECT_EQ(Control<QListWidget>("categoryList")->count(), kCategoryCount);
  EXPECT_EQ(Control<QListWidget>("categoryList")->item(10)->text(),
            QString::fromUtf8("アサヒ・コム (最新５ニュース)"));
  EXPECT_EQ(State(), "5 64 | 10.0.0.1:8080\t利用者\t | a:1\tu\tp | b:2\t\t");
  EXPECT_TRUE(Lines()->selectedItems().isEmpty());
  Tick(0, false);
  Tick(5, true);
  SetFields("proxy:3128", "ユーザー", " pw ");
  PressKey(Control("addButton"), Qt::Key_Return);  // Enter presses the focused button
  EXPECT_EQ(State(),
            "0 64 | proxy:3128\tユーザー\t pw  | a:1\tu\tp | b:2\t\t | proxy:3128\tユーザー\t pw ");
  OkThenEveryOtherClosing([this] { return State(); },
                          [this] {
                            Tick(3, false);
                            SetFields("changed:9", "u", "p");
                            Control("addButton")->click();
                          });
}

TEST_F(ConnectionDialogTest, ThePasswordIsMaskedUntilTheEyeIsPressedAndAgainAtEachOpening) {
  for (const bool pressed : {true, false}) {
    w.connectionDialog.show();
    EXPECT_EQ(Control<QLineEdit>("passwordEdit")->echoMode(), QLineEdit::Password);
    if (pressed) Control<QAction>("showPassword")->trigger();
    EXPECT_EQ(Control<QLineEdit>("passwordEdit")->echoMode(),
              pressed ? QLineEdit::Normal : QLineEdit::Password);
    Control("cancelButton")->click();
  }
}

TEST_F(ConnectionDialogTest, ProxyListButtons) {
  w.connectionDialog.show();
  SetFields("f1", "f2", "f3");
  for (const char* button : {"copyButton", "replaceButton", "deleteButton"})
    Control<QAbstractButton>(button)->click();  // no line selected: nothing happens
  EXPECT_EQ(State(), "| f1\tf2\tf3");
  SetFields("h:1", "u", "p\tq");
  Control("addButton")->click();  // 追加, duplicates too
  Control("addButton")->click();
  Lines()->setCurrentRow(0);
  SetFields("", "", "");
  Control("copyButton")->click();  // 複写: after the second tab, the password
  EXPECT_EQ(State(), "| h:1\tu\tp\tq | h:1\tu\tp\tq | h:1\tu\tp\tq");
  SetFields("r:2", "", "x");
  Lines()->setCurrentRow(1);
  Control("replaceButton")->click();  // 置換 in place
  Lines()->setCurrentRow(0);
  Control<QToolButton>("deleteButton")->click();  // 削除 leaves no line selected
  EXPECT_TRUE(Lines()->selectedItems().isEmpty());
  Control<QToolButton>("deleteButton")->click();
  EXPECT_EQ(State(), "| r:2\t\tx | r:2\t\tx");
  EXPECT_EQ(Ini(), "");  // nothing before OK
}

}  // namespace
}  // namespace quillet
