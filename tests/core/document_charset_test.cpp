// Decoding a downloaded document: the evidence for its encoding and its order,
// each family of encodings, invalid bytes, and the Content-Type's charset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/code_convert.h"
#include "core/text/document_charset.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

using namespace std::string_literals;

struct Case {
  std::string bytes;
  std::string httpCharset;
  std::string utf8;
  std::string charset;
};

// Decodes a heap block of exactly the bytes: ASan reports a read past them.
void ExpectDecodes(const Case& c) {
  SCOPED_TRACE("\"" + c.httpCharset + "\" " + c.bytes);
  const std::vector<char> exact(c.bytes.begin(), c.bytes.end());
  const DecodedDocument decoded =
      DecodeDocument(std::string_view(exact.data(), exact.size()), c.httpCharset);
  EXPECT_EQ(decoded.utf8, c.utf8);
  EXPECT_EQ(decoded.charset, c.charset);
}

const std::string kDeclaredSjis = "<?xml version='1.0' encoding='Shift_JIS'?>";
const std::string kDeclaredEuc = "<?xml version=\"1.0\" encoding = \"euc-jp\" ?>";

TEST(DocumentCharset, WeighsTheEvidenceInOrder) {
  // clang-format off
  const Case cases[] = {
      // A byte order mark beats the HTTP charset and the declaration, and goes.
      {"\xEF\xBB\xBF" + kDeclaredSjis + "\xE6\x97\xA5", "EUC-JP", kDeclaredSjis + "日", "UTF-8"},
      {"\xFE\xFF\x65\xE5"s, "Shift_JIS", "日", "UTF-16BE"},
      {"\xFF\xFE\xE5\x65"s, "", "日", "UTF-16LE"},
      {"\x00\x00\xFE\xFF\x00\x00\x65\xE5"s, "", "日", "UTF-32BE"},
      {"\xFF\xFE\x00\x00\xE5\x65\x00\x00"s, "", "日", "UTF-32LE"},  // not UTF-16's mark
      // "<?" in UTF-16 or UTF-32 without a mark.
      {"\x00<\x00?"s, "windows-1252", "<?", "UTF-16BE"},
      {"<\x00?\x00"s, "", "<?", "UTF-16LE"},
      {"<\x00\x00\x00?\x00\x00\x00"s, "", "<?", "UTF-32LE"},
      // The HTTP charset beats the declaration; names are trimmed, any case.
      {kDeclaredSjis + "\xC6\xFC", " euc-JP\t", kDeclaredSjis + "日", "EUC-JP"},
      {kDeclaredEuc + "\xC6\xFC", "", kDeclaredEuc + "日", "EUC-JP"},
      // Names no decoder knows, or that are no names, are passed over.
      {kDeclaredEuc + "\xC6\xFC", "x-unknown", kDeclaredEuc + "日", "EUC-JP"},
      {"<?xml version='1.0' encoding='x-bogus'?>\xE6\x97\xA5", "", "<?xml version='1.0' encoding='x-bogus'?>日", "UTF-8"},
      // A document whose "<?xml" reads in ASCII is not in UTF-16.
      {"<?xml version='1.0' encoding='UTF-16'?>\xE6\x97\xA5", "", "<?xml version='1.0' encoding='UTF-16'?>日", "UTF-8"},
      {kDeclaredEuc + "\xC6\xFC", "utf-16", kDeclaredEuc + "日", "EUC-JP"},
      // Without evidence, UTF-8.
      {"<rss>\xE6\x97\xA5", "", "<rss>日", "UTF-8"},
      // Names outside the browsers' labels go to iconv as written.
      {"+ZeVnLIqe-", "utf-7", "日本語", "UTF-7"},
  };
  // clang-format on
  for (const Case& c : cases)
    ExpectDecodes(c);
}

TEST(DocumentCharset, DecodesEachFamilyAsBrowsersDo) {
  // clang-format off
  const Case cases[] = {
      // ISO-8859-1 and US-ASCII are windows-1252, which has the euro sign.
      {"Le caf\xE9 co\xFBte 3 \x80", "iso-8859-1", "Le café coûte 3 €", "windows-1252"},
      {"\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r", "Привет", "KOI8-R"},
      // Decoders that hold the last letter back for a combining mark after it.
      {"Vi\xEA\xF2t Nam", "windows-1258", "Việt Nam", "windows-1258"},
      {"\xF9\xEC\xE5\xED", "windows-1255", "שלום", "windows-1255"},
      // GB2312 is GBK, read by the GB18030 decoder; Big5 with HKSCS; EUC-KR as UHC.
      {"\xD6\xD0\xCE\xC4\x95\x32\x82\x36", "gb2312", "中文𠀀", "GBK"},
      {"\xA4\xA4\xA4\xE5\x87\x40", "big5", "中文䏰", "Big5"},
      {"\xC7\xD1\xB1\xB9\xBE\xEE\x81\x41", "ks_c_5601-1987", "한국어갂", "EUC-KR"},
      {"\x2C\x67\x9E\x8A", "utf-16", "本語", "UTF-16LE"},
      {"\x2C\x67\x00\x00"s, "utf-32le", "本", "UTF-32LE"},
      // The Japanese codes with the NEC row 13, CP932's wave dash, the IBM
      // extensions, half-width katakana and a 0x5C trail byte.
      {"\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x8C\xA9\x8F\x6F\x82\xB5 \x83\x5C\x95\x5C \x87\x40 \x81\x60 \xFA\x40 \xB1", "windows-31j", "日本語の見出し ソ表 ① ～ ⅰ ｱ", "Shift_JIS"},
      {"\xC6\xFC\xCB\xDC\xB8\xEC \xA5\xBD\xC9\xBD \xAD\xA1 \xA1\xC1 \xF9\xA1 \xFC\xF1 \x8F\xB0\xA1 \x8E\xB1", "EUC-JP", "日本語 ソ表 ① ～ 纊 ⅰ 丂 ｱ", "EUC-JP"},
      {"\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x1B(B \x1B$@\x2D\x21\x21\x41\x1B(J \\ \x1B(I\x31\x1B(Ba",
       "csISO2022JP", "日本語 ①～ \\ ｱa", "ISO-2022-JP"},
      // A pair ending in F9 is no lead byte of row 89; line ends pass inside a
      // JIS X 0208 run.
      {"\xB0\xF9\xA1\xA2", "euc-jp", "姻、", "EUC-JP"},
      {"\x1B$B\x46\x7C\r\n\x4B\x5C", "iso-2022-jp", "日\r\n本", "ISO-2022-JP"},
      // Texts that grow threefold, past the first buffer.
      {std::string(20, '\x80'), "windows-1252", "€€€€€€€€€€€€€€€€€€€€", "windows-1252"},
  };
  // clang-format on
  for (const Case& c : cases)
    ExpectDecodes(c);
}

// Every JIS X 0208 character that the Shift_JIS road of the site pages reads
// (EUC-JP and JIS turned into Shift_JIS, then CP932) reads the same here.
TEST(DocumentCharset, JapaneseCodesReadAsThroughShiftJis) {
  int compared = 0;
  for (int row = 0x21; row <= 0x7E; ++row) {
    for (int cell = 0x21; cell <= 0x7E; ++cell) {
      const std::string jis = {static_cast<char>(row), static_cast<char>(cell)};
      const std::string euc = {static_cast<char>(row | 0x80), static_cast<char>(cell | 0x80)};
      const std::string expected = Cp932ToUtf8(EucToSjis(euc));
      if (expected == "\xEF\xBF\xBD") continue;
      ++compared;
      SCOPED_TRACE(std::to_string(row - 0x20) + "-" + std::to_string(cell - 0x20));
      EXPECT_EQ(DecodeDocument(euc, "EUC-JP").utf8, expected);
      EXPECT_EQ(DecodeDocument("\x1B$B" + jis, "ISO-2022-JP").utf8, expected);
      if (HasFailure()) return;
    }
  }
  EXPECT_EQ(compared, 7336);
}

TEST(DocumentCharset, InvalidBytesBecomeReplacementCharacters) {
  // clang-format off
  const Case cases[] = {
      {"a\xFF" "b\xC3(", "", "a�b�(", "UTF-8"},
      {"a\xE6\x97", "", "a�", "UTF-8"},  // cut off at the end
      // Beyond U+10FFFF, which iconv lets through.
      {"\xF4\x8F\xBF\xBF\xF4\x90\x80\x80\xE6\x97\xA5\xFB\x97\x96\x99\x92", "", "\U0010FFFF�日�", "UTF-8"},
      // UTF-16 goes on in step after an invalid code unit.
      {"A\x00\x00\xDC" "B\x00" "C"s, "utf-16le", "A�B�", "UTF-16LE"},
      {"\x93\xFA\x81\x20\x93", "shift_jis", "日� �", "Shift_JIS"},
      {"\xC6\xFC\xFF\xF5\xA1\x8F\xFE\xFE\xC6", "euc-jp", "日����", "EUC-JP"},  // user-defined too
      {"\x1B$B\x46\x7C\x46\x1B(B\x1B$(Dx\x1B(I\x60\x1B(B\xC6\xFC", "iso-2022-jp", "日��$(Dx���", "ISO-2022-JP"},
      {"\x1B$)C\x0E\x30\x21\x80\x30\x21\x0F!", "iso-2022-kr", "가�가!", "ISO-2022-KR"},  // still shifted
  };
  // clang-format on
  for (const Case& c : cases)
    ExpectDecodes(c);
}

TEST(DocumentCharset, ContentTypeCharset) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"text/xml; charset=Shift_JIS", "Shift_JIS"}, {"text/xml;charset=\"EUC-JP\"", "EUC-JP"},
      {"text/xml; charset= \"EUC-JP\" ", "EUC-JP"}, {"application/rss+xml", ""}, {"", ""},
      // An empty value does not count; a quoted empty one does.
      {"text/xml; charset=; charset=utf-8", "utf-8"}, {"text/xml; charset=\"\"; charset=utf-8", ""},
      {"text/xml; q=\"a;charset=x\"; charset=big5", "big5"}, {"text/xml; charset=\"a\\\"b\"; x=1", "a\"b"},
      {"text/xml; xcharset=1; charsetx=2; charset", ""},
  };
  // clang-format on
  for (const auto& [contentType, charset] : cases)
    EXPECT_EQ(ContentTypeCharset(contentType), charset) << contentType;
}

}  // namespace
}  // namespace quillet
