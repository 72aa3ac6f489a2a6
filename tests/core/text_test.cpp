// Japanese character codes, CP932 text and its UTF-8 boundary, lines, links, tags.
#include <gtest/gtest.h>

#include <vector>

#include "core/text/code_convert.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "core/text/text_ops.h"
#include "core/text/width_fold.h"

namespace quillet {
namespace {

using namespace std::string_literals;

// `convert` on a heap block of exactly the bytes: ASan reports a read past them.
template <typename Convert>
auto OnExactBytes(const std::string& bytes, Convert convert) {
  const std::vector<char> exact(bytes.begin(), bytes.end());
  return convert(std::string_view(exact.data(), exact.size()));
}

TEST(CodeConvert, DetectCodeTakesTheFirstDecidingByte) {
  const std::string a509(509, 'a');
  // clang-format off
  const std::pair<int, std::vector<std::string>> groups[] = {
      // The last byte never decides, nor do byte pairs outside every range.
      {kCodeAscii, {""s, "<p>\x08\t\r\n"s, "abc\x00"s, "\x1B(Ba\x1B$(D"s, "abc\x1B$"s, "abc\x88"s, "\x8E\xFDz"s, "\xB0\xA0z"s}},
      // Below 0x08 or 0xFF among the first 512 bytes, or later while guessing.
      {kCodeBinary, {"a\x07z"s, "a\xFFz"s, "\x88\x9F"s + a509 + "\x00t"s, a509 + a509 + "\x00t"s}},
      {kCodeJisB, {"\x1B$B\x30\x21\x1B(B"s, "\x1B$B"s, "\xB0\xE0 \x1B$B\x30\x21"s}},
      {kCodeJisAt, {"\x1B$@\x30\x21\x1B(J"s}},
      {kCodeEuc, {"\xA0\xA4\xF3"s, "\xA4\xA2\xA4\xF3\x1B$B\x30\x21"s, "\xDF\xFE"s, "\xF0\xA1"s, "\xFE\xA1"s, "\xE0\xFDz"s, "\xB0\xE0XY\xFD"s}},
      // Shift_JIS lead bytes (0x80 decides nothing), found by running ahead too.
      {kCodeSjis, {"\x81\x40"s, "\x8F\xA1"s, "\x9F\xFC"s, "\x80\x88\x9F"s, "\x88\x9F"s + a509 + "a\x00t"s, "\x8E\xA0z"s, "\x8E\xE0z"s,
                   "\xB1xyz"s, "\xE0\x40z"s, "\xEF\xA0z"s, "\xB0\xE0XY\x88"s, "\xB0\xE0\x9C"s, "\xB0\xE0\x88\xFD"s}},
      // The run ahead ends at a byte below 0x40, which is skipped.
      {kCodeEucOrSjis, {"\x8E\xB6z"s, "\xB0\xA1\xDF\xDF"s, "\xE0\xA1z"s, "\xEF\xFCz"s, "\xB0\xA1\xE0\x7Fz"s, "\xB0\xE0\x9D\x9E\x9F\x8E"s,
                        "\xB0\xE0xyz"s, "\xB0\xE0\x1B$B\x30\x21"s}},
  };
  // clang-format on
  for (const auto& [code, texts] : groups)
    for (const std::string& text : texts)
      EXPECT_EQ(OnExactBytes(text, DetectCode), code) << testing::PrintToString(text);
}

TEST(CodeConvert, ConvertersTakeBytesAndDropWhatTheEndCutsOff) {
  const std::string euc = "<p>\xC6\xFC\xCB\xDC</p>"s, sjis = "<p>\x93\xFA\x96\x7B</p>"s;
  auto toSjis = [](std::string_view t) { return ConvertTo(t, kCodeSjis); };
  EXPECT_EQ(OnExactBytes(euc, toSjis), sjis);
  EXPECT_EQ(OnExactBytes("\x1B$@\x46\x7C\x1B(J!"s, toSjis), "\x93\xFA!");
  // Shift_JIS, undecided and binary text stay, and so does any other target.
  for (const std::string& text : {sjis, "\xB0\xA1\xB0\xA1"s, "\x01\xC6\xFC"s})
    EXPECT_EQ(ConvertTo(text, kCodeSjis), text);
  EXPECT_EQ(EucToSjis("a\x8E\xB6\x8E\xC0z\r\n\x00\x7F\x80\xFF"s),
            "a\xB6\xC0z\r\n\x00\x7F\x80\xFF"s);
  // Odd and even rows, cells on both sides of 0x60, rows on both sides of 0x5F.
  EXPECT_EQ(
      JisToSjis(
          "\x1B$B\x21\x21\x21\x5F\x21\x60\x21\x7E\x22\x21\x22\x7E\x30\x21\x5E\x7E\x5F\x21\x74\x26"),
      "\x81\x40\x81\x7E\x81\x80\x81\x9E\x81\x9F\x81\xFC\x88\x9F\x9F\xFC\xE0\x40\xEA\xA4");
  EXPECT_EQ(JisToSjis("\x1B$B\x30\x21\x1B.A\x30\x21\x1B(Bz"), "\x88\x9F\x88\x9Fz");  // mode kept
  // A character or escape sequence cut off by the end produces nothing.
  for (const std::string& text : {"ab\xB0"s, "ab\x8E"s})
    EXPECT_EQ(OnExactBytes(text, EucToSjis), "ab") << testing::PrintToString(text);
  for (const std::string& tail : {"\x1B"s, "\x1B$"s, "\x1B$B"s, "\x30"s})
    EXPECT_EQ(OnExactBytes("\x1B$B\x30\x21"s + tail, JisToSjis), "\x88\x9F")
        << testing::PrintToString(tail);
}

// Where CP932 differs from Shift_JIS (backslash, wave dash, NEC and IBM rows) or
// has an ASCII trail byte; what the other side cannot hold becomes one stand-in.
TEST(TextOps, Cp932ConvertsBothWaysWithItsOwnTable) {
  const std::pair<std::string, std::string> cases[] = {
      {"ソ", "\x83\x5C"}, {"ｴ", "\xB4"},      {"～", "\x81\x60"}, {"①", "\x87\x40"},
      {"\\", "\\"},       {"＆", "\x81\x95"}, {"髙", "\xFB\xFC"}, {"", ""}};
  for (const auto& [utf8, cp932] : cases) {
    EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << utf8;
  }
  // An unassigned pair is one stand-in, as is a lone lead byte at the end.
  EXPECT_EQ(Cp932ToUtf8("\x85\x40\x41\x83"), "\xEF\xBF\xBD\x41\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80z\xE3\x81"), "a?z?");  // emoji, cut-off UTF-8
  EXPECT_EQ(Utf8ToCp932("\xC3\x41\xE3\x81\x42"), "?A?B");        // a lead byte without its rest
  // A replacement of several bytes, longer than what it replaces.
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80\xC2\xA0z\xE3\x81", kGetaMark),
            "a\x81\xAC\x81\xACz\x81\xAC");
  const std::string marks = Utf8ToCp932(std::string(1000, '\xFF') + "ソ", "<?>");
  EXPECT_TRUE(marks.size() == 3002 && marks.find_first_not_of("<?>") == 3000) << marks.size();
  EXPECT_EQ(FileNameForMessage("/tmp/ソ"), "/tmp/\x83\x5C");
  EXPECT_EQ(FileNameForMessage("/tmp/\xFF\x83\x5C"), "/tmp/\xFF\x83\x5C");  // not UTF-8: kept
}

// "ア" is 0x83 0x41 and "ソ" 0x83 0x5C: trail bytes 'A' and '\'.
TEST(TextOps, FoldingAndSearchRespectDoubleByteCharacters) {
  EXPECT_EQ(Cp932Lower("ABC\x83\x41Z\x82\x60\xB1X"), "abc\x83\x41z\x82\x60\xB1x");
  EXPECT_EQ(Cp932Lower("Q\x83"), "q\x83");
  EXPECT_EQ(Cp932Find("\x83\x5C\\", "\\"), 2u);
  EXPECT_EQ(Cp932Find("\x83\x41", "A"), std::string::npos);
  // `from` inside a double-byte character lines up with the real starts.
  EXPECT_EQ(Cp932Find("\x83\x5C\x83\x5C", "\x5C\x83", 1), std::string::npos);
  EXPECT_EQ(Cp932Find("ab\x83\x5C\x61\x62", "ab", 1), 4u);
  const Lines lines = {"\x82\xA0", "Content-Length: 1", "content-length: 9", "\x83\x41X"};
  EXPECT_EQ(FindLinePrefix(lines, "content-length"), 1);
  EXPECT_EQ(FindLinePrefix(lines, "CONTENT-LENGTH: 9"), 2);
  EXPECT_EQ(FindLinePrefix(lines, "\x83\x61x"), -1);
  EXPECT_EQ(FindLinePrefix(lines, "\x83\x41x"), 3);
  EXPECT_EQ(TrimSpaces(" \t\r x\x01\x81\x40 \x01"), "x\x01\x81\x40");  // 0x81 0x40: text
}

// Full-width ASCII to ASCII, half-width kana to full-width, letters to lower
// case; every other character as it is, byte for byte.
TEST(TextOps, WidthFoldingTakesWholeCharactersAndItsFormsFoldBack) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"GP\x82\x66\x82\x81\x82\x9A\x82\x58\x81\x5F\x81\x60", "gpgaz9\\~"},  // GPＧａｚ９＼～
      {"\xFA\x56\xEE\xFC\x81\x40", "'\" "},  // ＇ ＂ (two codes), the ideographic space
      {"\x82\x4E\x82\x4F\x82\x58\x82\x59\x82\x5F", "\x82\x4E\x30\x39\x82\x59\x82\x5F"},  // ０-９ alone
      {"\xB1\xB2\xB3\xB0", "\x83\x41\x83\x43\x83\x45\x81\x5B"},  // ｱｲｳｰ: アイウー
      {"\xB6\xDE\xC4\xDE\xCA\xDF\xCE\xDF\xB3\xDE", "\x83\x4B\x83\x68\x83\x70\x83\x7C\x83\x94"},  // ｶﾞﾄﾞﾊﾟﾎﾟｳﾞ: ガドパポヴ
      {"\xB1\xDE\xB6\xDF\xDE\xDF", "\x83\x41\x81\x4A\x83\x4A\x81\x4B\x81\x4A\x81\x4B"},  // ｱﾞｶﾟﾞﾟ: ア゛カ゜゛゜
      // Trail bytes that are letters or signs stay: ア チ ソ; 首, あ, single bytes, a lone lead.
      {"\x83\x41\x83\x60\x83\x5C\x8E\xF1\x82\xA0\x80\xA0\xFD\x83", "\x83\x41\x83\x60\x83\x5C\x8E\xF1\x82\xA0\x80\xA0\xFD\x83"},
  };
  // clang-format on
  for (const auto& [text, folded] : cases)
    EXPECT_EQ(WidthFolded(text), folded) << ::testing::PrintToString(std::string(text));
  // The forms of a character: itself, then what else folds to it (＇ has two codes).
  const std::pair<const char*, const char*> forms[] = {
      {"g", "g G \x82\x66 \x82\x87 "},    {"'", "' \xEE\xFB \xFA\x56 "},
      {"\x83\x4B", "\x83\x4B \xB6\xDE "}, {"\x83\x41", "\x83\x41 \xB1 "},
      {"\x81\x4A", "\x81\x4A \xDE "},     {"\x82\xA0", "\x82\xA0 "}};
  for (const auto& [c, want] : forms) {
    std::string got;
    for (const std::string& form : WidthFoldForms(c))
      got += form + " ";
    EXPECT_EQ(got, want) << ::testing::PrintToString(std::string(c));
  }
}

TEST(TextOps, LinesBreaksLinksAndTags) {
  const std::pair<std::string, Lines> bodies[] = {
      {"<p>\r\n\na\rb", {"<p>", "", "a", "b"}},
      {"\n\r\r\n", {"", "", ""}},
      {"", {}},
      {std::string("ab\0cd\r\nef\0", 10), {"ab", "ef"}}};
  for (const auto& [body, want] : bodies) {
    Lines lines = {"stale"};
    StreamToLines(lines, body);
    EXPECT_EQ(lines, want) << testing::PrintToString(body);
  }
  Lines lines = {"a<br>b<BR>c", "  \t ", "<br><br>d<br>", "", "\x81\x40"};
  SplitBreaks(lines);
  EXPECT_EQ(lines, (Lines{"a", "b<BR>c", "d", "\x81\x40"}));
  EXPECT_EQ(ExtractHref("<A  HREF = \"/News/1.htm\">Head</A>"), "/News/1.htm");
  EXPECT_EQ(ExtractHref("<a href=\"/a b.htm\">x</a><a href=\"/2\">"), "/ab.htm");
  EXPECT_EQ(ExtractHref("<a href='/x.htm'>Head</a>"), "");
  EXPECT_EQ(RemoveTags("<a href=\"x\"><b>Head</b></a> (1)"), "Head (1)");
  EXPECT_EQ(RemoveTags("a > b <i>c</i>"), "a > b <i>c</i>");  // '>' first: all stay
  EXPECT_EQ(RemoveTags("open <tag"), "open <tag");
}

}  // namespace
}  // namespace quillet
