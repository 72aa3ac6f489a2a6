// The connection settings dialog over a real settings file.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/text/text_codec.h"
#include "program_windows.h"
#include "support/temp_home.h"
#include "ui/connection_dialog.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;  // UTF-8

class ConnectionDialogTest : public testing::Test {
 protected:
  ConnectionDialogTest() {
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back((icon == MessageIcon::kStop ? "[stop] " : "[other] ") +
                             Cp932ToUtf8(caption + ": " + text));
        });
  }
  ~ConnectionDialogTest() override { SetMessageHookForTesting(nullptr); }

  std::string IniPath() const { return home.Path("quillet.ini"); }
  std::string Ini() const { return test::ReadBytes(IniPath()); }
  std::vector<int> UncheckedCategories() const {
    std::vector<int> rows;
    for (int i = 0; i < test::Find<QListWidget>(form, "categoryList")->count(); ++i)
      if (test::Find<QListWidget>(form, "categoryList")->item(i)->checkState() != Qt::Checked)
        rows.push_back(i);
    return rows;
  }
  Texts Lines() const {
    Texts lines;
    for (int i = 0; i < test::Find<QListWidget>(form, "proxyList")->count(); ++i)
      lines.push_back(test::Find<QListWidget>(form, "proxyList")->item(i)->text().toStdString());
    return lines;
  }
  // The three fields in the form of a proxy-list line.
  std::string Fields() const {
    return (test::Find<QLineEdit>(form, "proxyEdit")->text() + u'\t' +
            test::Find<QLineEdit>(form, "userNameEdit")->text() + u'\t' +
            test::Find<QLineEdit>(form, "passwordEdit")->text())
        .toStdString();
  }
  void SetFields(const char* address, const char* user, const char* password) {
    test::Find<QLineEdit>(form, "proxyEdit")->setText(QString::fromUtf8(address));
    test::Find<QLineEdit>(form, "userNameEdit")->setText(QString::fromUtf8(user));
    test::Find<QLineEdit>(form, "passwordEdit")->setText(QString::fromUtf8(password));
  }
  void Select(int line) { test::Find<QListWidget>(form, "proxyList")->setCurrentRow(line); }
  void Delete(int line) {
    Select(line);
    test::Find<QToolButton>(form, "deleteButton")->click();
  }
  // A key press as the window system delivers it: to the focused control.
  void PressKey(QWidget* target, int key) {
    target->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }

  test::TempHome home;
  ConnectionDialog form;
  Texts messages;
};

TEST_F(ConnectionDialogTest, OpeningShowsTheCatalogueAndTheStoredSettings) {
  test::WriteBytes(
      IniPath(), "[CheckRoute]\r\n5=0\r\n64=0\r\n[HTTP]\r\nProxy=10.0.0.1:8080\r\nProxyUserName=" +
                     Utf8ToCp932("利用者") +
                     "\r\nProxyCount=2\r\nProxyList0=a:1\r\nProxyListUserName0=u\r\n"
                     "ProxyListPassword0=p\r\nProxyList1=b:2\r\nProxyList2=stale\r\n");
  form.show();
  ASSERT_EQ(test::Find<QListWidget>(form, "categoryList")->count(), 65);
  EXPECT_EQ(test::Find<QListWidget>(form, "categoryList")->item(64)->text().toStdString(),
            "毎日新聞 (人事・訃報)");
  EXPECT_EQ(UncheckedCategories(), (std::vector<int>{5, 64}));
  EXPECT_EQ(Fields(), "10.0.0.1:8080\t利用者\t");
  EXPECT_EQ(Lines(), (Texts{"a:1\tu\tp", "b:2\t\t"}));
  EXPECT_TRUE(test::Find<QListWidget>(form, "proxyList")->selectedItems().isEmpty());
}

// Enter presses the focused button, or else OK.
TEST_F(ConnectionDialogTest, OkWritesWhatTheDialogShowsCancelEscAndTheCloseBoxWriteNothing) {
  form.show();
  test::Find<QListWidget>(form, "categoryList")->item(0)->setCheckState(Qt::Unchecked);
  test::Find<QListWidget>(form, "categoryList")->item(63)->setCheckState(Qt::Unchecked);
  SetFields("", "", "");
  PressKey(test::Find<QPushButton>(form, "addButton"), Qt::Key_Return);
  SetFields("proxy:3128", "ユーザー", " pw ");
  test::Find<QPushButton>(form, "addButton")->click();
  EXPECT_EQ(Ini(), "");
  PressKey(test::Find<QLineEdit>(form, "proxyEdit"), Qt::Key_Return);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(messages.empty());
  const std::string written = Ini();
  const std::pair<const char*, std::function<void()>> closings[] = {
      {"Cancel", [this] { test::Find<QPushButton>(form, "cancelButton")->click(); }},
      {"Esc", [this] { PressKey(test::Find<QLineEdit>(form, "proxyEdit"), Qt::Key_Escape); }},
      {"close box", [this] { form.close(); }},
  };
  for (const auto& [name, close] : closings) {
    SCOPED_TRACE(name);
    form.show();  // what OK wrote, not the abandoned edits
    EXPECT_EQ(UncheckedCategories(), (std::vector<int>{0, 63}));
    EXPECT_EQ(Fields(), "proxy:3128\tユーザー\t pw ");
    EXPECT_EQ(Lines(), (Texts{"\t\t", "proxy:3128\tユーザー\t pw "}));
    test::Find<QListWidget>(form, "categoryList")->item(3)->setCheckState(Qt::Unchecked);
    SetFields("changed:9", "u", "p");
    test::Find<QPushButton>(form, "addButton")->click();
    Delete(0);
    close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Ini(), written);
  }
}

TEST_F(ConnectionDialogTest, ThePasswordIsMaskedUntilTheEyeIsPressedAndAgainAtEachOpening) {
  form.show();
  auto* eye = form.findChild<QAction*>(QStringLiteral("showPassword"));
  ASSERT_NE(eye, nullptr);
  EXPECT_EQ(test::Find<QLineEdit>(form, "passwordEdit")->echoMode(), QLineEdit::Password);
  eye->trigger();
  EXPECT_EQ(test::Find<QLineEdit>(form, "passwordEdit")->echoMode(), QLineEdit::Normal);
  test::Find<QPushButton>(form, "cancelButton")->click();
  form.show();
  EXPECT_EQ(test::Find<QLineEdit>(form, "passwordEdit")->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(eye->isChecked());
}

TEST_F(ConnectionDialogTest, ProxyListButtons) {
  form.show();
  SetFields("f1", "f2", "f3");
  for (QAbstractButton* button :
       std::initializer_list<QAbstractButton*>{test::Find<QPushButton>(form, "copyButton"),
                                               test::Find<QPushButton>(form, "replaceButton"),
                                               test::Find<QToolButton>(form, "deleteButton")}) {
    button->click();  // no line selected: nothing happens
    EXPECT_EQ(Lines(), Texts{});
    EXPECT_EQ(Fields(), "f1\tf2\tf3");
  }
  SetFields("h:1", "u", "p\tq");
  test::Find<QPushButton>(form, "addButton")->click();  // 追加, duplicates too
  test::Find<QPushButton>(form, "addButton")->click();
  Select(0);
  SetFields("", "", "");
  test::Find<QPushButton>(form, "copyButton")
      ->click();  // 複写: the rest after the second tab is the password
  EXPECT_EQ(Fields(), "h:1\tu\tp\tq");

  SetFields("r:2", "", "x");
  Select(1);
  test::Find<QPushButton>(form, "replaceButton")->click();  // 置換 in place
  EXPECT_EQ(Lines(), (Texts{"h:1\tu\tp\tq", "r:2\t\tx"}));

  Delete(0);  // 削除 leaves no line selected
  EXPECT_TRUE(test::Find<QListWidget>(form, "proxyList")->selectedItems().isEmpty());
  test::Find<QToolButton>(form, "deleteButton")->click();
  EXPECT_EQ(Lines(), (Texts{"r:2\t\tx"}));
  EXPECT_EQ(Ini(), "");  // nothing before OK
}

TEST_F(ConnectionDialogTest, ShrinkingTheListLeavesStaleKeysThatTheCountHides) {
  test::WriteBytes(IniPath(),
                   "[HTTP]\r\nProxyCount=3\r\nProxyList0=a\r\nProxyList1=b\r\n"
                   "ProxyList2=c\r\nProxyListUserName2=uc\r\n");
  form.show();
  Delete(0);
  test::Find<QPushButton>(form, "okButton")->click();
  EXPECT_NE(Ini().find("ProxyCount=2\r\nProxyList0=b\r\nProxyList1=c\r\nProxyList2=c\r\n"
                       "ProxyListUserName2=uc\r\n"),
            std::string::npos)
      << Ini();
  form.show();
  EXPECT_EQ(Lines(), (Texts{"b\t\t", "c\tuc\t"}));
  Delete(1);
  Delete(0);
  test::Find<QPushButton>(form, "okButton")->click();
  form.show();
  EXPECT_EQ(Lines(), Texts{});
}

TEST_F(ConnectionDialogTest, AWriteErrorReachesTheErrorDisplay) {
  const std::string stored = "[HTTP]\r\nProxy=keep:1\r\n";
  test::WriteBytes(IniPath(), stored);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  form.show();
  test::Find<QLineEdit>(form, "proxyEdit")->setText(QStringLiteral("other:2"));
  test::Find<QPushButton>(form, "okButton")->click();  // must not throw out of the handler
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(messages, Texts{"[stop] Quillet: " + IniPath() + " に書き込めません."});
  EXPECT_EQ(Ini(), stored);
}

}  // namespace
}  // namespace quillet
