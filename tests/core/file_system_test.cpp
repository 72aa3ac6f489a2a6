// Atomic file replacement: symbolic links followed to their target, writers of
// one file at the same time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "support/settings_edits.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  return names;
}

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

std::string LinkText(const std::string& path) {
  std::error_code error;
  return std::filesystem::read_symlink(path, error).string();
}

// A file reached through links gets the new bytes and keeps its mode; every
// link stays as it was, and no other file appears in any of the folders.
TEST(WriteFileAtomic, LinksAreFollowedToTheirTargetWhichIsReplacedInItsOwnFolder) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // path, link text ("@": home)
    std::string target;
    bool targetExists;
  };
  const std::vector<Case> cases = {
      {"absolute, other folder",
       {{"a/quillet.ini", "@dotfiles/quillet.ini"}},
       "dotfiles/quillet.ini",
       true},
      {"a link to a link, each read from its own folder",
       {{"a/quillet.ini", "../b/hop.ini"}, {"b/hop.ini", "real.ini"}},
       "b/real.ini",
       true},
      {"no target yet, its folder there",
       {{"a/quillet.ini", "../dotfiles/new.ini"}},
       "dotfiles/new.ini",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempHome home;
    for (const char* dir : {"a", "b", "dotfiles"})
      ForceDirectories(home.Path(dir));
    if (c.targetExists) {
      test::WriteBytes(home.Path(c.target), "old\r\n");
      chmod(home.Path(c.target).c_str(), 0640);
    }
    for (auto [link, text] : c.links) {
      if (text.starts_with('@')) text = home.Dir() + text.substr(1);
      ASSERT_EQ(symlink(text.c_str(), home.Path(link).c_str()), 0);
    }
    std::map<std::string, std::set<std::string>> before;
    for (const char* dir : {"a", "b", "dotfiles"})
      before[dir] = Names(home.Path(dir));
    if (!c.targetExists) before["dotfiles"].insert("new.ini");

    ASSERT_TRUE(CanReplaceFile(home.Path("a/quillet.ini")));
    ASSERT_TRUE(WriteFileAtomic(home.Path("a/quillet.ini"), "[Main]\r\nLeft=5\r\n", 0600));
    EXPECT_EQ(test::ReadBytes(home.Path(c.target)), "[Main]\r\nLeft=5\r\n");
    EXPECT_EQ(ModeOf(home.Path(c.target)), c.targetExists ? 0640u : 0600u);
    for (auto [link, text] : c.links) {
      if (text.starts_with('@')) text = home.Dir() + text.substr(1);
      EXPECT_EQ(LinkText(home.Path(link)), text) << link;
    }
    for (const char* dir : {"a", "b", "dotfiles"})
      EXPECT_EQ(Names(home.Path(dir)), before[dir]) << dir;
  }
}

// A settings file that is a link leading nowhere (into a missing folder, round
// in a loop) is an error naming the link; the link stays and nothing is written.
TEST(WriteFileAtomic, ASettingsFileLinkThatLeadsNowhereIsAnErrorNamingTheLink) {
  test::TempHome home;
  const std::string path = settings::SettingsFilePath();
  ForceDirectories(DirectoryOf(path));
  for (const std::string& leadsNowhere : {home.Path("missing/target"), path}) {
    unlink(path.c_str());
    ASSERT_EQ(symlink(leadsNowhere.c_str(), path.c_str()), 0);
    std::set<std::string> before = Names(DirectoryOf(path));
    before.erase("quillet.ini.lock");  // the settings lock's file stays
    errno = 0;
    EXPECT_FALSE(CanReplaceFile(path)) << leadsNowhere;
    EXPECT_NE(errno, 0);
    try {
      test::PutRawSetting("Main", "Left", "5");
      ADD_FAILURE() << "written through " << leadsNowhere;
    } catch (const QuilletError& e) {
      const std::string message = Cp932ToUtf8(e.what());
      EXPECT_TRUE(message.find(path + " に書き込めません") != std::string::npos) << message;
    }
    EXPECT_EQ(LinkText(path), leadsNowhere);
    std::set<std::string> after = Names(DirectoryOf(path));
    after.erase("quillet.ini.lock");  // the settings lock's file stays
    EXPECT_EQ(after, before);
    EXPECT_FALSE(DirectoryExists(home.Path("missing")));
  }
}

// Writers of one file at the same time each replace it whole, every time: one
// writer's clean-up of temporary files never takes another's live one.
TEST(WriteFileAtomic, WritersOfOneFileAtTheSameTimeAllSucceed) {
  test::TempHome home;
  const std::string path = home.Path("quillet.ini");
  constexpr int kWriters = 3;
  constexpr int kRounds = 100;
  auto content = [](int writer) {
    return std::string(static_cast<size_t>(100 + writer * 37), static_cast<char>('a' + writer));
  };
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    if (child == 0) {
      int failures = 0;
      for (int round = 0; round < kRounds; ++round)
        failures += WriteFileAtomic(path, content(w)) ? 0 : 1;
      _exit(std::min(failures, 100));
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed writes of one writer";
  }
  const std::string bytes = test::ReadBytes(path);
  bool whole = false;
  for (int w = 0; w < kWriters; ++w)
    whole = whole || bytes == content(w);
  EXPECT_TRUE(whole) << bytes.size() << " bytes";
  EXPECT_EQ(Names(home.Dir()), std::set<std::string>{"quillet.ini"});
}

}  // namespace
}  // namespace quillet
