// Atomic file replacement: symbolic links followed, writers of one file at the same time.
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

namespace fs = std::filesystem;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string());
  names.erase("quillet.ini.lock");  // the settings lock's file stays
  return names;
}

// The target gets the bytes and keeps its mode; the links stay, no other file appears.
TEST(WriteFileAtomic, LinksAreFollowedToTheirTargetWhichIsReplacedInItsOwnFolder) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> links;  // path, link text ("@": home)
    std::string target;
    bool targetExists;
  };
  // clang-format off
  const Case cases[] = {
      {{{"a/quillet.ini", "@dotfiles/quillet.ini"}}, "dotfiles/quillet.ini", true},
      {{{"a/quillet.ini", "../b/hop.ini"}, {"b/hop.ini", "real.ini"}}, "b/real.ini", true},
      {{{"a/quillet.ini", "../dotfiles/new.ini"}}, "dotfiles/new.ini", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    test::TempHome home;
    const auto text = [&](const std::string& t) {
      return t.starts_with('@') ? home.Dir() + t.substr(1) : t;
    };
    for (const char* dir : {"a", "b", "dotfiles"})
      ForceDirectories(home.Path(dir));
    if (c.targetExists) {
      test::WriteBytes(home.Path(c.target), "old\r\n");
      chmod(home.Path(c.target).c_str(), 0640);
    }
    for (const auto& [link, t] : c.links)
      ASSERT_EQ(symlink(text(t).c_str(), home.Path(link).c_str()), 0);
    std::map<std::string, std::set<std::string>> before;
    for (const char* dir : {"a", "b", "dotfiles"})
      before[dir] = Names(home.Path(dir));
    if (!c.targetExists) before["dotfiles"].insert("new.ini");

    ASSERT_TRUE(CanReplaceFile(home.Path("a/quillet.ini")));
    ASSERT_TRUE(WriteFileAtomic(home.Path("a/quillet.ini"), "[Main]\r\nLeft=5\r\n", 0600));
    EXPECT_EQ(test::ReadBytes(home.Path(c.target)), "[Main]\r\nLeft=5\r\n");
    EXPECT_EQ(fs::status(home.Path(c.target)).permissions(),
              fs::perms(c.targetExists ? 0640 : 0600));
    for (const auto& [link, t] : c.links)
      EXPECT_EQ(fs::read_symlink(home.Path(link)), text(t)) << link;
    for (const char* dir : {"a", "b", "dotfiles"})
      EXPECT_EQ(Names(home.Path(dir)), before[dir]) << dir;
  }
}

// Into a missing folder or round in a loop: the link stays and nothing is written.
TEST(WriteFileAtomic, ASettingsFileLinkThatLeadsNowhereIsAnErrorNamingTheLink) {
  test::TempHome home;
  const std::string path = settings::SettingsFilePath();
  ForceDirectories(DirectoryOf(path));
  for (const std::string& leadsNowhere : {home.Path("missing/target"), path}) {
    unlink(path.c_str());
    ASSERT_EQ(symlink(leadsNowhere.c_str(), path.c_str()), 0);
    const std::set<std::string> before = Names(DirectoryOf(path));
    EXPECT_FALSE(CanReplaceFile(path)) << leadsNowhere;
    try {
      test::PutRawSetting("Main", "Left", "5");
      ADD_FAILURE() << "written through " << leadsNowhere;
    } catch (const QuilletError& e) {
      EXPECT_NE(Cp932ToUtf8(e.what()).find(path + " に書き込めません"), std::string::npos);
    }
    EXPECT_EQ(fs::read_symlink(path), leadsNowhere);
    EXPECT_EQ(Names(DirectoryOf(path)), before);
    EXPECT_FALSE(DirectoryExists(home.Path("missing")));
  }
}

// No writer's clean-up of temporary files takes another's live one.
TEST(WriteFileAtomic, WritersOfOneFileAtTheSameTimeAllSucceed) {
  test::TempHome home;
  const std::string path = home.Path("quillet.ini");
  auto content = [](int w) { return std::string(100 + 37 * size_t(w), char('a' + w)); };
  std::vector<pid_t> children;
  for (int w = 0; w < 3; ++w) {
    if (const pid_t child = fork(); child != 0) {
      children.push_back(child);
      continue;
    }
    int failures = 0;
    for (int round = 0; round < 100; ++round)
      failures += WriteFileAtomic(path, content(w)) ? 0 : 1;
    _exit(std::min(failures, 100));
  }
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed writes of one writer";
  }
  const std::string bytes = test::ReadBytes(path);
  EXPECT_TRUE(bytes == content(0) || bytes == content(1) || bytes == content(2)) << bytes.size();
  EXPECT_EQ(Names(home.Dir()), std::set<std::string>{"quillet.ini"});
}

}  // namespace
}  // namespace quillet
