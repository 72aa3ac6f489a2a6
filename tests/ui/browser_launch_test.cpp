// Open article: what the settings hand to the desktop or the browser program,
// the messages instead of a launch, and real launches.
#include "ui/browser_launch.h"

#include <QThread>

#include <cstdlib>
#include <filesystem>

#include "program_windows.h"
#include "support/settings_edits.h"

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
      {"a folder is no program", "NewWindowOnly=1\r\nIEPath=" + w.home.Dir(), "HTTPS://x/", "",
       "Internet Explorerが見つかりません: ファイルが見つかりません\n\n" + w.home.Dir()},
      {"https, any case", "IEPath=/nowhere", "hTTps://x/", "hTTps://x/", ""},
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
    ASSERT_EQ(w.messages.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(w.messages[0].caption + ": " + w.messages[0].text, c.message);
      EXPECT_EQ(w.messages[0].icon, MessageIcon::kExclamation);
    }
  }
}

// Puts a stand-in program at `path`, opens `url` and returns the program's
// argument count and arguments, one per line ("" when it did not run).
std::string ArgumentsOfLaunch(const std::string& path, const std::string& url) {
  test::WriteBytes(
      path,
      "#!/bin/sh\n"
      "out=\"$(dirname \"$0\")/args.txt\"\n"
      "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.tmp\"\n"
      "mv \"$out.tmp\" \"$out\"\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  OpenArticle(Utf8ToCp932(url), nullptr);
  // A generous limit only keeps a broken launch from hanging the run.
  const std::string args = DirectoryOf(path) + "/args.txt";
  for (int i = 0; i < 1000 && !FileExists(args); ++i)
    QThread::msleep(10);
  return test::ReadBytes(args);
}

TEST_F(BrowserLaunch, ARealProgramStartPassesTheUrlAsOneArgument) {
  const std::string browser = w.home.Path("bin/browser");
  test::PutSetting(settings::key::kNewWindowOnly, true);
  test::PutSetting(settings::key::kIEPath, browser);
  EXPECT_EQ(ArgumentsOfLaunch(browser, "http://127.0.0.1/a b?x=1&y=記事;echo z"),
            "1\nhttp://127.0.0.1/a b?x=1&y=記事;echo z\n");
  EXPECT_TRUE(w.messages.empty());
  // A file that cannot be run is no browser.
  std::filesystem::permissions(browser, std::filesystem::perms::owner_read);
  OpenArticle("http://127.0.0.1/x", nullptr);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_TRUE(w.messages[0].text.starts_with(
      "この記事をブラウザで開けませんでした\n\nhttp://127.0.0.1/x\n\n" + browser +
      " を起動できません"))
      << w.messages[0].text;
}

// The desktop's handler is the first xdg-open on PATH, watched to its end:
// one that fails (no browser to open the URL with) is reported with its exit
// status and its last word, as is a PATH without one.
TEST_F(BrowserLaunch, TheRealDesktopHandlerIsXdgOpenAndItsFailureIsReported) {
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (w.home.Path("bin") + ":" + path).c_str(), 1);
  EXPECT_EQ(ArgumentsOfLaunch(w.home.Path("bin/xdg-open"), "http://127.0.0.1/a?id=1"),
            "1\nhttp://127.0.0.1/a?id=1\n");
  EXPECT_TRUE(w.messages.empty());

  test::WriteBytes(w.home.Path("bin/xdg-open"),
                   "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\n"
                   "exit 3\n");
  OpenArticle("http://127.0.0.1/b", nullptr);
  ASSERT_TRUE(test::SpinUntil([&] { return !w.messages.empty(); }));
  EXPECT_EQ(w.messages[0].caption, "ブラウザを起動できません");
  EXPECT_EQ(w.messages[0].text,
            "この記事をブラウザで開けませんでした\n\nhttp://127.0.0.1/b\n\n"
            "xdg-open が失敗しました (終了コード 3): "
            "xdg-open: no method available for opening 'http://127.0.0.1/b'\n"
            "既定のブラウザが設定されているか確かめてください");

  // No xdg-open and no browser Qt knows of on PATH.
  w.messages.clear();
  setenv("PATH", w.home.Path("empty").c_str(), 1);
  OpenArticle("http://127.0.0.1/c", nullptr);
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(test::SpinUntil([&] { return !w.messages.empty(); }, 5'000));
  EXPECT_EQ(w.messages[0].text,
            "この記事をブラウザで開けませんでした\n\nhttp://127.0.0.1/c\n\n"
            "URLを開くプログラム xdg-open が見つかりません (パッケージ xdg-utils)");
}

}  // namespace
}  // namespace quillet
