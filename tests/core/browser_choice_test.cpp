// The choice between the default handler, the chosen browser and a message.
#include <gtest/gtest.h>

#include "core/settings/browser_choice.h"
#include "core/settings/settings.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using Kind = BrowserAction::Kind;

TEST(BrowserChoice, DefaultHandlerUnlessNewWindowOnly) {
  test::TempHome home;
  settings::WriteString("Main", "IEPath", "/nowhere/browser");
  BrowserAction a = ChooseBrowserAction("http://www.cnn.co.jp/a.html");
  EXPECT_EQ(a.kind, Kind::kOpenDefault);
  EXPECT_EQ(a.url, "http://www.cnn.co.jp/a.html");
}

TEST(BrowserChoice, ChosenBrowserOrItsNotFoundMessage) {
  test::TempHome home;
  settings::WriteBool("Main", "NewWindowOnly", true);
  BrowserAction a = ChooseBrowserAction("http://x/");
  EXPECT_EQ(a.kind, Kind::kMessage);  // IESelect by default, IEPath empty
  EXPECT_EQ(Cp932ToUtf8(a.message), "ファイルが見つかりません\n\n");
  EXPECT_EQ(Cp932ToUtf8(a.caption), "Internet Explorerが見つかりません");

  test::WriteBytes(home.Path("bin/browser"), "#!/bin/sh\n");
  settings::WriteString("Main", "IEPath", home.Path("bin/browser"));
  a = ChooseBrowserAction("http://x/ y");
  EXPECT_EQ(a.kind, Kind::kStartProgram);
  EXPECT_EQ(a.program, home.Path("bin/browser"));
  EXPECT_EQ(a.url, "http://x/ y");

  settings::WriteBool("Main", "IESelect", false);
  settings::WriteString("Main", "NNPath", home.Path("bin"));  // a folder is no program
  a = ChooseBrowserAction("http://x/");
  EXPECT_EQ(a.kind, Kind::kMessage);
  EXPECT_EQ(Cp932ToUtf8(a.message), "ファイルが見つかりません\n\n" + home.Path("bin"));
  EXPECT_EQ(Cp932ToUtf8(a.caption), "Netscape Navigaterが見つかりません");
}

TEST(BrowserChoice, OnlyWebUrlsAreOpened) {
  test::TempHome home;
  for (const char* url : {"HTTP://X/", "https://x/", "http://"})
    EXPECT_TRUE(IsWebUrl(url)) << url;
  for (const char* url :
       {"file:///etc/passwd", "/usr/bin/xterm", "", "javascript:x", "httpx://a"}) {
    BrowserAction a = ChooseBrowserAction(url);
    EXPECT_EQ(a.kind, Kind::kMessage) << url;
    EXPECT_EQ(Cp932ToUtf8(a.message), std::string("このURLは開けません\n\n") + url);
  }
}

}  // namespace
}  // namespace quillet
