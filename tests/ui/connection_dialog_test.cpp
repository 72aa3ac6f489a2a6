// The connection settings dialog over a real settings file: what opening
// shows, what OK writes and in which order, that Cancel writes nothing, the
// proxy-list buttons, and a write error reaching the error display.
#include <sys/stat.h>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "settings/connection_dialog.h"
#include "support/temp_home.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

using Texts = std::vector<std::string>;  // UTF-8

class ConnectionDialog : public testing::Test {
 protected:
  ConnectionDialog() {
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back((icon == MessageIcon::kStop ? "[stop] " : "[other] ") +
                             Cp932ToUtf8(caption + ": " + text));
        });
  }
  ~ConnectionDialog() override { SetMessageHookForTesting(nullptr); }

  std::string IniPath() const { return home.Path("quillet.ini"); }
  std::string Ini() const { return test::ReadBytes(IniPath()); }
  Texts Lines() const {
    Texts lines;
    for (int i = 0; i < form.ListBox1->count(); ++i)
      lines.push_back(form.ListBox1->item(i)->text().toStdString());
    return lines;
  }
  Texts Fields() const {
    return {form.Edit1->text().toStdString(), form.Edit2->text().toStdString(),
            form.Edit3->text().toStdString()};
  }
  void SetFields(const char* address, const char* user, const char* password) {
    form.Edit1->setText(QString::fromUtf8(address));
    form.Edit2->setText(QString::fromUtf8(user));
    form.Edit3->setText(QString::fromUtf8(password));
  }
  void Select(int line) { form.ListBox1->setCurrentRow(line); }
  // A key press as the window system delivers it: to the focused control.
  void PressKey(QWidget* target, int key) {
    target->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }

  test::TempHome home;
  TForm3 form;
  Texts messages;
};

TEST_F(ConnectionDialog, OpeningShowsTheCatalogueAndTheStoredSettings) {
  test::WriteBytes(IniPath(),
                   "[CheckRoute]\r\n5=0\r\n6=yes\r\n7=2\r\n64=0\r\n[HTTP]\r\n"
                   "Proxy=10.0.0.1:8080\r\nProxyUserName=" +
                       Utf8ToCp932("利用者") +
                       "\r\nProxyCount=2\r\nProxyList0=a:1\r\nProxyListUserName0=u\r\n"
                       "ProxyListPassword0=p\r\nProxyList1=b:2\r\nProxyList2=stale\r\n");
  form.show();
  ASSERT_EQ(form.CheckListBox1->count(), 65);
  EXPECT_EQ(form.CheckListBox1->item(10)->text().toStdString(), "アサヒ・コム (最新５ニュース)");
  EXPECT_EQ(form.CheckListBox1->item(64)->text().toStdString(), "毎日新聞 (人事・訃報)");
  for (int i = 0; i < 65; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(form.CheckListBox1->item(i)->checkState(),
              i == 5 || i == 64 ? Qt::Unchecked : Qt::Checked);
  }
  EXPECT_EQ(Fields(), (Texts{"10.0.0.1:8080", "利用者", ""}));
  EXPECT_EQ(Lines(), (Texts{"a:1\tu\tp", "b:2\t\t"}));
  EXPECT_TRUE(form.ListBox1->selectedItems().isEmpty());
}

TEST_F(ConnectionDialog, OkWritesEveryKeyInOrder) {
  form.show();
  form.CheckListBox1->item(0)->setCheckState(Qt::Unchecked);
  form.CheckListBox1->item(64)->setCheckState(Qt::Unchecked);
  SetFields("proxy:3128", "ユーザー", " pw ");
  form.BitBtn1->click();
  SetFields("", "", "");
  form.BitBtn1->click();
  SetFields("proxy:3128", "ユーザー", " pw ");
  form.Button1->click();

  EXPECT_FALSE(form.isVisible());
  std::string expected = "[CheckRoute]\r\n";
  for (int i = 0; i < 65; ++i)
    expected += std::to_string(i) + (i == 0 || i == 64 ? "=0\r\n" : "=1\r\n");
  const std::string user = Utf8ToCp932("ユーザー");
  expected += "[HTTP]\r\nProxy=proxy:3128\r\nProxyUserName=" + user +
              "\r\nProxyPassword= pw \r\nProxyCount=2\r\nProxyList0=proxy:3128\r\n"
              "ProxyListUserName0=" +
              user +
              "\r\nProxyListPassword0= pw \r\n"
              "ProxyList1=\r\nProxyListUserName1=\r\nProxyListPassword1=\r\n";
  EXPECT_EQ(Ini(), expected);
  EXPECT_TRUE(messages.empty());
  form.show();  // the empty entry comes back as two tabs
  EXPECT_EQ(Lines(), (Texts{"proxy:3128\tユーザー\t pw ", "\t\t"}));
}

TEST_F(ConnectionDialog, CancelEscAndTheCloseBoxWriteNothing) {
  const std::string stored =
      "[CheckRoute]\r\n3=0\r\n[HTTP]\r\nProxy=keep:1\r\nProxyCount=1\r\n"
      "ProxyList0=x\r\nProxyListUserName0=y\r\nProxyListPassword0=z\r\n";
  test::WriteBytes(IniPath(), stored);
  const std::function<void()> closings[] = {
      [this] { form.Button2->click(); },
      [this] { PressKey(form.Edit1, Qt::Key_Escape); },
      [this] { form.close(); },
  };
  for (size_t i = 0; i < std::size(closings); ++i) {
    SCOPED_TRACE(i);
    form.show();  // the stored settings, not the abandoned edits
    EXPECT_EQ(form.CheckListBox1->item(3)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Fields(), (Texts{"keep:1", "", ""}));
    EXPECT_EQ(Lines(), (Texts{"x\ty\tz"}));
    form.CheckListBox1->item(3)->setCheckState(Qt::Checked);
    SetFields("changed:9", "u", "p");
    form.BitBtn1->click();
    Select(0);
    form.BitBtn4->click();
    closings[i]();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(Ini(), stored);
  }
}

TEST_F(ConnectionDialog, EnterPressesTheFocusedButtonOrElseOk) {
  form.show();
  form.Edit1->setText(QStringLiteral("typed:1"));
  PressKey(form.BitBtn1, Qt::Key_Return);
  EXPECT_EQ(Lines(), (Texts{"typed:1\t\t"}));
  EXPECT_EQ(Ini(), "");
  PressKey(form.Edit1, Qt::Key_Return);
  EXPECT_FALSE(form.isVisible());
  EXPECT_NE(Ini().find("Proxy=typed:1\r\n"), std::string::npos);
}

TEST_F(ConnectionDialog, ProxyListButtons) {
  form.show();
  SetFields("f1", "f2", "f3");
  for (QAbstractButton* button :
       std::initializer_list<QAbstractButton*>{form.BitBtn2, form.BitBtn3, form.BitBtn4}) {
    button->click();  // no line selected: nothing happens
    EXPECT_EQ(Lines(), Texts{});
    EXPECT_EQ(Fields(), (Texts{"f1", "f2", "f3"}));
  }
  SetFields("", "", "");
  form.BitBtn1->click();  // empty fields and duplicates are taken
  SetFields("h:1", "u", "p\tq");
  form.BitBtn1->click();
  form.BitBtn1->click();
  EXPECT_EQ(Lines(), (Texts{"\t\t", "h:1\tu\tp\tq", "h:1\tu\tp\tq"}));

  Select(1);
  SetFields("", "", "");
  form.BitBtn2->click();  // 複写: the rest after the second tab is the password
  EXPECT_EQ(Fields(), (Texts{"h:1", "u", "p\tq"}));

  SetFields("r:2", "", "x");
  Select(2);
  form.BitBtn3->click();  // 置換 in place
  EXPECT_EQ(Lines(), (Texts{"\t\t", "h:1\tu\tp\tq", "r:2\t\tx"}));

  Select(1);
  form.BitBtn4->click();  // 削除 leaves no line selected
  EXPECT_TRUE(form.ListBox1->selectedItems().isEmpty());
  form.BitBtn4->click();
  EXPECT_EQ(Lines(), (Texts{"\t\t", "r:2\t\tx"}));
  EXPECT_EQ(Ini(), "");  // nothing before OK
}

TEST_F(ConnectionDialog, ShrinkingTheListLeavesStaleKeysThatTheCountHides) {
  test::WriteBytes(IniPath(),
                   "[HTTP]\r\nProxyCount=3\r\nProxyList0=a\r\nProxyList1=b\r\n"
                   "ProxyList2=c\r\nProxyListUserName2=uc\r\n");
  form.show();
  Select(0);
  form.BitBtn4->click();
  form.Button1->click();
  EXPECT_NE(Ini().find("ProxyCount=2\r\nProxyList0=b\r\nProxyList1=c\r\nProxyList2=c\r\n"
                       "ProxyListUserName2=uc\r\n"),
            std::string::npos)
      << Ini();
  form.show();
  EXPECT_EQ(Lines(), (Texts{"b\t\t", "c\tuc\t"}));

  Select(1);
  form.BitBtn4->click();
  Select(0);
  form.BitBtn4->click();
  form.Button1->click();
  EXPECT_NE(Ini().find("ProxyCount=0\r\nProxyList0=b\r\n"), std::string::npos) << Ini();
  form.show();
  EXPECT_EQ(Lines(), Texts{});
}

TEST_F(ConnectionDialog, AWriteErrorReachesTheErrorDisplay) {
  const std::string stored = "[HTTP]\r\nProxy=keep:1\r\n";
  test::WriteBytes(IniPath(), stored);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  form.show();
  form.Edit1->setText(QStringLiteral("other:2"));
  form.Button1->click();  // must not throw out of the handler
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(messages, Texts{"[stop] Quillet: " + IniPath() + " に書き込めません."});
  EXPECT_EQ(Ini(), stored);
}

}  // namespace
}  // namespace quillet
