// The settings dialogs' OK while the terminal program edits the same program
// folder: what each of them added is in the file afterwards, once.
#include <QProcess>

#include <algorithm>
#include <map>

#include "program_windows.h"

namespace quillet {
namespace {

using test::Find;
using test::Texts;

// "3 of 200 lost: d4 t7 t9; twice: d2" naming (the first ten of) what
// `stored` lacks of `expected` and what it holds twice; "" when it holds each
// once.
std::string LostOrTwice(const Texts& expected, const Texts& stored) {
  std::map<std::string, int> count;
  for (const std::string& name : stored)
    ++count[name];
  Texts lost, twice;
  for (const std::string& name : expected)
    if (count[name] == 0) lost.push_back(name);
  for (const auto& [name, n] : count)
    if (n > 1) twice.push_back(name);
  if (lost.empty() && twice.empty()) return "";
  auto firstTen = [](const Texts& names) {
    std::string s;
    for (size_t i = 0; i < std::min<size_t>(names.size(), 10); ++i)
      s += " " + names[i];
    return names.size() > 10 ? s + " ..." : s;
  };
  return std::to_string(lost.size()) + " of " + std::to_string(expected.size()) +
         " lost:" + firstTen(lost) + "; twice:" + firstTen(twice);
}

class DialogBesideTerminalTest : public test::WindowsTest {
 protected:
  // quillet-cli with `arguments` on the test's program folder, started while
  // the dialog is open; OK is pressed after waiting up to `round` % 16 ms for
  // it, so that the rounds press OK before, during and after its edit.
  void OkBesideTerminal(QWidget& dialog, int round, QStringList arguments) {
    QProcess terminal;
    terminal.start(QStringLiteral(QUILLET_CLI),
                   arguments << QStringLiteral("--home") << QString::fromStdString(w.home.Dir()));
    ASSERT_TRUE(terminal.waitForStarted());
    terminal.waitForFinished(round % 16);
    Find<QPushButton>(dialog, "okButton")->click();
    ASSERT_TRUE(terminal.state() == QProcess::NotRunning || terminal.waitForFinished());
    EXPECT_TRUE(terminal.exitStatus() == QProcess::NormalExit && terminal.exitCode() == 0)
        << terminal.readAllStandardError().toStdString();
  }
  static QString Name(char who, int round) { return QLatin1Char(who) + QString::number(round); }
  static Texts Names(int rounds) {
    Texts names;
    for (int r = 0; r < rounds; ++r)
      for (char who : {'d', 't'})
        names.push_back(Name(who, r).toStdString());
    return names;
  }
};

TEST_F(DialogBesideTerminalTest, ConnectionDialogOkKeepsTheFeedsTheTerminalAdds) {
  constexpr int kRounds = 100;
  for (int r = 0; r < kRounds; ++r) {
    w.Main<QAction>("connectionAction")->trigger();
    Find<QPushButton>(w.connectionDialog, "feedAddButton")->click();
    auto& editor = *Find<QWidget>(w.connectionDialog, "feedEditDialog");
    Find<QLineEdit>(editor, "feedNameEdit")->setText(Name('d', r));
    Find<QLineEdit>(editor, "feedUrlEdit")
        ->setText(QStringLiteral("http://127.0.0.1:9/") + Name('d', r));
    Find<QPushButton>(editor, "feedOkButton")->click();
    OkBesideTerminal(w.connectionDialog, r,
                     {QStringLiteral("feeds"), QStringLiteral("add"), Name('t', r),
                      QStringLiteral("http://127.0.0.1:9/") + Name('t', r)});
  }
  Texts stored;
  for (const settings::FeedSource& feed : settings::ReadSettings().feeds.feeds)
    stored.push_back(feed.name);
  EXPECT_EQ(LostOrTwice(Names(kRounds), stored), "");
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(DialogBesideTerminalTest, BehaviourDialogOkKeepsTheKeywordsTheTerminalAdds) {
  constexpr int kRounds = 100;
  for (int r = 0; r < kRounds; ++r) {
    w.Main<QAction>("behaviourAction")->trigger();
    Find<QLineEdit>(w.behaviourDialog, "watchKeywordEdit")->setText(Name('d', r));
    Find<QPushButton>(w.behaviourDialog, "watchAddButton")->click();
    OkBesideTerminal(w.behaviourDialog, r,
                     {QStringLiteral("watch"), QStringLiteral("add"), Name('t', r)});
  }
  EXPECT_EQ(LostOrTwice(Names(kRounds), settings::ReadSettings().watch.keywords), "");
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace quillet
