// The behaviour settings dialog over a real settings file, with stand-in
// programs on PATH for the browser lookup.
#include <sys/stat.h>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/text/text_codec.h"
#include "program_windows.h"
#include "support/temp_home.h"
#include "ui/behaviour_dialog.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;  // UTF-8

class BehaviourDialogTest : public testing::Test {
 protected:
  BehaviourDialogTest() {
    // A folder of the test's own, so that browsers installed on the machine stay out.
    setenv("PATH", home.Path("bin").c_str(), 1);
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back((icon == MessageIcon::kStop ? "[stop] " : "[other] ") +
                             Cp932ToUtf8(caption + ": " + text));
        });
    SetOpenFileHookForTesting([this](const QString& filters) {
      offeredFilters.push_back(filters.toStdString());
      return nextFileName;
    });
    form.OnIntervalConfirmed = [this](int minutes) { confirmed.push_back(minutes); };
  }
  ~BehaviourDialogTest() override {
    SetOpenFileHookForTesting(nullptr);
    SetMessageHookForTesting(nullptr);
    setenv("PATH", savedPath_.c_str(), 1);
  }

  std::string IniPath() const { return home.Path("quillet.ini"); }
  std::string Ini() const { return test::ReadBytes(IniPath()); }
  // "1100 IE [ie path] [nn path] 120": tick boxes 1-4, the chosen browser,
  // the two paths and the number box's text.
  std::string State() const {
    std::string s;
    for (const QCheckBox* box :
         {test::Find<QCheckBox>(form, "noAddEmptyCheck"),
          test::Find<QCheckBox>(form, "saveLogCheck"), test::Find<QCheckBox>(form, "newOnlyCheck"),
          test::Find<QCheckBox>(form, "newWindowOnlyCheck")})
      s += box->isChecked() ? '1' : '0';
    const bool ie = test::Find<QRadioButton>(form, "firstBrowserRadio")->isChecked();
    s += ie == test::Find<QRadioButton>(form, "secondBrowserRadio")->isChecked() ? " ??"
         : ie                                                                    ? " IE"
                                                                                 : " NN";
    return s + " [" + test::Find<QLineEdit>(form, "firstBrowserEdit")->text().toStdString() +
           "] [" + test::Find<QLineEdit>(form, "secondBrowserEdit")->text().toStdString() + "] " +
           test::Find<QSpinBox>(form, "intervalSpin")->text().toStdString();
  }
  void SetState(const char* ticks, bool ie, const char* iePath, const char* nnPath, int minutes) {
    for (QCheckBox* box :
         {test::Find<QCheckBox>(form, "noAddEmptyCheck"),
          test::Find<QCheckBox>(form, "saveLogCheck"), test::Find<QCheckBox>(form, "newOnlyCheck"),
          test::Find<QCheckBox>(form, "newWindowOnlyCheck")})
      box->setChecked(*ticks++ == '1');
    (ie ? test::Find<QRadioButton>(form, "firstBrowserRadio")
        : test::Find<QRadioButton>(form, "secondBrowserRadio"))
        ->setChecked(true);
    test::Find<QLineEdit>(form, "firstBrowserEdit")->setText(QString::fromUtf8(iePath));
    test::Find<QLineEdit>(form, "secondBrowserEdit")->setText(QString::fromUtf8(nnPath));
    test::Find<QSpinBox>(form, "intervalSpin")->setValue(minutes);
  }
  // Typing into the number box, key by key, as a person would.
  void Type(const std::string& keys) {
    test::Find<QSpinBox>(form, "intervalSpin")->selectAll();
    Press(test::Find<QSpinBox>(form, "intervalSpin"), Qt::Key_Backspace);
    for (char c : keys) {
      QKeyEvent press(QEvent::KeyPress, std::toupper(c), Qt::NoModifier,
                      QString(QChar::fromLatin1(c)));
      QApplication::sendEvent(test::Find<QSpinBox>(form, "intervalSpin"), &press);
    }
    ASSERT_EQ(test::Find<QSpinBox>(form, "intervalSpin")->text().toStdString(), keys);
  }
  void Press(QWidget* target, int key) {
    target->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }

  const std::string savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
  test::TempHome home;
  BehaviourDialog form;
  Texts messages;
  Texts offeredFilters;
  QString nextFileName;
  std::vector<int> confirmed;  // OnIntervalConfirmed calls
};

TEST_F(BehaviourDialogTest, EveryOpeningShowsTheStoredSettings) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "1100 IE [] [] 120"},
      {"[Main]\r\nNoAddEmpty=0\r\nAddNewsOnly=1\r\nIESelect=0\r\nIEPath=/" +
           Utf8ToCp932("ブラウザ") + "\r\nNNPath=/opt/nn\r\nTimerInterval=30\r\n",
       "0110 NN [/ブラウザ] [/opt/nn] 30"},
      // The number box pulls a stored interval into its range.
      {"[Main]\r\nTimerInterval=0\r\n", "1100 IE [] [] 1"},
      {"[Main]\r\nTimerInterval=9000\r\n", "1100 IE [] [] 6000"},
  };
  for (const auto& [ini, want] : cases) {
    SCOPED_TRACE(ini);
    test::WriteBytes(IniPath(), ini);
    form.show();
    EXPECT_EQ(State(), want);
    form.hide();
  }
}

TEST_F(BehaviourDialogTest, OkWritesWhatTheControlsShowCancelEscAndTheCloseBoxWriteNothing) {
  // Two rounds, so that every tick box differs from every other in one of them.
  form.show();
  SetState("1010", true, "/a", "/b", 6000);
  test::Find<QPushButton>(form, "okButton")->click();
  form.show();
  EXPECT_EQ(State(), "1010 IE [/a] [/b] 6000");
  SetState("0110", false, "/opt/ブラウザ", "/usr/bin/nn", 45);
  test::Find<QPushButton>(form, "okButton")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(messages, Texts{});
  const std::string written = Ini();
  const std::pair<const char*, std::function<void()>> closings[] = {
      {"Cancel", [this] { test::Find<QPushButton>(form, "cancelButton")->click(); }},
      {"Esc", [this] { Press(test::Find<QLineEdit>(form, "secondBrowserEdit"), Qt::Key_Escape); }},
      {"close box", [this] { form.close(); }},
  };
  for (const auto& [name, close] : closings) {
    SCOPED_TRACE(name);
    form.show();  // what OK wrote, not the abandoned edits
    EXPECT_EQ(State(), "0110 NN [/opt/ブラウザ] [/usr/bin/nn] 45");
    SetState("1001", true, "/x", "/y", 99);
    close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Ini(), written);
  }
  EXPECT_EQ(confirmed, (std::vector<int>{6000, 45}));  // by OK alone
}

// Out of range goes to the nearest bound, anything else reads as 1, whether
// the focus leaves the box or OK or Enter takes the typed text.
TEST_F(BehaviourDialogTest, TypedIntervalSettlesOnLeavingOkOrEnter) {
  const std::pair<const char*, int> cases[] = {
      {"250", 250}, {"0", 1},  {"7000", 6000}, {"abc", 1},
      {"", 1},      {"-3", 1}, {"0042", 42},   {"99999999999999", 6000}};
  const std::pair<std::string, std::function<void()>> settlings[] = {
      {"focus out",
       [this] {
         QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
         QApplication::sendEvent(test::Find<QSpinBox>(form, "intervalSpin"), &out);
       }},
      {"OK", [this] { test::Find<QPushButton>(form, "okButton")->click(); }},
      {"Enter", [this] { Press(test::Find<QSpinBox>(form, "intervalSpin"), Qt::Key_Return); }},
  };
  for (const auto& [typed, settled] : cases) {
    for (const auto& [how, settle] : settlings) {
      SCOPED_TRACE(typed + (" then " + how));
      confirmed.clear();
      form.show();
      Type(typed);
      settle();
      EXPECT_EQ(test::Find<QSpinBox>(form, "intervalSpin")->value(), settled);
      EXPECT_EQ(test::Find<QSpinBox>(form, "intervalSpin")->text().toStdString(),
                std::to_string(settled));
      // OK and Enter also close the dialog and confirm the interval.
      EXPECT_EQ(confirmed, how == "focus out" ? std::vector<int>{} : std::vector<int>{settled});
    }
  }
}

// An empty path field gets the browser found on PATH, a "..." button the
// picked file; either is stored only on OK.
TEST_F(BehaviourDialogTest, PathFieldsComeFromTheStoredPathThePathLookupOrThePicker) {
  const std::string bin = home.Path("bin");
  for (const char* name : {"firefox-esr", "chromium"}) {
    test::WriteBytes(bin + "/" + name, "#!/bin/sh\n");
    ASSERT_EQ(chmod((bin + "/" + name).c_str(), 0755), 0);
  }
  form.show();
  EXPECT_EQ(State(), "1100 IE [" + bin + "/firefox-esr] [" + bin + "/chromium] 120");
  nextFileName = QString::fromUtf8("/opt/ブラウザ/iexplore.exe");
  test::Find<QPushButton>(form, "firstBrowserBrowseButton")->click();
  nextFileName = QStringLiteral("/opt/netscape.exe");
  test::Find<QPushButton>(form, "secondBrowserBrowseButton")->click();
  nextFileName.clear();  // cancelled
  test::Find<QPushButton>(form, "firstBrowserBrowseButton")->click();
  test::Find<QPushButton>(form, "secondBrowserBrowseButton")->click();
  EXPECT_EQ(State(), "1100 IE [/opt/ブラウザ/iexplore.exe] [/opt/netscape.exe] 120");
  const std::string ie = "Internet Explorer(iexplore.exe);;すべてのファイル (*)";
  const std::string nn = "Netscape Navigater(netscape.exe);;すべてのファイル (*)";
  EXPECT_EQ(offeredFilters, (Texts{ie, nn, ie, nn}));
  test::Find<QPushButton>(form, "cancelButton")->click();
  EXPECT_EQ(Ini(), "");

  // A stored path, even a wrong one, is not looked up.
  test::WriteBytes(IniPath(), "[Main]\r\nIEPath=C:\\ie.exe\r\n");
  form.show();
  EXPECT_EQ(State(), "1100 IE [C:\\ie.exe] [" + bin + "/chromium] 120");
  test::Find<QPushButton>(form, "okButton")->click();
  EXPECT_NE(Ini().find("NNPath=" + bin + "/chromium\r\n"), std::string::npos) << Ini();
}

TEST_F(BehaviourDialogTest, AWriteErrorReachesTheErrorDisplayAndLeavesTheTimer) {
  const std::string stored = "[Main]\r\nTimerInterval=30\r\n";
  test::WriteBytes(IniPath(), stored);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  form.show();
  test::Find<QSpinBox>(form, "intervalSpin")->setValue(10);
  test::Find<QPushButton>(form, "okButton")->click();  // must not throw out of the handler
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(messages, Texts{"[stop] Quillet: " + IniPath() + " に書き込めません."});
  EXPECT_EQ(confirmed, std::vector<int>{});
  EXPECT_EQ(Ini(), stored);
}

}  // namespace
}  // namespace quillet
