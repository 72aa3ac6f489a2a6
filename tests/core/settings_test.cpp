// The settings file: location, defaults, encodings, write order and errors.
#include <gtest/gtest.h>

#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using namespace settings;

TEST(ProgramDirectory, ComesFromQuilletHomeWithATrailingSlash) {
  const char* saved = std::getenv("QUILLET_HOME");
  setenv("QUILLET_HOME", "/tmp/some/where", 1);
  EXPECT_EQ(ProgramDirectory(), "/tmp/some/where/");
  EXPECT_EQ(SettingsFilePath(), "/tmp/some/where/quillet.ini");
  SetProgramDirectory("/override");  // the command line's --home wins
  EXPECT_EQ(ProgramDirectory(), "/override/");
  SetProgramDirectory("");
  setenv("QUILLET_HOME", "", 1);  // empty: the executable's folder
  std::string exeDir = ProgramDirectory();
  EXPECT_EQ(exeDir.back(), '/');
  EXPECT_TRUE(DirectoryExists(exeDir));
  if (saved) {
    setenv("QUILLET_HOME", saved, 1);
  } else {
    unsetenv("QUILLET_HOME");
  }
}

TEST(Settings, NoFileGivesEveryDefault) {
  test::TempHome home;
  Behaviour b = ReadBehaviour();
  EXPECT_EQ(b.timerInterval, 120);
  EXPECT_TRUE(b.saveLog);
  EXPECT_TRUE(b.noAddEmpty);
  EXPECT_FALSE(b.addNewsOnly);
  EXPECT_FALSE(b.newWindowOnly);
  EXPECT_TRUE(b.ieSelect);
  EXPECT_EQ(b.iePath, "");
  Connection c = ReadConnection();
  for (bool enabled : c.enabled)
    EXPECT_TRUE(enabled);
  EXPECT_EQ(c.proxy.address, "");
  EXPECT_TRUE(c.proxyList.empty());
  Geometry g = ReadGeometry({1, 2, 3, 4, false});
  EXPECT_EQ(g.left, 1);
  EXPECT_EQ(g.height, 4);
  EXPECT_FALSE(g.maximized);
  EXPECT_FALSE(FileExists(SettingsFilePath()));  // reading never creates the file
}

TEST(Settings, ValuesAreReadByTheirEncoding) {
  test::TempHome home;
  test::WriteBytes(SettingsFilePath(),
                   "[CheckRoute]\r\n5=0\r\n6=yes\r\n7=2\r\n[Main]\r\nTimerInterval=0x1E\r\n"
                   "SaveLog=0\r\nIEPath=/usr/bin/x y\r\n[http]\r\nproxy=127.0.0.1:3128\r\n");
  EXPECT_FALSE(CheckRoute(5));
  EXPECT_TRUE(CheckRoute(6));  // not a number: the default
  EXPECT_TRUE(CheckRoute(7));  // non-zero
  EXPECT_TRUE(CheckRoute(4));  // missing
  EXPECT_EQ(TimerInterval(), 30);
  EXPECT_FALSE(SaveLog());
  EXPECT_EQ(IEPath(), "/usr/bin/x y");
  EXPECT_EQ(ReadProxy().address, "127.0.0.1:3128");
}

TEST(Settings, BehaviourAndGeometryAreWrittenInTheirOrder) {
  test::TempHome home;
  WriteGeometry({10, 20, 300, 400, true});
  Behaviour b;
  b.iePath = "/opt/b";
  b.timerInterval = 15;
  WriteBehaviour(b);
  EXPECT_EQ(test::ReadBytes(SettingsFilePath()),
            "[Main]\r\nMaximized=1\r\nLeft=10\r\nTop=20\r\nWidth=300\r\nHeight=400\r\n"
            "NoAddEmpty=1\r\nSaveLog=1\r\nAddNewsOnly=0\r\nNewWindowOnly=0\r\nIESelect=1\r\n"
            "IEPath=/opt/b\r\nNNPath=\r\nTimerInterval=15\r\n");
  Geometry g = ReadGeometry({});
  EXPECT_EQ(g.width, 300);
  EXPECT_TRUE(g.maximized);
}

TEST(Settings, ProxyListRoundTripsAndShrinkingLeavesOldKeys) {
  test::TempHome home;
  Connection c;
  c.enabled.fill(true);
  c.enabled[5] = false;
  c.proxy = {"proxy.example:8080", "me", "pw"};
  c.proxyList = {"a:1\tu1\tp1", "b:2\t\t", "c:3\tu3\tp\t3"};
  WriteConnection(c);
  Connection back = ReadConnection();
  EXPECT_FALSE(back.enabled[5]);
  EXPECT_TRUE(back.enabled[64]);
  EXPECT_EQ(back.proxy.userName, "me");
  EXPECT_EQ(back.proxyList, c.proxyList);  // a TAB in the password survives

  c.proxyList.resize(2);
  WriteConnection(c);
  const std::string text = test::ReadBytes(SettingsFilePath());
  EXPECT_NE(text.find("ProxyCount=2\r\n"), std::string::npos);
  EXPECT_NE(text.find("ProxyList2=c:3\r\n"), std::string::npos);
  EXPECT_NE(text.find("ProxyListUserName1=\r\nProxyListPassword1=\r\n"), std::string::npos);
  EXPECT_EQ(ReadConnection().proxyList, (std::vector<std::string>{"a:1\tu1\tp1", "b:2\t\t"}));
}

TEST(Settings, ConnectionKeysAreWrittenInIndexOrder) {
  test::TempHome home;
  Connection c;
  c.enabled.fill(true);
  WriteConnection(c);
  std::string expected = "[CheckRoute]\r\n";
  for (int i = 0; i < kCategoryCount; ++i)
    expected += std::to_string(i) + "=1\r\n";
  expected += "[HTTP]\r\nProxy=\r\nProxyUserName=\r\nProxyPassword=\r\nProxyCount=0\r\n";
  EXPECT_EQ(test::ReadBytes(SettingsFilePath()), expected);
}

TEST(Settings, SplittingAnEntryWithoutTabs) {
  Proxy p = SplitProxyEntry("only-address");
  EXPECT_EQ(p.address, "only-address");
  EXPECT_EQ(p.userName, "");
  p = SplitProxyEntry("a\tuser");
  EXPECT_EQ(p.userName, "user");
  EXPECT_EQ(JoinProxyEntry({"a", "", ""}), "a\t\t");
}

TEST(Settings, FailedWriteRaisesTheMessageWithThePath) {
  test::TempHome home;
  test::WriteBytes(home.Path("notadir"), "x");
  SetProgramDirectory(home.Path("notadir"));
  try {
    WriteBool("Main", "SaveLog", true);
    FAIL() << "write into a missing folder succeeded";
  } catch (const QuilletError& e) {
    EXPECT_EQ(Cp932ToUtf8(e.what()), home.Path("notadir/quillet.ini") + " に書き込めません");
  }
}

}  // namespace
}  // namespace quillet
