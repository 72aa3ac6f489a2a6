// Open article: what the settings hand to the desktop or the browser program,
// the messages instead of a launch, and a real program start.
#include "ui/browser_launch.h"

#include <QThread>

#include <filesystem>
#include <optional>

#include "program_windows.h"

namespace quillet {
namespace {

using BrowserLaunch = test::WindowsTest;

TEST_F(BrowserLaunch, TheSettingsChooseTheDesktopTheBrowserProgramOrAMessage) {
  const std::string browser = w.home.Path("bin/browser");
  test::WriteBytes(browser, "#!/bin/sh\n");
  std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
  const struct {
    const char* what;
    std::string ini;  // [Main] section
    std::string url;  // UTF-8
    std::string opened;
    std::string message;  // "caption: text"
  } cases[] = {
      {"the desktop", "IEPath=" + browser, "http://127.0.0.1/記事?a=1&b=2",
       "http://127.0.0.1/記事?a=1&b=2", ""},
      {"the chosen program", "NewWindowOnly=1\r\nIEPath=" + browser,
       "http://127.0.0.1/a b?q=ニュース", browser + " http://127.0.0.1/a b?q=ニュース", ""},
      {"a program that is not there", "NewWindowOnly=1\r\nIESelect=0", "http://x/", "",
       "Netscape Navigaterが見つかりません: ファイルが見つかりません\n\n"},
      {"no web URL", "", "file:///etc/passwd", "",
       "Quillet: このURLは開けません\n\nfile:///etc/passwd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Every launch reads the settings file afresh.
    test::WriteBytes(settings::SettingsFilePath(), "[Main]\r\n" + c.ini + "\r\n");
    test::RecordingOpener opener;
    w.messages.clear();
    OpenArticle(Utf8ToCp932(c.url), nullptr);
    EXPECT_EQ(opener.opened, c.opened.empty() ? test::Texts{} : test::Texts{c.opened});
    // A launch that fails (the recording opener fails every one) is not reported.
    ASSERT_EQ(w.messages.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(w.messages[0].caption + ": " + w.messages[0].text, c.message);
      EXPECT_EQ(w.messages[0].icon, MessageIcon::kExclamation);
    }
  }
}

TEST_F(BrowserLaunch, ARealProgramStartPassesTheUrlAsOneArgument) {
  // The stand-in browser writes its argument count and arguments to a file
  // beside itself, renamed into place when complete.
  const std::string browser = w.home.Path("bin/browser");
  test::WriteBytes(
      browser,
      "#!/bin/sh\n"
      "out=\"$(dirname \"$0\")/args.txt\"\n"
      "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.tmp\"\n"
      "mv \"$out.tmp\" \"$out\"\n");
  std::filesystem::permissions(browser, std::filesystem::perms::owner_all);
  settings::WriteBool("Main", "NewWindowOnly", true);
  settings::WriteString("Main", "IEPath", browser);
  OpenArticle(Utf8ToCp932("http://127.0.0.1/a b?x=1&y=記事;echo z"), nullptr);
  // A generous limit only keeps a broken launch from hanging the run.
  const std::string args = w.home.Path("bin/args.txt");
  for (int i = 0; i < 1000 && !FileExists(args); ++i)
    QThread::msleep(10);
  EXPECT_EQ(test::ReadBytes(args), "1\nhttp://127.0.0.1/a b?x=1&y=記事;echo z\n");
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace quillet
