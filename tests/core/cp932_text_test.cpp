// CP932 literals, DBCS-aware folding and search, and the UTF-8 boundary.
#include <gtest/gtest.h>

#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

TEST(Cp932Literal, TrickyCharactersHaveTheirCp932Bytes) {
  struct Case {
    std::string utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"・", "\x81\x45"}, {"ソ", "\x83\x5C"}, {"ｴ", "\xB4"},      {"～", "\x81\x60"},
      {"①", "\x87\x40"},  {"●", "\x81\x9C"},  {"◆", "\x81\x9F"},  {"＆", "\x81\x95"},
      {"\\", "\\"},       {"表", "\x95\x5C"}, {"髙", "\xFB\xFC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
  }
  EXPECT_EQ(CP932("ソ・ｴ"), std::string("\x83\x5C\x81\x45\xB4"));
}

TEST(Cp932Literal, UnconvertibleTextIsReplacedNotDropped) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80z"), "a?z");  // emoji: not in CP932
  EXPECT_EQ(Utf8ToCp932("a\xE3\x81z"), "a?z");          // truncated UTF-8
}

TEST(Cp932ToUtf8, InvalidBytesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(Cp932ToUtf8("a\x85\x40z"), "a" + fffd + "z");  // unassigned pair: one U+FFFD
  EXPECT_EQ(Cp932ToUtf8("abc\x83"), "abc" + fffd);         // lead byte cut off at the end
  EXPECT_EQ(Cp932ToUtf8("\xA0x"), fffd + "x");
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932Lower, FoldsSingleByteLettersOnly) {
  // "ア" is 0x83 0x41: its trail byte is an 'A' and must stay.
  EXPECT_EQ(Cp932Lower("ABC\x83\x41Z"), "abc\x83\x41z");
  // "Ａ" (full-width) is kept; half-width kana are single bytes and kept.
  EXPECT_EQ(Cp932Lower("\x82\x60\xB1X"), "\x82\x60\xB1x");
  // A lead byte at the very end does not swallow anything past the end.
  EXPECT_EQ(Cp932Lower("Q\x83"), "q\x83");
}

TEST(Cp932Find, MatchesOnlyAtCharacterStarts) {
  // "ソ" is 0x83 0x5C: its trail byte is a backslash.
  const std::string text =
      "\x83\x5C"
      "a\\b";
  EXPECT_EQ(Cp932Find(text, "\\"), 3u);
  // "@" as the trail byte of 0x81 0x40 (full-width space) is not a match.
  EXPECT_EQ(Cp932Find("\x81\x40@", "@"), 2u);
  EXPECT_EQ(Cp932Find("\x83\x41", "A"), std::string::npos);
  EXPECT_EQ(Cp932Find("xyz", ""), 0u);
  EXPECT_EQ(Cp932Find("xyz", "z", 3), std::string::npos);
  // `from` inside a double-byte character still finds the next real start.
  EXPECT_EQ(Cp932Find("\x83\x5C\x83\x5C", "\x5C\x83", 1), std::string::npos);
  EXPECT_EQ(Cp932Find("ab\x83\x5C"
                      "ab",
                      "ab", 1),
            4u);
}

TEST(TrimSpaces, RemovesControlBytesAndSpacesAtBothEnds) {
  EXPECT_EQ(TrimSpaces(" \t\r x y \x01"), "x y");
  EXPECT_EQ(TrimSpaces("\x81\x40"), "\x81\x40");  // full-width space is text
  EXPECT_EQ(TrimSpaces("   "), "");
}

}  // namespace
}  // namespace quillet
