// Finding the browsers' programs on PATH: name order over folder order, only
// executable files, absolute results.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/settings/browser_lookup.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

void MakeProgram(const std::string& path, mode_t mode = 0755) {
  test::WriteBytes(path, "#!/bin/sh\n");
  ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

TEST(FindProgramOnPath, TakesTheFirstNameThatAFolderHoldsAsAnExecutableFile) {
  test::TempHome home;
  MakeProgram(home.Path("a/firefox"));
  MakeProgram(home.Path("a/chromium"), 0644);               // not executable, even for root
  ASSERT_TRUE(ForceDirectories(home.Path("a/konqueror")));  // a folder
  MakeProgram(home.Path("b/x-www-browser"));
  MakeProgram(home.Path("b/firefox"));
  MakeProgram(home.Path("b/chromium"));
  const std::string path = home.Path("missing") + ":" + home.Path("a") + ":" + home.Path("b");
  EXPECT_EQ(FindProgramOnPath({"x-www-browser", "firefox"}, path), home.Path("b/x-www-browser"));
  EXPECT_EQ(FindProgramOnPath({"firefox", "x-www-browser"}, path), home.Path("a/firefox"));
  EXPECT_EQ(FindProgramOnPath({"chromium"}, path), home.Path("b/chromium"));
  EXPECT_EQ(FindProgramOnPath({"konqueror", "epiphany"}, path), "");
}

TEST(FindProgramOnPath, RelativeAndEmptyEntriesGiveAbsolutePaths) {
  test::TempHome home;
  MakeProgram(home.Path("bin/chromium"));
  MakeProgram(home.Path("konqueror"));
  char* savedCwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(home.Dir().c_str()), 0);
  const std::string viaRelative = FindProgramOnPath({"chromium"}, "/nonexistent:bin/../bin");
  const std::string viaEmpty = FindProgramOnPath({"konqueror"}, "/nonexistent:");
  ASSERT_EQ(chdir(savedCwd), 0);
  std::free(savedCwd);
  EXPECT_EQ(viaRelative, home.Path("bin/chromium"));
  EXPECT_EQ(viaEmpty, home.Path("konqueror"));
}

TEST(RegisteredBrowserPaths, FollowTheirNameListsOnThePathVariable) {
  struct Case {
    std::vector<std::string> present;
    std::string ie, nn;  // "" for none
  };
  const Case cases[] = {
      {{}, "", ""},
      {{"firefox-esr", "epiphany-browser"}, "firefox-esr", "epiphany-browser"},
      {{"firefox-esr", "firefox", "konqueror", "google-chrome"}, "firefox", "google-chrome"},
      {{"x-www-browser", "firefox", "chromium", "konqueror"}, "x-www-browser", "chromium"},
  };
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ie + " / " + c.nn);
    test::TempHome home;
    for (const std::string& name : c.present)
      MakeProgram(home.Path(name));
    setenv("PATH", home.Dir().c_str(), 1);
    EXPECT_EQ(RegisteredIEPath(), c.ie.empty() ? "" : home.Path(c.ie));
    EXPECT_EQ(RegisteredNNPath(), c.nn.empty() ? "" : home.Path(c.nn));
  }
  setenv("PATH", savedPath.c_str(), 1);
}

}  // namespace
}  // namespace quillet
