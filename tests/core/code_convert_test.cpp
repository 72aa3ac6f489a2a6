#include "core/text/code_convert.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

using namespace std::string_literals;

// `convert` applied to the bytes in a heap block of exactly their size, so
// that AddressSanitizer reports a read past the end (a std::string has a
// terminator there).
template <typename Convert>
auto OnExactBytes(const std::string& bytes, Convert convert) {
  const std::vector<char> exact(bytes.begin(), bytes.end());
  return convert(std::string_view(exact.data(), exact.size()));
}

TEST(CodeConvertTest, DetectCodeTakesTheFirstDecidingByte) {
  struct Case {
    const char* name;
    std::string text;
    int code;
  };
  const std::string a509(509, 'a');
  const Case cases[] = {
      {"empty", ""s, kCodeAscii},
      {"ascii with tab and line breaks", "<html>\r\n<body>\t</body>\n"s, kCodeAscii},
      // Binary bytes: below 0x08 or 0xFF, among the first 512 bytes but the last.
      {"control byte", "abc\x07xyz"s, kCodeBinary},
      {"0xFF", "abc\xFFxyz"s, kCodeBinary},
      {"NUL as last byte", "abc\x00"s, kCodeAscii},
      {"NUL as byte 512 beats an earlier Shift_JIS lead", "\x88\x9F"s + a509 + "\x00t"s,
       kCodeBinary},
      {"NUL as byte 513 comes after the decision", "\x88\x9F"s + a509 + "a\x00t"s, kCodeSjis},
      {"NUL past 512 found while guessing", a509 + a509 + "\x00t"s, kCodeBinary},
      // Escape sequences.
      {"ESC $ B", "\x1B$B\x30\x21\x1B(B"s, kCodeJisB},
      {"ESC $ @", "\x1B$@\x30\x21\x1B(J"s, kCodeJisAt},
      {"ESC $ B with B as last byte", "\x1B$B"s, kCodeJisB},
      {"ESC $ B before EUC-looking bytes", "\x1B$B\x30\x21\x1B(B\xA4\xF3\xF0\xA1"s, kCodeJisB},
      {"EUC-JP before ESC $ B", "\xA4\xF3\x1B$B\x30\x21"s, kCodeEuc},
      {"other escape sequences", "\x1B(Babc\x1B$(Dxyz"s, kCodeAscii},
      {"ESC $ at the end", "abc\x1B$"s, kCodeAscii},
      // Lead bytes that only Shift_JIS uses; 0x80 and 0xA0 decide nothing.
      {"0x81", "\x81\x40"s, kCodeSjis},
      {"0x8D", "\x8D\x40"s, kCodeSjis},
      {"0x8F", "\x8F\xA1"s, kCodeSjis},
      {"0x9F", "\x9F\xFC"s, kCodeSjis},
      {"0x80 takes one byte", "\x80\x88\x9F"s, kCodeSjis},
      {"0xA0 takes one byte", "\xA0\xA4\xF3"s, kCodeEuc},
      {"last byte is never a lead byte", "abc\x88"s, kCodeAscii},
      // 0x8E: EUC-JP single shift or a Shift_JIS lead byte.
      {"0x8E + half-width katakana", "\x8E\xB6z"s, kCodeEucOrSjis},
      {"0x8E + 0x40", "\x8E\x40z"s, kCodeSjis},
      {"0x8E + 0xA0", "\x8E\xA0z"s, kCodeSjis},
      {"0x8E + 0xE0", "\x8E\xE0z"s, kCodeSjis},
      {"0x8E + 0xFC", "\x8E\xFCz"s, kCodeSjis},
      {"0x8E + 0xFD", "\x8E\xFDz"s, kCodeAscii},
      {"0x8E + space", "\x8E z"s, kCodeAscii},
      // 0xA1-0xDF: EUC-JP lead byte or Shift_JIS half-width katakana.
      {"ambiguous pairs stay undecided", "\xB0\xA1\xB0\xA1\xDF\xDF"s, kCodeEucOrSjis},
      {"undecided, then EUC-JP", "\xA4\xA2\xA4\xF3"s, kCodeEuc},
      {"second byte 0xFE", "\xDF\xFE"s, kCodeEuc},
      {"half-width katakana then ASCII", "\xB1xyz"s, kCodeSjis},
      {"second byte 0xA0", "\xB0\xA0z"s, kCodeAscii},
      // 0xF0-0xFE: only EUC-JP; 0xE0-0xEF: either.
      {"0xF0", "\xF0\xA1"s, kCodeEuc},
      {"0xFE", "\xFE\xA1"s, kCodeEuc},
      {"0xE0 + 0x40", "\xE0\x40z"s, kCodeSjis},
      {"0xEF + 0xA0", "\xEF\xA0z"s, kCodeSjis},
      {"0xE0 + 0xFD", "\xE0\xFDz"s, kCodeEuc},
      {"0xE0 + 0xA1", "\xE0\xA1z"s, kCodeEucOrSjis},
      {"0xEF + 0xFC", "\xEF\xFCz"s, kCodeEucOrSjis},
      {"0xE0 + 0x7F keeps undecided", "\xB0\xA1\xE0\x7Fz"s, kCodeEucOrSjis},
      // Half-width katakana then 0xE0-0xEF: the following bytes decide, up to
      // a byte below 0x40, which is then skipped.
      {"run ahead to a Shift_JIS lead as last byte", "\xB0\xE0XY\x88"s, kCodeSjis},
      {"run ahead: 0x9C decides Shift_JIS", "\xB0\xE0\x9C"s, kCodeSjis},
      {"run ahead to an EUC-only byte", "\xB0\xE0XY\xFD"s, kCodeEuc},
      {"run ahead: 0x8E and 0x9D-0x9F decide nothing", "\xB0\xE0\x9D\x9E\x9F\x8E"s, kCodeEucOrSjis},
      {"run ahead to the end of the text", "\xB0\xE0xyz"s, kCodeEucOrSjis},
      {"run ahead ended by a space", "\xB0\xE0 \x88\x9F"s, kCodeSjis},
      {"run ahead ended by ESC, skipped", "\xB0\xE0\x1B$B\x30\x21"s, kCodeEucOrSjis},
      {"ESC after the byte that ends the run", "\xB0\xE0 \x1B$B\x30\x21"s, kCodeJisB},
      {"run ahead stops at the decision", "\xB0\xE0\x88\xFD"s, kCodeSjis},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OnExactBytes(c.text, DetectCode), c.code);
  }
}

TEST(CodeConvertTest, ConvertToConvertsOnlyJisAndEucToShiftJis) {
  const std::string euc = "<p>\xC6\xFC\xCB\xDC\xB8\xEC</p>\n"s;  // 日本語
  const std::string sjis = "<p>\x93\xFA\x96\x7B\x8C\xEA</p>\n"s;
  const std::string jis = "<p>\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x1B(B</p>\n"s;
  struct Case {
    const char* name;
    std::string text;
    int target;
    std::string want;
  };
  const Case cases[] = {
      {"EUC-JP", euc, kCodeSjis, sjis},
      {"JIS ESC $ B", jis, kCodeSjis, sjis},
      {"JIS ESC $ @", "\x1B$@\x46\x7C\x1B(J!"s, kCodeSjis, "\x93\xFA!"s},
      {"Shift_JIS untouched", sjis, kCodeSjis, sjis},
      {"undecided untouched", "\xB0\xA1\xB0\xA1"s, kCodeSjis, "\xB0\xA1\xB0\xA1"s},
      {"binary untouched", "\x01\xC6\xFC\xCB\xDC"s, kCodeSjis, "\x01\xC6\xFC\xCB\xDC"s},
      {"target JIS", euc, kCodeJisB, euc},
      {"JIS to target EUC-JP", jis, kCodeEuc, jis},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OnExactBytes(c.text, [&c](std::string_view t) { return ConvertTo(t, c.target); }),
              c.want);
  }
}

struct BytesCase {
  const char* name;
  std::string in;
  std::string out;
};

TEST(CodeConvertTest, EucToSjisConvertsPairsAndSingleShift) {
  const BytesCase cases[] = {
      {"first kanji", "\xB0\xA1"s, "\x88\x9F"s},
      {"hiragana", "\xA4\xA2\xA4\xF3"s, "\x82\xA0\x82\xF1"s},
      {"half-width katakana", "a\x8E\xB6\x8E\xC0z"s, "a\xB6\xC0z"s},
      {"single bytes copied", "a\r\n\x00\x7F\x80\xFF"s, "a\r\n\x00\x7F\x80\xFF"s},
      {"lead byte at the end", "ab\xB0"s, "ab"s},
      {"single shift at the end", "ab\x8E"s, "ab"s},
      {"empty", ""s, ""s},
  };
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OnExactBytes(c.in, EucToSjis), c.out);
  }
}

TEST(CodeConvertTest, JisToSjisFollowsEscapeSequences) {
  const BytesCase cases[] = {
      // Odd and even rows, cells on both sides of 0x60, rows on both sides of 0x5F.
      {"row and cell boundaries",
       "\x1B$B\x21\x21\x21\x5F\x21\x60\x21\x7E\x22\x21\x22\x7E\x30\x21\x5E\x7E\x5F\x21\x74\x26"s,
       "\x81\x40\x81\x7E\x81\x80\x81\x9E\x81\x9F\x81\xFC\x88\x9F\x9F\xFC\xE0\x40\xEA\xA4"s},
      {"ASCII around Japanese", "a\x1B$B\x30\x21\x24\x22\x1B(Bz\r\n"s, "a\x88\x9F\x82\xA0z\r\n"s},
      {"ESC $ @ and ESC ( J", "\x1B$@\x46\x7C\x1B(Jx"s, "\x93\xFAx"s},
      {"other escape keeps the mode", "\x1B$B\x30\x21\x1B.A\x30\x21\x1B(Bz"s, "\x88\x9F\x88\x9Fz"s},
      {"high bytes outside two-byte mode copied", "\xB0\xA1"s, "\xB0\xA1"s},
      {"ESC at the end", "ab\x1B"s, "ab"s},
      {"ESC $ at the end", "ab\x1B$"s, "ab"s},
      {"whole escape at the end", "ab\x1B$B"s, "ab"s},
      {"half a character at the end", "\x1B$B\x30\x21\x30"s, "\x88\x9F"s},
  };
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OnExactBytes(c.in, JisToSjis), c.out);
  }
}

// UTF-8 to `to` with glibc iconv, including the final shift back to ASCII of
// stateful encodings. Fails the test on any unconvertible character.
std::string IconvFromUtf8(const char* to, std::string_view utf8) {
  iconv_t cd = iconv_open(to, "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to;
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());
  size_t srcLeft = utf8.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  const size_t flush = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  iconv_close(cd);
  EXPECT_NE(rc, static_cast<size_t>(-1)) << to << " cannot hold: " << utf8;
  EXPECT_NE(flush, static_cast<size_t>(-1));
  out.resize(out.size() - dstLeft);
  return out;
}

// Japanese text of JIS X 0208 only (no characters whose Unicode mapping
// differs between JIS and CP932), in EUC-JP and JIS from iconv.
TEST(CodeConvertTest, ConversionsMatchIconvOnJapaneseText) {
  const std::string sentences[] = {
      "政府は来年度の予算案を閣議決定した。",
      "「ニュース速報」：台風１５号が関東地方に接近中！",
      "魑魅魍魎が跋扈する、鬱蒼とした森で蝙蝠と薔薇と檸檬を見た。",
      "ＷＥＢ版の記事は2024年4月1日午前10時30分に更新されました。",
      "Impress Watch: 新型ノートPCを発表 <b>速報</b>\r\n",
      "記号※〒→←↑↓○●◎□■△▲▽▼◇◆★☆と αβγ ΑΒΓ абв ─│┌┐",
      "熙と漾、そして凜と堯も常用外の漢字です。",
  };
  for (const std::string& utf8 : sentences) {
    SCOPED_TRACE(utf8);
    const std::string want = Utf8ToCp932(utf8);
    ASSERT_EQ(want.find('?'), std::string::npos);
    EXPECT_EQ(EucToSjis(IconvFromUtf8("EUC-JP", utf8)), want);
    const std::string jis = IconvFromUtf8("ISO-2022-JP", utf8);
    EXPECT_EQ(JisToSjis(jis), want);
    // 7-bit JIS announces itself before any high byte, so guessing agrees.
    EXPECT_EQ(ConvertTo(jis, kCodeSjis), want);
  }
  const std::string kana = "ｶﾀｶﾅのﾆｭｰｽ、ﾊﾝｶｸ｡";  // half-width katakana: EUC-JP only
  EXPECT_EQ(EucToSjis(IconvFromUtf8("EUC-JP", kana)), Utf8ToCp932(kana));
}

}  // namespace
}  // namespace quillet
