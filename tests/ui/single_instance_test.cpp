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
  // The folder as the program is given it, and the folder the first fetch makes.
  const std::pair<std::string, std::string> cases[] = {
      {root + "link/data/", root + "real/data"},
      {root + "real/./x/../y", root + "real/y"},
  };
  for (const auto& [folder, made] : cases) {
    SCOPED_TRACE(folder);
    const QString before = SingleInstance::SocketName(folder);
    EXPECT_EQ(before, SingleInstance::SocketName(made));
    ASSERT_TRUE(std::filesystem::create_directories(made));
    EXPECT_EQ(SingleInstance::SocketName(folder), before);
    EXPECT_EQ(SingleInstance::SocketName(made), before);
  }
  EXPECT_NE(SingleInstance::SocketName(root + "real/a"),
            SingleInstance::SocketName(root + "real/b"));
}

}  // namespace
}  // namespace quillet
