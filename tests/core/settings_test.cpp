// Profile (ini) files, the settings file, the proxy's loopback check, browsers on the PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/settings/feed_list.h"
#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/sys/autostart.h"
#include "core/sys/error.h"
#include "core/sys/profile_file.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "support/settings_edits.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using namespace settings;
using Strings = std::vector<std::string>;

// Names match without regard to case or blanks; a write changes only its line.
TEST(ProfileDocument, ReadsAndWritesKeysInPlaceAndIntegers) {
  const std::string text =
      "; x=1\r\n[main]\r\n\tleft =10\r\nnot a key\r\n [ HTTP ]\t\nProxy=h=x\r\nK=";
  const ProfileValues values(text + std::string(3000, 'v'));
  EXPECT_EQ(values.Get("MAIN", "LEFT"), "10");
  EXPECT_EQ(values.Get("Http", "proxy"), "h=x");  // everything after the first '='
  EXPECT_EQ(values.Get("Main", "Proxy"), std::nullopt);
  EXPECT_EQ(values.Get("Other", "Left"), std::nullopt);
  EXPECT_EQ(values.Get("HTTP", "K"), std::string(kProfileValueMax, 'v'));
  auto doc = ProfileDocument::Parse("; keep\r\n[Main]\r\nLeft=1\r\n odd \r\nTop=2\r\n\r\n[B]\ry=2");
  doc.Set("main", "LEFT", "5");
  doc.Set("Main", "Width", "7");       // after the section's last line, ahead of the blank
  doc.Set("B", "z", "line\r\nbreak");  // a value never splits its line
  doc.Set("C", "3", "0");
  EXPECT_EQ(doc.Serialize(),
            "; keep\r\n[Main]\r\nLEFT=5\r\n odd \r\nTop=2\r\nWidth=7\r\n\r\n[B]\ry=2\r\n"
            "z=line  break\r\n[C]\r\n3=0\r\n");
  // Integers are decimal or hex only.
  const char* texts[] = {"+7", "0X1e", "0xFFFFFFFF", "2147483647", "-2147483648"};
  const int32_t numbers[] = {7, 30, -1, INT32_MAX, INT32_MIN};
  for (size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(ParseProfileInteger(texts[i]), numbers[i]) << texts[i];
  for (const char* bad : {"2147483648", "0x100000000", "0x", "yes", "12abc", "", "-", " 5", "0x1G"})
    EXPECT_EQ(ParseProfileInteger(bad), std::nullopt) << bad;
}

TEST(Settings, ANewFileIsTheUsersAloneOthersKeepTheirModeOrAreLeftAlone) {
  test::TempHome home;
  const std::string path = SettingsFilePath();
  using enum std::filesystem::perms;
  auto mode = [&] { return std::filesystem::status(path).permissions() & all; };
  test::PutRawSetting("Main", "Left", "3");
  test::PutRawSetting("Main", "Top", "4");
  EXPECT_EQ(mode(), owner_read | owner_write);
  chmod(path.c_str(), 0640);
  test::PutRawSetting("Main", "Top", "5");
  EXPECT_EQ(mode(), owner_read | owner_write | group_read);
  // Never replaced, even by root: read-only, a FIFO (no hang).
  const auto refused = [] {
    try {
      test::PutRawSetting("Main", "Left", "2");
    } catch (const QuilletError& e) {
      return Cp932ToUtf8(e.what()).ends_with("quillet.ini に書き込めません");
    }
    return false;
  };
  chmod(path.c_str(), 0444);
  EXPECT_TRUE(refused());
  EXPECT_EQ(ReadSettings().geometry.left, 3);
  unlink(path.c_str());
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  EXPECT_TRUE(refused());
  EXPECT_EQ(ReadSettings().geometry.left, key::kLeft.byDefault);
  EXPECT_TRUE(std::filesystem::is_fifo(path));
}

// A lock that cannot be taken is an error and nothing is written.
TEST(Settings, TheLockIsBesideTheFileALinkLeadsTo) {
  test::TempHome home;
  ForceDirectories(home.Path("dotfiles"));
  ASSERT_EQ(symlink(home.Path("dotfiles/q.ini").c_str(), SettingsFilePath().c_str()), 0);
  test::PutRawSetting("Main", "Left", "1");
  EXPECT_TRUE(std::filesystem::exists(home.Path("dotfiles/q.ini.lock")));
  EXPECT_FALSE(std::filesystem::exists(home.Path("quillet.ini.lock")));
  std::filesystem::remove(home.Path("dotfiles/q.ini.lock"));
  ForceDirectories(home.Path("dotfiles/q.ini.lock"));
  EXPECT_THROW(test::PutRawSetting("Main", "Left", "2"), QuilletError);
  EXPECT_EQ(ReadSettings().geometry.left, 1);
}

// --home, QUILLET_HOME, a portable copy's folder, else the XDG folders (only when absolute).
TEST(Settings, ProgramFoldersComeFromHomeThePortableCopyOrTheUsersXdgFolders) {
  const auto folders = [](FolderEnvironment e) {
    const ProgramFolders f = ChooseProgramFolders(e);
    return f.settings + " " + f.data;
  };
  FolderEnvironment e{"", "", "/opt/q/", false, "", "", "/home/u"};
  EXPECT_EQ(folders(e), "/home/u/.config/quillet/ /home/u/.local/share/quillet/");
  e.xdgConfigHome = "/c/", e.xdgDataHome = "/d";
  EXPECT_EQ(folders(e), "/c/quillet/ /d/quillet/");
  e.xdgConfigHome = "rel", e.xdgDataHome = "./d";
  EXPECT_EQ(folders(e), "/home/u/.config/quillet/ /home/u/.local/share/quillet/");
  e.executableFolderHoldsSettings = true;
  EXPECT_EQ(folders(e), "/opt/q/ /opt/q/");
  e.quilletHome = "/h";
  EXPECT_EQ(folders(e), "/h/ /h/");
  e.override = "/o/";
  EXPECT_EQ(folders(e), "/o/ /o/");
}

TEST(Settings, ValuesAreWrittenInTheirOrderAndReadAsStored) {
  test::TempHome home;
  test::PutGeometry({1, 2, 3, 4, false});
  test::PutBehaviour(ReadSettings().behaviour);
  test::PutConnection(ReadSettings().connection);
  std::string want =
      "[Main]\r\nMaximized=0\r\nLeft=1\r\nTop=2\r\nWidth=3\r\nHeight=4\r\nNoAddEmpty=1\r\n"
      "SaveLog=1\r\nAddNewsOnly=0\r\nNewWindowOnly=0\r\nIESelect=1\r\nIEPath=\r\nNNPath=\r\n"
      "TimerInterval=120\r\n[CheckRoute]\r\n";
  for (int i = 0; i < kCategoryCount; ++i)
    want += std::to_string(i) + "=1\r\n";
  want += "[HTTP]\r\nProxy=\r\nProxyUserName=\r\nProxyPassword=\r\nProxyCount=0\r\n";
  EXPECT_EQ(test::ReadBytes(SettingsFilePath()), want);

  // A value longer than the file gives back, written back by a dialog's OK, stays whole.
  const std::string longPath = "IEPath=/opt/" + std::string(2100, 'b') + "\r\n";
  test::WriteBytes(SettingsFilePath(), "[Main]\r\n" + longPath);
  test::PutBehaviour(ReadSettings().behaviour);
  EXPECT_NE(test::ReadBytes(SettingsFilePath()).find(longPath), std::string::npos);
  Behaviour b = ReadSettings().behaviour;
  b.iePath.pop_back();
  test::PutBehaviour(b);
  EXPECT_EQ(ReadSettings().behaviour.iePath, b.iePath);
  EXPECT_EQ(test::ReadBytes(SettingsFilePath()).find(longPath), std::string::npos);

  test::WriteBytes(SettingsFilePath(),
                   "[CheckRoute]\n5=0\n6=yes\n[main]\nMaximized=2\n[Feeds]\nAtOnce=0x20\n");
  EXPECT_EQ(ReadSettings().connection.feedsAtOnce, 10);  // within what the dialog offers
  EXPECT_FALSE(ReadSettings().connection.enabled[5]);
  EXPECT_TRUE(ReadSettings().connection.enabled[6]);  // not a number: the default
  EXPECT_TRUE(ReadSettings().geometry.maximized);
  Connection c = ReadSettings().connection;
  c.proxy = {"proxy.example:8080", "me", "pw"};
  c.proxyList = {"a:1\tu1\tp1", "b:2\t\t", "c:3\tu3\tp\t3", "d"};
  c.feedsAtOnce = 1;
  test::PutConnection(c);
  const Connection back = ReadSettings().connection;
  EXPECT_EQ(back.feedsAtOnce, 1);
  EXPECT_EQ(back.enabled, c.enabled);
  EXPECT_EQ(JoinProxyEntry(back.proxy), "proxy.example:8080\tme\tpw");
  EXPECT_EQ(back.proxyList, (Strings{"a:1\tu1\tp1", "b:2\t\t", "c:3\tu3\tp\t3", "d\t\t"}));
}

// The behaviour dialog's OK of the watch settings, as changes from the file's.
void ConfirmWatch(const std::vector<std::string>& keywords, Notify notify) {
  EditSettings([&](SettingsEdit& edit) {
    MergeWatch(edit, {keywords, {}, false, notify}, edit.Stored().watch);
  });
}

TEST(WatchList, ReadsWhatMakesSenseAndRewritesOnlyItsKeys) {
  test::TempHome home;
  const std::string ini = home.Path("quillet.ini");
  ConfirmWatch({}, Notify::kNew);
  EXPECT_FALSE(std::filesystem::exists(ini));
  EXPECT_EQ(ReadSettings().watch.notify, Notify::kNew);
  const std::string junk =
      "[watch]\r\nkeyword2=b\r\njunk\r\nKeyword0=a\r\nKeyword=x\r\n"
      "Keyword1x=y\r\nKeyword5=\r\nKeyword7=a\r\nKeyword8=B\r\nKeyword9=" +
      std::string(256, 'z') + "\r\nKeyword10=  \r\nNotify=1\r\n";
  test::WriteBytes(ini, "[Main]\r\nLeft=1\r\n" + junk);
  EXPECT_EQ(ReadSettings().watch.keywords, (Strings{"a", "b"}));
  const Strings unused = ReadSettings().watch.unused;
  ASSERT_EQ(unused.size(), 5u);
  EXPECT_EQ(unused[0], CP932("[Watch] の Keyword5 は使われません: キーワードが空です"));
  EXPECT_EQ(ReadSettings().watch.notify, Notify::kWatchOnly);
  ConfirmWatch({"a", "b"}, Notify::kWatchOnly);
  EXPECT_EQ(test::ReadBytes(ini), "[Main]\r\nLeft=1\r\n" + junk);
  ConfirmWatch({CP932("首相"), "c"}, Notify::kNever);
  EXPECT_EQ(test::ReadBytes(ini),
            "[Main]\r\nLeft=1\r\n[watch]\r\njunk\r\nKeyword=x\r\nKeyword1x=y\r\n"
            "Keyword5=\r\nKeyword9=" +
                std::string(256, 'z') +
                "\r\nKeyword10=  \r\nNotify=2\r\nKeyword0=" + CP932("首相") + "\r\nKeyword1=c\r\n");
}

TEST(WatchList, ADialogsEditsMergeIntoWhatAnotherWriterChanged) {
  const Strings loaded{"x", "y"};
  struct Case {
    const char* what;
    Strings edited, current, merged;
  } cases[] = {
      {"the other's addition stays", {"y", "z"}, {"x", "y", "w"}, {"y", "z", "w"}},
      {"the other's removal stays", {"x", "y"}, {"y"}, {"y"}},
      {"an addition the other made first", {"x", "y", "z"}, {"x", "y", "Z"}, {"x", "y", "Z"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MergeWatchEdits(loaded, c.edited, c.current), c.merged) << c.what;
}

TEST(WatchList, KeywordsThatCannotBeWatchedAreNamed) {
  const std::string kana = CP932("ニュース");
  for (const std::string& bad : {std::string("a\rb"), kana.substr(0, 3), std::string("\x81\x40 ")})
    EXPECT_TRUE(WatchKeywordProblem(bad).has_value()) << bad;
  for (const std::string& good : {std::string(255, 'x'), kana, std::string(" \x81\x41")})
    EXPECT_EQ(WatchKeywordProblem(good), std::nullopt) << good;
  EXPECT_EQ(WatchKeywordProblem("  "), CP932("キーワードが空白だけです"));
  // Matching folds A-Z only: full-width letters are other letters.
  EXPECT_EQ(WatchKeywordClash({"GP"}, "\x82\x66\x82\x6F"), std::nullopt);
}

// Feeds keep their ids across writes; new ones get ids never given before,
// so a removed feed's log is not taken over. Entries that cannot be used are
// named, and every write of the list or of another key keeps their lines.
TEST(FeedList, IdsAreStableAndEntriesThatCannotBeUsedAreKept) {
  test::TempHome home;
  const std::string ini = home.Path("quillet.ini");
  test::PutFeeds({});
  EXPECT_EQ(test::ReadBytes(ini), "[Feeds]\r\nCount=0\r\nNextId=1\r\n");
  const std::string tooLong = "Id4=3\r\nURL4=http://l/" + std::string(2100, 'x') + "\r\n";
  test::WriteBytes(ini,
                   "[Feeds]\r\nNote=kept\r\nCount=5\r\nid0=4\r\nName0=A\r\nUrl0=http://a/f\r\n"
                   "Id1=4\r\nName1=dup\r\nUrl1=http://b/\r\nId2=7\r\nName2=B\r\n"
                   "Url2=HTTPS://b/x\r\nEnabled2=0\r\nId3=9\r\nName3=C\r\nUrl3=ftp://c/\r\n" +
                       tooLong + "Id5=8\r\nName5=D\r\nUrl5=http://d/\r\n");
  std::vector<FeedSource> feeds = ReadSettings().feeds.feeds;
  ASSERT_EQ(feeds, (std::vector<FeedSource>{{4, "A", "http://a/f", true},
                                            {7, "B", "HTTPS://b/x", false}}));
  const Strings unused = ReadSettings().feeds.unused;
  ASSERT_EQ(unused.size(), 4u);
  EXPECT_EQ(unused[2], CP932("[Feeds] の URL4 は使われません: 値が長すぎます (2047バイトまで)"));
  EXPECT_EQ(unused[3], CP932("[Feeds] の Id5 は使われません: Count (5) より後の番号です"));
  test::PutSetting(key::kLeft, 5);
  feeds.erase(feeds.begin());
  feeds.push_back({0, CP932("新聞"), "https://n/rss", true});
  feeds = test::PutFeeds(feeds);  // ids 8 and 9 were seen in the file: the new feed gets 10
  EXPECT_EQ(feeds[1].id, 10);
  EXPECT_EQ(test::ReadBytes(ini),
            "[Feeds]\r\nNote=kept\r\nId1=4\r\nName1=dup\r\nUrl1=http://b/\r\nId3=9\r\n"
            "Name3=C\r\nUrl3=ftp://c/\r\n" +
                tooLong +
                "Id5=8\r\nName5=D\r\nUrl5=http://d/"
                "\r\nCount=5\r\nNextId=11\r\nId0=7\r\nName0=B\r\n"
                "Url0=HTTPS://b/x\r\nEnabled0=0\r\nId2=10\r\nName2=" +
                CP932("新聞") + "\r\nUrl2=https://n/rss\r\nEnabled2=1\r\n[Main]\r\nLeft=5\r\n");
  // With the feed of id 4 gone, the entry that repeated its id is that feed.
  feeds = ReadSettings().feeds.feeds;
  ASSERT_EQ(feeds, (std::vector<FeedSource>{{7, "B", "HTTPS://b/x", false},
                                            {4, "dup", "http://b/", true},
                                            {10, CP932("新聞"), "https://n/rss", true}}));
  feeds.pop_back();
  feeds.push_back({0, "E", "http://e/", true});
  EXPECT_EQ(test::PutFeeds(feeds)[2].id, 11);  // not the removed feed's 10
}

// The list a dialog confirms, merged by id into the one another writer left.
TEST(FeedList, ADialogsEditsMergeIntoWhatAnotherWriterChanged) {
  const FeedSource a{1, "A", "http://a/", true}, b{2, "B", "http://b/", true},
      c{3, "C", "http://c/", true}, added{0, "N", "http://n/", true};
  const FeedSource bRenamed{2, "B2", "http://b/", true}, cOff{3, "C", "http://c/", false},
      d{4, "D", "http://d/", true}, sameUrl{5, "N2", "HTTP://N/", true};
  using Feeds = std::vector<FeedSource>;
  const Feeds loaded{a, b, c};
  struct Case {
    const char* what;
    Feeds edited, current, merged;
  } cases[] = {
      {"the other's addition stays", {a, c, added}, {a, b, c, d}, {a, c, added, d}},
      {"the other's removal stays", {a, bRenamed, c}, {a, c}, {a, c}},
      {"both edits stay", {a, bRenamed, c}, {a, b, cOff}, {a, bRenamed, cOff}},
      {"the other's addition first", {a, b, c, added}, {a, b, c, sameUrl}, {a, b, c, sameUrl}},
  };
  for (const Case& t : cases)
    EXPECT_EQ(MergeFeedEdits(loaded, t.edited, t.current), t.merged) << t.what;
}

TEST(FeedList, NamesAndUrlsThatCannotBeStoredAreNamed) {
  const std::string kana = CP932("ニュース");
  for (const std::string& bad :
       {std::string(), std::string("a\tb"), std::string(256, 'x'), kana.substr(0, 3)})
    EXPECT_TRUE(FeedNameProblem(bad).has_value()) << bad;
  for (const std::string& good : {std::string(255, 'x'), kana})
    EXPECT_EQ(FeedNameProblem(good), std::nullopt) << good;
  for (const std::string& bad :
       Strings{"ftp://h/", "http://", "https:///x", "http://:80/", "http://u@/", "http://h/a b",
               "http://h/\x7f", "http://h/" + std::string(2040, 'p')})
    EXPECT_TRUE(FeedUrlProblem(bad).has_value()) << bad;
  for (const std::string& good : Strings{"http://h", "HTTPS://h:8443/a?b#c", "http://u:p@h/",
                                         "http://h/" + std::string(2038, 'p')})
    EXPECT_EQ(FeedUrlProblem(good), std::nullopt) << good;
}

// The autostart entry starts the program in the tray, its path quoted as desktop entries quote.
TEST(Autostart, TheEntryStartsTheTrayWithItsPathQuoted) {
  EXPECT_NE(
      AutostartEntry("/my apps/q$\"\\%", "/h h")
          .find("\nExec=env \"QUILLET_HOME=/h h\" \"/my apps/q\\\\$\\\\\"\\\\\\\\%%\" --tray\n"),
      std::string::npos);
  EXPECT_TRUE(AutostartFilePath().ends_with("/autostart/io.github.quillet.Quillet.desktop"));
}

}  // namespace
}  // namespace quillet
