// Open article, with stand-ins for xdg-open and the browser program that
// record their arguments.
#include "ui/browser_launch.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "program_windows.h"
#include "support/settings_edits.h"

namespace quillet {
namespace {

class BrowserLaunch : public test::WindowsTest {
 protected:
  BrowserLaunch() {
    for (const char* name : {"xdg-open", "browser"}) {
      test::WriteBytes(
          w.home.Path("bin/") + name,
          "#!/bin/sh\nout=\"$(dirname \"$0\")/args.txt\"\n"
          "{ echo \"$(basename \"$0\") $#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } "
          "> \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n");
      std::filesystem::permissions(w.home.Path("bin/") + name, std::filesystem::perms::owner_all);
    }
    setenv("PATH", (w.home.Path("bin") + ":" + path).c_str(), 1);
  }
  ~BrowserLaunch() override { setenv("PATH", path.c_str(), 1); }
  // The stand-in that ran, its argument count and arguments, a line each.
  std::string Launched() {
    const std::string args = w.home.Path("bin/args.txt");
    const std::string launched =
        test::SpinUntil([&] { return FileExists(args); }, 10'000) ? test::ReadBytes(args) : "";
    std::filesystem::remove(args);
    return launched;
  }

  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string browser = w.home.Path("bin/browser");
};

TEST_F(BrowserLaunch, TheSettingsChooseTheDesktopTheBrowserProgramOrAMessageAndFailuresSayWhy) {
  // The [Main] section, the URL, and what the stand-in got or "caption: text".
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"IEPath=" + browser, "http://127.0.0.1/記事?a=1&b=2",
       "xdg-open 1\nhttp://127.0.0.1/記事?a=1&b=2\n"},
      {"NewWindowOnly=1\r\nIEPath=" + browser, "http://127.0.0.1/a b?q=ニュース;echo z",
       "browser 1\nhttp://127.0.0.1/a b?q=ニュース;echo z\n"},
      {"NewWindowOnly=1\r\nIESelect=0", "http://x/",
       "Netscape Navigaterが見つかりません: ファイルが見つかりません\n\n"},
      {"NewWindowOnly=1\r\nIEPath=" + w.home.Dir(), "HTTPS://x/",  // a folder is no program
       "Internet Explorerが見つかりません: ファイルが見つかりません\n\n" + w.home.Dir()},
      {"", "file:///etc/passwd", "Quillet: このURLは開けません\n\nfile:///etc/passwd"},
  };
  for (const auto& [ini, url, result] : cases) {
    SCOPED_TRACE(url);
    // Every launch reads the settings file afresh.
    test::WriteBytes(settings::SettingsFilePath(), "[Main]\r\n" + ini + "\r\n");
    OpenArticle(Utf8ToCp932(url), nullptr);
    EXPECT_EQ(w.messages.empty() ? Launched() : w.messages[0].caption + ": " + w.messages[0].text,
              result);
    EXPECT_TRUE(w.messages.size() <= 1 &&
                (w.messages.empty() || w.messages[0].icon == MessageIcon::kExclamation));
    w.messages.clear();
  }

  // A browser program that cannot be run, an xdg-open that fails (no browser to
  // open the URL with: its exit status and last word) and a PATH without one.
  test::PutSetting(settings::key::kNewWindowOnly, true);
  test::PutSetting(settings::key::kIEPath, browser);
  std::filesystem::permissions(browser, std::filesystem::perms::owner_read);
  OpenArticle("http://127.0.0.1/a", nullptr);
  test::PutSetting(settings::key::kNewWindowOnly, false);
  test::WriteBytes(w.home.Path("bin/xdg-open"),
                   "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\n"
                   "exit 3\n");
  OpenArticle("http://127.0.0.1/b", nullptr);
  ASSERT_TRUE(test::SpinUntil([&] { return w.messages.size() == 2; }));
  setenv("PATH", w.home.Path("empty").c_str(), 1);
  OpenArticle("http://127.0.0.1/c", nullptr);
  ASSERT_TRUE(test::SpinUntil([&] { return w.messages.size() == 3; }, 5'000));
  const std::string opening = "この記事をブラウザで開けませんでした\n\nhttp://127.0.0.1/";
  EXPECT_TRUE(w.messages[0].text.starts_with(opening + "a\n\n" + browser + " を起動できません"))
      << w.messages[0].text;
  EXPECT_EQ(w.messages[1].caption, "ブラウザを起動できません");
  EXPECT_EQ(w.messages[1].text,
            opening +
                "b\n\nxdg-open が失敗しました (終了コード 3): "
                "xdg-open: no method available for opening "
                "'http://127.0.0.1/b'\n既定のブラウザが設定されているか確かめてください");
  EXPECT_EQ(w.messages[2].text,
            opening + "c\n\nURLを開くプログラム xdg-open が見つかりません (パッケージ xdg-utils)");
}

}  // namespace
}  // namespace quillet
