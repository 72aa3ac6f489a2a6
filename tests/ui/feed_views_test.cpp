// The user's feeds in the windows, over real files: the connection dialog's
// list and the feeds that failed in a run.
#include "core/settings/feed_list.h"
#include "program_windows.h"

namespace quillet {
namespace {

using test::Find;
using test::Texts;
using Feed = settings::FeedSource;

class FeedViewsTest : public test::WindowsTest {
 protected:
  std::string Ini() { return test::ReadBytes(settings::SettingsFilePath()); }
  QTreeWidget& List() { return *Find<QTreeWidget>(w.connectionDialog, "feedList"); }
  // "+name url " per row of the dialog's feed list, '-' when not ticked.
  std::string Feeds() {
    std::string s;
    for (int n = 0; n < List().topLevelItemCount(); ++n) {
      const QTreeWidgetItem& row = *List().topLevelItem(n);
      s += (row.checkState(0) == Qt::Checked ? "+" : "-") +
           (row.text(0) + QLatin1Char(' ') + row.text(1) + QLatin1Char(' ')).toStdString();
    }
    return s;
  }
  void Click(const char* button) { Find<QPushButton>(w.connectionDialog, button)->click(); }
  void ClickOn(int row, const char* button) {
    List().setCurrentItem(List().topLevelItem(row));
    Click(button);
  }
  // 編集 and 削除 need a selected feed, 上へ and 下へ one that can move that way.
  std::string Enabled() {
    std::string s;
    for (const char* name :
         {"feedEditButton", "feedDeleteButton", "feedUpButton", "feedDownButton"})
      s += Find<QPushButton>(w.connectionDialog, name)->isEnabled() ? '1' : '0';
    return s;
  }
  // The feed editor's fields set and its OK pressed; true when it closed.
  bool Enter(const char* name, const char* url) {
    auto& editor = *Find<QWidget>(w.connectionDialog, "feedEditDialog");
    EXPECT_TRUE(editor.isVisible());
    Find<QLineEdit>(editor, "feedNameEdit")->setText(QString::fromUtf8(name));
    Find<QLineEdit>(editor, "feedUrlEdit")->setText(QString::fromUtf8(url));
    Find<QPushButton>(editor, "feedOkButton")->click();
    return !editor.isVisible();
  }
};

TEST_F(FeedViewsTest, TheDialogEditsTheFeedsAndOkAloneWritesThemWithStableIds) {
  test::WriteBytes(settings::SettingsFilePath(),
                   "[Feeds]\r\nCount=1\r\nNextId=5\r\nId0=4\r\nName0=old\r\n"
                   "Url0=http://127.0.0.1/old\r\nEnabled0=0\r\n");
  w.Main<QAction>("connectionAction")->trigger();
  EXPECT_EQ(Feeds(), "-old http://127.0.0.1/old ");
  EXPECT_EQ(Enabled(), "0000");  // none selected
  Click("feedAddButton");
  EXPECT_FALSE(Enter("ニュース", "ftp://127.0.0.1/x"));
  EXPECT_FALSE(Enter(" ", "http://127.0.0.1/x"));
  EXPECT_FALSE(Enter("again", "HTTP://127.0.0.1/old"));  // another feed's URL
  ASSERT_EQ(w.messages.size(), 3u);
  EXPECT_EQ(w.messages[0].text, "URL は http:// か https:// で始めてください");
  EXPECT_EQ(w.messages[1].text, "フィード名が空です");
  EXPECT_EQ(w.messages[2].text, "この URL のフィードは既にあります (「old」)");
  EXPECT_TRUE(Enter(" ニュース ", " https://127.0.0.1/n.xml "));
  EXPECT_EQ(Enabled(), "1110");  // the added feed is selected, and the last
  Click("feedAddButton");
  EXPECT_TRUE(Enter("third", "http://127.0.0.1/3"));
  ClickOn(0, "feedEditButton");
  EXPECT_EQ(Find<QLineEdit>(w.connectionDialog, "feedNameEdit")->text().toStdString(), "old");
  EXPECT_FALSE(Enter("old", "https://127.0.0.1/n.xml"));
  EXPECT_EQ(w.messages.back().text, "この URL のフィードは既にあります (「ニュース」)");
  EXPECT_TRUE(Enter("renamed", "http://127.0.0.1/old"));  // its own URL
  ClickOn(0, "feedEditButton");
  EXPECT_TRUE(Enter("renamed", "http://127.0.0.1/r"));
  ClickOn(2, "feedUpButton");
  Click("feedUpButton");
  EXPECT_EQ(Enabled(), "1101");
  Click("feedUpButton");         // at the top already
  ClickOn(2, "feedDownButton");  // at the bottom already
  EXPECT_EQ(
      Feeds(),
      "+third http://127.0.0.1/3 -renamed http://127.0.0.1/r +ニュース https://127.0.0.1/n.xml ");
  ClickOn(0, "feedDeleteButton");
  EXPECT_EQ(Enabled(), "0000");
  Click("okButton");
  EXPECT_EQ(settings::ReadSettings().feeds.feeds,
            (std::vector<Feed>{{4, "renamed", "http://127.0.0.1/r", false},
                               {5, CP932("ニュース"), "https://127.0.0.1/n.xml", true}}));
  // Cancel writes nothing, nor does OK over an unchanged list.
  const std::string written = Ini();
  w.connectionDialog.show();
  ClickOn(0, "feedDeleteButton");
  Click("cancelButton");
  EXPECT_EQ(Ini(), written);
  w.connectionDialog.show();
  EXPECT_EQ(Feeds(), "-renamed http://127.0.0.1/r +ニュース https://127.0.0.1/n.xml ");
  Click("okButton");
  EXPECT_EQ(Ini(), written);
  // OK merges its edits into what another writer left since the opening.
  test::PutFeeds({});
  w.connectionDialog.show();
  Click("feedAddButton");
  EXPECT_TRUE(Enter("d", "http://127.0.0.1:9/d"));
  test::PutFeeds({{0, "t", "http://127.0.0.1:9/t", true}});
  Click("okButton");
  Texts names;
  for (const Feed& feed : settings::ReadSettings().feeds.feeds)
    names.push_back(feed.name);
  EXPECT_EQ(names, (Texts{"d", "t"}));
}

// The sources that failed are listed in a box to a window in sight, once
// for as long as the same ones fail, and counted in the status area and the
// tray icon's tooltip after every run.
TEST_F(FeedViewsTest, TheFeedsThatFailedAreListedOnceInSightAndCountedInTheTray) {
  TrayIconHost::SetAvailableForTesting(true);
  w.mainWindow.show();
  w.mainWindow.FetchRunEnded({"Alpha: 404", "Beta: timeout"});
  EXPECT_TRUE(w.messages.empty());  // not before the run has ended
  ASSERT_TRUE(test::SpinUntil([&] { return !w.messages.empty(); }));
  EXPECT_EQ(w.messages[0].text,
            "次のサイトやフィードを取得できませんでした\nAlpha: 404\nBeta: timeout");
  EXPECT_EQ(w.messages[0].caption, "取得エラー");
  auto& label = *w.Main<QLabel>("feedErrorLabel");
  EXPECT_EQ(label.text().toStdString(), "取得エラー 2件");
  // The same sources again, whatever their reasons, also after a run that
  // ended before it reached them: no box. Others: a box.
  const std::tuple<std::vector<std::string>, RunOutcome, size_t> runs[] = {
      {{"Beta: refused", "Alpha: 404"}, RunOutcome::kCompleted, 1},
      {{}, RunOutcome::kFailed, 1},
      {{"Alpha: 404", "Beta: timeout"}, RunOutcome::kCompleted, 1},
      {{"Alpha: 404"}, RunOutcome::kCompleted, 2},
      {{}, RunOutcome::kCompleted, 2},
      {{"Alpha: 404"}, RunOutcome::kCompleted, 3},
  };
  for (const auto& [errors, outcome, boxes] : runs) {
    w.mainWindow.FetchRunEnded(errors, outcome);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.messages.size(), boxes) << errors.size();
    EXPECT_EQ(label.isHidden(), errors.empty());
  }
  EXPECT_EQ(w.messages.back().text, "次のサイトやフィードを取得できませんでした\nAlpha: 404");
  EXPECT_EQ(label.text().toStdString(), "取得エラー 1件");
  w.Main("trayButton")->click();
  ASSERT_FALSE(w.mainWindow.isVisible());
  w.mainWindow.FetchRunEnded({"Gamma: refused"});
  QCoreApplication::processEvents();
  EXPECT_EQ(w.messages.size(), 3u);
  const QString toolTip = w.Main<QSystemTrayIcon>("trayIcon")->toolTip();
  EXPECT_TRUE(toolTip.endsWith(QString::fromUtf8("\n取得エラー 1件")));
  TrayIconHost::SetAvailableForTesting(std::nullopt);
}

}  // namespace
}  // namespace quillet
