// Open article and Copy URL: the choice handed to an opener, the messages, and
// the real program start and desktop handler with stand-in scripts.
#include <QClipboard>
#include <QGuiApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "core/settings/settings.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"
#include "ui/browser_launch.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

struct Message {
  std::string text, caption;
  MessageIcon icon;
};

class RecordingOpener : public UrlOpener {
 public:
  // Both report failure: a launch that fails is not reported to the user.
  bool OpenUrl(const std::string& url) override {
    opened.push_back(url);
    return false;
  }
  bool StartProgram(const std::string& program, const std::string& url) override {
    started.emplace_back(program, url);
    return false;
  }
  std::vector<std::string> opened;
  std::vector<std::pair<std::string, std::string>> started;
};

// A script that writes its argument count and then its arguments, one per
// line, to args.txt beside itself (renamed into place when complete).
void WriteRecordingScript(const std::string& path) {
  test::WriteBytes(
      path,
      "#!/bin/sh\n"
      "out=\"$(dirname \"$0\")/args.txt\"\n"
      "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.tmp\"\n"
      "mv \"$out.tmp\" \"$out\"\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Waits for a detached process to leave its file; a generous limit only keeps
// a broken launch from hanging the run.
std::optional<std::string> WaitForFile(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (FileExists(path)) return test::ReadBytes(path);
    QThread::msleep(10);
  }
  return std::nullopt;
}

class BrowserLaunch : public ::testing::Test {
 protected:
  BrowserLaunch() {
    SetUrlOpener(&opener);
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back({text, caption, icon});
        });
  }
  ~BrowserLaunch() override {
    SetUrlOpener(nullptr);
    SetMessageHookForTesting(nullptr);
  }

  test::TempHome home;
  RecordingOpener opener;
  std::vector<Message> messages;
};

TEST_F(BrowserLaunch, OpenerReceivesTheUrlAsUnicode) {
  const std::string browser = home.Path("bin/browser");
  WriteRecordingScript(browser);
  settings::WriteString("Main", "IEPath", browser);
  OpenArticle(Utf8ToCp932("http://127.0.0.1/記事?a=1&b=2"), nullptr);
  EXPECT_EQ(opener.opened, std::vector<std::string>{"http://127.0.0.1/記事?a=1&b=2"});
  EXPECT_TRUE(opener.started.empty());

  // Every launch reads the settings file afresh.
  settings::WriteBool("Main", "NewWindowOnly", true);
  OpenArticle(Utf8ToCp932("http://127.0.0.1/a b?q=ニュース"), nullptr);
  ASSERT_EQ(opener.started.size(), 1u);
  EXPECT_EQ(opener.started[0].first, browser);
  EXPECT_EQ(opener.started[0].second, "http://127.0.0.1/a b?q=ニュース");
  EXPECT_EQ(opener.opened.size(), 1u);
  EXPECT_TRUE(messages.empty()) << "a failed launch was reported";
}

TEST_F(BrowserLaunch, MessagesInsteadOfALaunch) {
  settings::WriteBool("Main", "NewWindowOnly", true);
  settings::WriteBool("Main", "IESelect", false);
  OpenArticle("http://x/", nullptr);
  OpenArticle("file:///etc/passwd", nullptr);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(Cp932ToUtf8(messages[0].text), "ファイルが見つかりません\n\n");
  EXPECT_EQ(Cp932ToUtf8(messages[0].caption), "Netscape Navigaterが見つかりません");
  EXPECT_EQ(Cp932ToUtf8(messages[1].text), "このURLは開けません\n\nfile:///etc/passwd");
  EXPECT_EQ(messages[1].caption, "Quillet");
  for (const Message& m : messages)
    EXPECT_EQ(m.icon, MessageIcon::kExclamation);
  EXPECT_TRUE(opener.opened.empty());
  EXPECT_TRUE(opener.started.empty());
}

TEST_F(BrowserLaunch, RealProgramStartPassesTheUrlAsOneArgument) {
  SetUrlOpener(nullptr);
  const std::string browser = home.Path("bin/browser");
  WriteRecordingScript(browser);
  settings::WriteBool("Main", "NewWindowOnly", true);
  settings::WriteString("Main", "IEPath", browser);
  OpenArticle(Utf8ToCp932("http://127.0.0.1/a b?x=1&y=記事;echo z"), nullptr);
  const std::optional<std::string> args = WaitForFile(home.Path("bin/args.txt"));
  ASSERT_TRUE(args) << "the stand-in browser did not run";
  EXPECT_EQ(*args, "1\nhttp://127.0.0.1/a b?x=1&y=記事;echo z\n");
  EXPECT_TRUE(messages.empty());
}

// QDesktopServices cannot open anything on the offscreen platform; with a
// display (e.g. under Xvfb) the desktop handler is the first xdg-open on PATH.
TEST_F(BrowserLaunch, RealDesktopHandlerIsXdgOpen) {
  if (QGuiApplication::platformName() == QStringLiteral("offscreen"))
    GTEST_SKIP() << "needs a display platform";
  SetUrlOpener(nullptr);
  WriteRecordingScript(home.Path("bin/xdg-open"));
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", (home.Path("bin") + ":" + savedPath).c_str(), 1);
  OpenArticle("http://127.0.0.1/article?id=1", nullptr);
  setenv("PATH", savedPath.c_str(), 1);
  const std::optional<std::string> args = WaitForFile(home.Path("bin/args.txt"));
  ASSERT_TRUE(args) << "xdg-open was not started";
  EXPECT_EQ(*args, "1\nhttp://127.0.0.1/article?id=1\n");
}

TEST_F(BrowserLaunch, CopyUrlReplacesTheClipboardText) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("earlier"));
  CopyUrl(Utf8ToCp932("http://127.0.0.1/記事?a=1"));
  EXPECT_EQ(clipboard->text(), QString::fromUtf8("http://127.0.0.1/記事?a=1"));
  CopyUrl("");
  EXPECT_EQ(clipboard->text(), QString());
}

}  // namespace
}  // namespace quillet
