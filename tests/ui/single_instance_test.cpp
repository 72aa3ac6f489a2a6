// The single-instance socket name: one name per folder, whatever its spelling
// and whether the folder has been made yet.
#include "ui/single_instance.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_home.h"

namespace quillet {
namespace {

TEST(SingleInstanceName, IsTheSameBeforeAndAfterTheFolderIsMadeAndForEverySpelling) {
  test::TempHome home;
  const std::string root = home.Dir();
  std::filesystem::create_directory(root + "real");
  std::filesystem::create_directory_symlink(root + "real", root + "link");
  const struct {
    const char* what;
    std::string folder;  // as the program is given it
    std::string made;    // the folder the first fetch makes
  } cases[] = {
      {"one level missing", root + "real/data/", root + "real/data"},
      {"two levels missing", root + "real/a/b", root + "real/a/b"},
      {"through a symbolic link", root + "link/data/", root + "real/data"},
      {"with . and ..", root + "real/./x/../y", root + "real/y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString before = SingleInstance::SocketName(c.folder);
    EXPECT_EQ(before, SingleInstance::SocketName(c.made));
    ASSERT_TRUE(std::filesystem::create_directories(c.made));
    EXPECT_EQ(SingleInstance::SocketName(c.folder), before);
    EXPECT_EQ(SingleInstance::SocketName(c.made), before);
    std::filesystem::remove_all(c.made);
  }
  EXPECT_NE(SingleInstance::SocketName(root + "real/a"),
            SingleInstance::SocketName(root + "real/b"));
}

}  // namespace
}  // namespace quillet
