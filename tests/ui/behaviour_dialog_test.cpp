// The behaviour settings dialog over a real settings file: what opening
// shows, the number box, the browse buttons, the browser lookup with
// stand-in programs on PATH, OK, Cancel and a write error.
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
#include <iterator>
#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "settings/behaviour_dialog.h"
#include "support/temp_home.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;  // UTF-8

class BehaviourDialog : public testing::Test {
 protected:
  BehaviourDialog() {
    // An empty folder, so that browsers installed on the machine stay out.
    setenv("PATH", home.Path("nothing").c_str(), 1);
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
  ~BehaviourDialog() override {
    SetOpenFileHookForTesting(nullptr);
    SetMessageHookForTesting(nullptr);
    setenv("PATH", savedPath_.c_str(), 1);
  }

  std::string IniPath() const { return home.Path("quillet.ini"); }
  std::string Ini() const { return test::ReadBytes(IniPath()); }
  // The controls in one line: tick boxes 1-4, the chosen browser, the two
  // paths and the number box's text.
  std::string State() const {
    std::string s;
    for (const QCheckBox* box : {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4})
      s += box->isChecked() ? '1' : '0';
    const bool ie = form.RadioButton1->isChecked();
    s += ie == form.RadioButton2->isChecked() ? " ??" : ie ? " IE" : " NN";
    return s + " [" + form.Edit1->text().toStdString() + "] [" + form.Edit2->text().toStdString() +
           "] " + form.SpinEdit1->text().toStdString();
  }
  // Typing into the number box, key by key, as a person would.
  void Type(const std::string& keys) {
    form.SpinEdit1->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(form.SpinEdit1, &erase);
    for (char c : keys) {
      QKeyEvent press(QEvent::KeyPress, std::toupper(c), Qt::NoModifier,
                      QString(QChar::fromLatin1(c)));
      QApplication::sendEvent(form.SpinEdit1, &press);
    }
    ASSERT_EQ(form.SpinEdit1->text().toStdString(), keys);
  }

  const std::string savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
  test::TempHome home;
  TForm4 form;
  Texts messages;
  Texts offeredFilters;
  QString nextFileName;
  std::vector<int> confirmed;  // OnIntervalConfirmed calls
};

TEST_F(BehaviourDialog, OpeningShowsTheStoredSettingsOrTheDefaults) {
  form.show();
  EXPECT_EQ(State(), "1100 IE [] [] 120");
  form.hide();  // every showing is an opening
  test::WriteBytes(IniPath(),
                   "[main]\r\nnoaddempty=0\r\nSaveLog=0\r\nAddNewsOnly=1\r\n"
                   "NewWindowOnly=7\r\nIESelect=0\r\nIEPath=/opt/" +
                       Utf8ToCp932("ブラウザ") + "\r\nNNPath=/opt/nn\r\nTimerInterval=0x1E\r\n");
  form.show();
  EXPECT_EQ(State(), "0011 NN [/opt/ブラウザ] [/opt/nn] 30");
}

TEST_F(BehaviourDialog, StoredIntervalIsPulledIntoRangeAndConfirmedAsShown) {
  const std::pair<const char*, int> cases[] = {{"0", 1}, {"9000", 6000}, {"-5", 1}, {"abc", 120}};
  for (const auto& [stored, shown] : cases) {
    SCOPED_TRACE(stored);
    test::WriteBytes(IniPath(), std::string("[Main]\r\nTimerInterval=") + stored + "\r\n");
    confirmed.clear();
    form.show();
    EXPECT_EQ(form.SpinEdit1->text().toStdString(), std::to_string(shown));
    form.Button1->click();
    EXPECT_NE(Ini().find("TimerInterval=" + std::to_string(shown) + "\r\n"), std::string::npos);
    EXPECT_EQ(confirmed, std::vector<int>{shown});
  }
}

TEST_F(BehaviourDialog, TypedIntervalSettlesWhenTheFocusLeaves) {
  const std::pair<const char*, int> cases[] = {
      {"250", 250}, {"0", 1},  {"7000", 6000}, {"abc", 1},
      {"", 1},      {"-3", 1}, {"0042", 42},   {"99999999999999", 6000}};
  form.show();
  for (const auto& [typed, settled] : cases) {
    SCOPED_TRACE(typed);
    Type(typed);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(form.SpinEdit1, &out);
    EXPECT_EQ(form.SpinEdit1->value(), settled);
    EXPECT_EQ(form.SpinEdit1->text().toStdString(), std::to_string(settled));
  }
}

TEST_F(BehaviourDialog, OkAndEnterTakeATypedIntervalWithoutAFocusChange) {
  const std::function<void()> confirmations[] = {
      [this] { form.Button1->click(); },
      [this] {
        form.SpinEdit1->setFocus();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(form.SpinEdit1, &enter);
      },
  };
  for (const auto& [typed, stored] : {std::pair{"7000", 6000}, {"abc", 1}, {"45", 45}}) {
    for (size_t i = 0; i < std::size(confirmations); ++i) {
      SCOPED_TRACE(std::string(typed) + " " + std::to_string(i));
      confirmed.clear();
      form.show();
      Type(typed);
      confirmations[i]();
      EXPECT_FALSE(form.isVisible());
      EXPECT_NE(Ini().find("TimerInterval=" + std::to_string(stored) + "\r\n"), std::string::npos);
      EXPECT_EQ(confirmed, std::vector<int>{stored});
    }
  }
}

TEST_F(BehaviourDialog, OkWritesEveryKeyInOrderThenReportsTheInterval) {
  form.show();
  form.CheckBox1->setChecked(false);
  form.CheckBox2->setChecked(false);
  form.CheckBox3->setChecked(true);
  form.CheckBox4->setChecked(true);
  form.RadioButton2->setChecked(true);
  form.Edit1->setText(QString::fromUtf8("/opt/ブラウザ"));
  form.Edit2->setText(QStringLiteral("/usr/bin/nn"));
  form.SpinEdit1->setValue(45);
  EXPECT_EQ(State(), "0011 NN [/opt/ブラウザ] [/usr/bin/nn] 45");
  form.Button1->click();

  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Ini(),
            "[Main]\r\nNoAddEmpty=0\r\nSaveLog=0\r\nAddNewsOnly=1\r\nNewWindowOnly=1\r\n"
            "IESelect=0\r\nIEPath=/opt/" +
                Utf8ToCp932("ブラウザ") + "\r\nNNPath=/usr/bin/nn\r\nTimerInterval=45\r\n");
  EXPECT_EQ(confirmed, std::vector<int>{45});
  EXPECT_EQ(messages, Texts{});
}

TEST_F(BehaviourDialog, CancelEscAndTheCloseBoxWriteNothingAndLeaveTheTimer) {
  const std::string stored = "[Main]\r\nSaveLog=0\r\nTimerInterval=30\r\n";
  test::WriteBytes(IniPath(), stored);
  const std::function<void()> closings[] = {
      [this] { form.Button2->click(); },
      [this] {
        form.Edit2->setFocus();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(form.Edit2, &escape);
      },
      [this] { form.close(); },
  };
  for (size_t i = 0; i < std::size(closings); ++i) {
    SCOPED_TRACE(i);
    form.show();  // the stored settings, not the abandoned edits
    EXPECT_EQ(State(), "1000 IE [] [] 30");
    form.CheckBox2->setChecked(true);
    form.RadioButton2->setChecked(true);
    form.Edit1->setText(QStringLiteral("/x"));
    form.SpinEdit1->setValue(99);
    closings[i]();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Ini(), stored);
  }
  EXPECT_EQ(confirmed, std::vector<int>{});
}

TEST_F(BehaviourDialog, BrowseButtonsPutThePickedFileIntoTheirField) {
  form.show();
  nextFileName = QString::fromUtf8("/opt/ブラウザ/iexplore.exe");
  form.Button4->click();
  nextFileName = QStringLiteral("/opt/netscape.exe");
  form.Button3->click();
  EXPECT_EQ(State(), "1100 IE [/opt/ブラウザ/iexplore.exe] [/opt/netscape.exe] 120");
  nextFileName.clear();  // cancelled
  form.Button4->click();
  form.Button3->click();
  EXPECT_EQ(State(), "1100 IE [/opt/ブラウザ/iexplore.exe] [/opt/netscape.exe] 120");

  const std::string ie = "Internet Explorer(iexplore.exe);;すべてのファイル (*)";
  const std::string nn = "Netscape Navigater(netscape.exe);;すべてのファイル (*)";
  EXPECT_EQ(offeredFilters, (Texts{ie, nn, ie, nn}));
  EXPECT_EQ(Ini(), "");  // nothing before OK
}

TEST_F(BehaviourDialog, EmptyPathsAreLookedUpOnPathAndStoredOnlyOnOk) {
  const std::string bin = home.Path("bin");
  for (const char* name : {"x-www-browser", "firefox-esr", "konqueror", "chromium"}) {
    test::WriteBytes(bin + "/" + name, "#!/bin/sh\n");
    // x-www-browser is not executable and is passed over.
    ASSERT_EQ(chmod((bin + "/" + name).c_str(), name[0] == 'x' ? 0644 : 0755), 0);
  }
  setenv("PATH", (home.Path("nothing") + ":" + bin).c_str(), 1);

  form.show();
  EXPECT_EQ(State(), "1100 IE [" + bin + "/firefox-esr] [" + bin + "/chromium] 120");
  form.Button2->click();
  EXPECT_EQ(Ini(), "");

  // A stored path, even a wrong one, is not looked up.
  test::WriteBytes(IniPath(), "[Main]\r\nIEPath=C:\\ie.exe\r\n");
  form.show();
  EXPECT_EQ(State(), "1100 IE [C:\\ie.exe] [" + bin + "/chromium] 120");
  form.Button1->click();
  EXPECT_NE(Ini().find("NNPath=" + bin + "/chromium\r\n"), std::string::npos) << Ini();
}

TEST_F(BehaviourDialog, AWriteErrorReachesTheErrorDisplayAndLeavesTheTimer) {
  const std::string stored = "[Main]\r\nTimerInterval=30\r\n";
  test::WriteBytes(IniPath(), stored);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  form.show();
  form.SpinEdit1->setValue(10);
  form.Button1->click();  // must not throw out of the handler
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(messages, Texts{"[stop] Quillet: " + IniPath() + " に書き込めません."});
  EXPECT_EQ(confirmed, std::vector<int>{});
  EXPECT_EQ(Ini(), stored);
}

}  // namespace
}  // namespace quillet
