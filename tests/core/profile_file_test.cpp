// Profile (ini) file parsing, editing in place and the file-level functions.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/sys/profile_file.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

TEST(ProfileDocument, ReadsSectionsAndKeysWithoutRegardToCase) {
  auto doc = ProfileDocument::Parse(
      "; comment\r\n[main]\r\nleft=10\r\nnot a key line\r\n[HTTP]\r\nProxy=host:8080=x\r\n");
  EXPECT_EQ(doc.Get("Main", "Left"), "10");
  EXPECT_EQ(doc.Get("MAIN", "LEFT"), "10");
  EXPECT_EQ(doc.Get("Http", "proxy"), "host:8080=x");  // everything after the first '='
  EXPECT_EQ(doc.Get("Main", "Proxy"), std::nullopt);
  EXPECT_EQ(doc.Get("Other", "Left"), std::nullopt);
}

TEST(ProfileDocument, ValueIsLimitedTo2047Bytes) {
  const std::string longValue(3000, 'v');
  auto doc = ProfileDocument::Parse("[S]\nK=" + longValue + "\n");
  EXPECT_EQ(doc.Get("S", "K")->size(), kProfileValueMax);
}

TEST(ProfileDocument, WritingTouchesOnlyTheKeyLine) {
  const std::string original =
      "; keep me\r\n[Main]\r\nLeft=1\r\n  odd line \r\nTop=2\r\n\r\n[HTTP]\r\nProxy=p\r\n";
  auto doc = ProfileDocument::Parse(original);
  doc.Set("main", "LEFT", "5");
  EXPECT_EQ(doc.Serialize(),
            "; keep me\r\n[Main]\r\nLEFT=5\r\n  odd line \r\nTop=2\r\n\r\n[HTTP]\r\nProxy=p\r\n");

  doc.Set("Main", "Width", "7");  // appended after the section's last line, ahead of the blank
  doc.Set("CheckRoute", "3", "0");
  EXPECT_EQ(doc.Serialize(),
            "; keep me\r\n[Main]\r\nLEFT=5\r\n  odd line \r\nTop=2\r\nWidth=7\r\n\r\n[HTTP]\r\n"
            "Proxy=p\r\n[CheckRoute]\r\n3=0\r\n");
}

TEST(ProfileDocument, KeepsForeignLineEndsAndMendsAMissingLastOne) {
  auto doc = ProfileDocument::Parse("[A]\nx=1\n[B]\ry=2");
  EXPECT_EQ(doc.Serialize(), "[A]\nx=1\n[B]\ry=2");
  doc.Set("B", "z", "3");
  EXPECT_EQ(doc.Serialize(), "[A]\nx=1\n[B]\ry=2\r\nz=3\r\n");
  doc.Set("A", "x", "line\r\nbreak");  // a value never splits its line
  EXPECT_EQ(doc.Get("A", "x"), "line  break");
}

TEST(ProfileInteger, ParsesDecimalAndHexOnly) {
  struct Case {
    std::string text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"120", 120},
      {"-5", -5},
      {"0x1E", 30},
      {"0X1e", 30},
      {"0x", std::nullopt},
      {"yes", std::nullopt},
      {"12abc", std::nullopt},
      {"", std::nullopt},
      {"0xFFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"-2147483648", INT32_MIN},
      {" 5", std::nullopt},
      {"0x1G", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseProfileInteger(c.text), c.value);
  }
}

TEST(ProfileFile, CreatesTheFileOnFirstWriteAndReadsBack) {
  test::TempHome home;
  const std::string path = home.Path("q.ini");
  EXPECT_EQ(ProfileRead(path, "Main", "Left"), std::nullopt);
  ASSERT_TRUE(ProfileWrite(path, "Main", "Left", "3"));
  ASSERT_TRUE(ProfileWrite(path, "Main", "Top", "4"));
  EXPECT_EQ(test::ReadBytes(path), "[Main]\r\nLeft=3\r\nTop=4\r\n");
  EXPECT_EQ(ProfileRead(path, "main", "top"), "4");
  // It may hold a proxy password: new, it is the user's alone; replaced, it
  // keeps the mode it was given.
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::permissions(path, std::filesystem::perms::group_read,
                               std::filesystem::perm_options::add);
  ASSERT_TRUE(ProfileWrite(path, "Main", "Top", "5"));
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
}

TEST(ProfileFile, WriteFailsWhenTheFolderCannotHoldTheFile) {
  test::TempHome home;
  test::WriteBytes(home.Path("plain"), "x");
  // A path below a regular file cannot be created, even by root.
  EXPECT_FALSE(ProfileWrite(home.Path("plain/q.ini"), "Main", "Left", "3"));
}

TEST(ProfileFile, ReadOnlyFileIsNotReplaced) {
  test::TempHome home;
  const std::string path = home.Path("q.ini");
  test::WriteBytes(path, "[Main]\r\nLeft=1\r\n");
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(ProfileWrite(path, "Main", "Left", "2"));
  EXPECT_EQ(ProfileRead(path, "Main", "Left"), "1");
}

}  // namespace
}  // namespace quillet
