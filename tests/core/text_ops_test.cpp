// Line splitting, break splitting, link targets, tag removal, prefix search.
#include <gtest/gtest.h>

#include "core/text/text_ops.h"

namespace quillet {
namespace {

Lines ToLines(std::string_view body) {
  Lines lines;
  StreamToLines(lines, body);
  return lines;
}

TEST(StreamToLines, AllLineEndsGiveTheSameLines) {
  const Lines expected = {"<html>", "", "a", "b"};
  EXPECT_EQ(ToLines("<html>\r\n\r\na\r\nb\r\n"), expected);
  EXPECT_EQ(ToLines("<html>\n\na\nb\n"), expected);
  EXPECT_EQ(ToLines("<html>\r\ra\rb\r"), expected);
  EXPECT_EQ(ToLines("<html>\r\n\na\rb"), expected);  // mixed, last byte kept
  EXPECT_EQ(ToLines("\n\r"), (Lines{"", ""}));       // LF CR is two breaks
  EXPECT_TRUE(ToLines("").empty());
  EXPECT_EQ(ToLines("x"), Lines{"x"});
}

TEST(StreamToLines, EachLineEndsAtItsFirstNul) {
  EXPECT_EQ(ToLines(std::string("ab\0cd\r\nef\0", 10)), (Lines{"ab", "ef"}));
}

TEST(SplitBreaks, SplitsAtLowerCaseBreaksAndDropsBlankLines) {
  Lines lines = {"a<br>b<BR>c", "  \t ", "<br><br>d<br>", "", "\x81\x40"};
  SplitBreaks(lines);
  EXPECT_EQ(lines, (Lines{"a", "b<BR>c", "d", "\x81\x40"}));
}

TEST(ExtractHref, FindsTheFirstDoubleQuotedTarget) {
  struct Case {
    std::string line, target;
  };
  const Case cases[] = {
      {"<a href=\"/news/1.htm\">Head</a>", "/news/1.htm"},
      {"<A  HREF = \"/News/1.htm\">Head</A>", "/News/1.htm"},  // capitals, spaces, case kept
      {"<a href='/x.htm'>Head</a>", ""},                       // single quotes
      {"<a href=/x.htm>Head</a>", ""},
      {"<a href=\"/a b.htm\">x</a><a href=\"/2\">", "/ab.htm"},  // spaces lost; first link only
      {"<a href=\"/open", "/open"},                              // no closing quote
      {"text only", ""},
      {"<img src=\"x\"><a class=\"c\" href=\"/y\">", ""},  // attribute before href
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ExtractHref(c.line), c.target);
  }
}

TEST(RemoveTags, RemovesTagsUntilTheBracketsAreOutOfOrder) {
  struct Case {
    std::string line, text;
  };
  const Case cases[] = {
      {"<a href=\"x\"><b>Head</b></a> (1)", "Head (1)"},
      {"a > b <i>c</i>", "a > b <i>c</i>"},  // '>' before the first '<': all tags stay
      {"<b>x</b> 5 > 3 <i>y</i>", "x 5 > 3 <i>y</i>"},
      {"open <tag", "open <tag"},
      {"<!-- marker -->", ""},
      {"\x83\x5C<b>\x83\x41</b>", "\x83\x5C\x83\x41"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(RemoveTags(c.line), c.text);
  }
}

TEST(FindLinePrefix, FoldsSingleByteLettersOnBothSides) {
  const Lines lines = {"Server: x", "Content-Length: 123", "content-length: 9"};
  EXPECT_EQ(FindLinePrefix(lines, "content-length"), 1);
  EXPECT_EQ(FindLinePrefix(lines, "CONTENT-LENGTH: 9"), 2);
  EXPECT_EQ(FindLinePrefix(lines, "Date"), -1);
  // The trail byte 'A' of "ア" (0x83 0x41) is not folded to match 'a'.
  EXPECT_EQ(FindLinePrefix({"\x83\x41"
                            "B"},
                           "\x83"
                           "ab"),
            -1);
  EXPECT_EQ(FindLinePrefix({"\x83\x41"
                            "B"},
                           "\x83\x41"
                           "b"),
            0);
}

}  // namespace
}  // namespace quillet
