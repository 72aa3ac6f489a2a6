#include "fetch/code_convert.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp932.h"
#include "platform/text_codec.h"

namespace quillet {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
    out += ' ';
  }
  return out;
}

std::string Ascii(size_t count) {
  return std::string(count, 'a');
}

// The bytes in a heap block of exactly their size, so that AddressSanitizer
// reports a read past the end (a std::string has a terminator there).
class ExactBytes {
 public:
  explicit ExactBytes(const std::string& s) : bytes_(s.begin(), s.end()) {}
  std::string_view View() const { return {bytes_.data(), bytes_.size()}; }

 private:
  std::vector<char> bytes_;
};

struct DetectCase {
  const char* name;
  std::string text;
  int code;
};

TEST(CodeConvertTest, DetectCodeClassifiesByFirstDecidingByte) {
  const std::vector<DetectCase> cases = {
      {"empty", ""s, kCodeAscii},
      {"ascii with line breaks", "<html>\r\n<body>\t</body>\n"s, kCodeAscii},
      // Binary bytes.
      {"control byte", "abc\x01xyz"s, kCodeBinary},
      {"0xFF", "abc\xFFxyz"s, kCodeBinary},
      {"NUL as last byte is not examined", "abc\x00"s, kCodeAscii},
      {"NUL at byte 512 beats an earlier Shift_JIS lead", "\x88\x9F"s + Ascii(509) + "\x00tail"s,
       kCodeBinary},
      {"NUL at byte 513 comes after the decision", "\x88\x9F"s + Ascii(510) + "\x00tail"s,
       kCodeSjis},
      {"NUL past 512 found by the guessing scan", Ascii(600) + "\x00tail"s, kCodeBinary},
      {"NUL past 512 after an EUC-JP decision", "\xA4\xF3"s + Ascii(600) + "\x00tail"s, kCodeEuc},
      // Escape sequences.
      {"ESC $ B", "\x1B$B\x30\x21\x1B(B"s, kCodeJisB},
      {"ESC $ @", "\x1B$@\x30\x21\x1B(J"s, kCodeJisAt},
      {"ESC $ B with B as last byte", "\x1B$B"s, kCodeJisB},
      {"ESC $ B before EUC-looking bytes", "\x1B$B\x30\x21\x1B(B\xA4\xF3\xF0\xA1"s, kCodeJisB},
      {"EUC-JP before ESC $ B", "\xA4\xF3\x1B$B\x30\x21"s, kCodeEuc},
      {"other escape sequences", "\x1B(Babc\x1B$(Dxyz"s, kCodeAscii},
      {"ESC $ at the end", "abc\x1B$"s, kCodeAscii},
      {"ESC at the end", "abc\x1B"s, kCodeAscii},
      // Lead bytes that only Shift_JIS uses.
      {"0x81", "\x81\x40"s, kCodeSjis},
      {"0x8D", "\x8D\x40"s, kCodeSjis},
      {"0x8F", "\x8F\xA1"s, kCodeSjis},
      {"0x9F", "\x9F\xFC"s, kCodeSjis},
      {"0x80 decides nothing and takes one byte", "\x80\x88\x9F"s, kCodeSjis},
      {"0xA0 decides nothing and takes one byte", "\xA0\xA4\xF3"s, kCodeEuc},
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
      {"ambiguous pairs only", "\xB0\xA1\xB0\xA1\xDF\xDF"s, kCodeEucOrSjis},
      {"undecided, then EUC-JP", "\xA4\xA2\xA4\xF3"s, kCodeEuc},
      {"second byte 0xFE", "\xDF\xFE"s, kCodeEuc},
      {"second byte 0x40", "\xB0\x40z"s, kCodeSjis},
      {"half-width katakana then ASCII", "\xB1xyz"s, kCodeSjis},
      {"second byte 0xA0", "\xB0\xA0z"s, kCodeAscii},
      // 0xF0-0xFE: only EUC-JP.
      {"0xF0", "\xF0\xA1"s, kCodeEuc},
      {"0xFE", "\xFE\xA1"s, kCodeEuc},
      // 0xE0-0xEF: Shift_JIS or EUC-JP lead byte.
      {"0xE0 + 0x40", "\xE0\x40z"s, kCodeSjis},
      {"0xEF + 0xA0", "\xEF\xA0z"s, kCodeSjis},
      {"0xE0 + 0xFD", "\xE0\xFDz"s, kCodeEuc},
      {"0xE0 + 0xA1", "\xE0\xA1z"s, kCodeEucOrSjis},
      {"0xEF + 0xFC", "\xEF\xFCz"s, kCodeEucOrSjis},
      {"0xE0 + space", "\xE0 z"s, kCodeAscii},
      {"0xE0 + 0x7F keeps undecided", "\xB0\xA1\xE0\x7Fz"s, kCodeEucOrSjis},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + Hex(c.text));
    EXPECT_EQ(DetectCode(ExactBytes(c.text).View()), c.code);
  }
}

// Half-width katakana followed by 0xE0-0xEF: the following bytes decide, up to
// a byte below 0x40, which is then skipped.
TEST(CodeConvertTest, DetectCodeRunsAheadAfterKatakanaAndHighLead) {
  const std::vector<DetectCase> cases = {
      {"Shift_JIS lead through letters, last byte", "\xB0\xE0XY\x88"s, kCodeSjis},
      {"0x9C decides Shift_JIS", "\xB0\xE0\x9C"s, kCodeSjis},
      {"EUC-only byte", "\xB0\xE0XY\xFD"s, kCodeEuc},
      {"0x8E and 0x9D-0x9F decide nothing", "\xB0\xE0\x9D\x9E\x9F\x8E"s, kCodeEucOrSjis},
      {"run to the end of the text", "\xB0\xE0xyz"s, kCodeEucOrSjis},
      {"a space ends the run", "\xB0\xE0 \x88\x9F"s, kCodeSjis},
      {"ESC that ends the run is skipped", "\xB0\xE0\x1B$B\x30\x21"s, kCodeEucOrSjis},
      {"ESC after the ending byte counts", "\xB0\xE0 \x1B$B\x30\x21"s, kCodeJisB},
      {"decision stops the run", "\xB0\xE0\x88\xFD"s, kCodeSjis},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + Hex(c.text));
    EXPECT_EQ(DetectCode(ExactBytes(c.text).View()), c.code);
  }
}

struct ConvertCase {
  const char* name;
  std::string text;
  int target;
  std::string expected;
};

TEST(CodeConvertTest, ConvertToConvertsOnlyJisAndEucToShiftJis) {
  const std::string euc = "<p>\xC6\xFC\xCB\xDC\xB8\xEC</p>\n"s;  // 日本語
  const std::string sjis = "<p>\x93\xFA\x96\x7B\x8C\xEA</p>\n"s;
  const std::string jis = "<p>\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x1B(B</p>\n"s;
  const std::vector<ConvertCase> cases = {
      {"EUC-JP", euc, kCodeSjis, sjis},
      {"JIS ESC $ B", jis, kCodeSjis, sjis},
      {"JIS ESC $ @", "\x1B$@\x46\x7C\x1B(J!"s, kCodeSjis, "\x93\xFA!"s},
      {"JIS before EUC-looking bytes", "\x1B$B\x30\x21\x1B(B\xB0\xA1\xF0"s, kCodeSjis,
       "\x88\x9F\xB0\xA1\xF0"s},
      {"Shift_JIS untouched", sjis, kCodeSjis, sjis},
      {"ASCII untouched", "<a href=\"x\">y</a>"s, kCodeSjis, "<a href=\"x\">y</a>"s},
      {"ambiguous untouched", "\xB0\xA1\xB0\xA1"s, kCodeSjis, "\xB0\xA1\xB0\xA1"s},
      {"binary untouched", "\x01\xC6\xFC\xCB\xDC"s, kCodeSjis, "\x01\xC6\xFC\xCB\xDC"s},
      {"target EUC-JP", euc, kCodeEuc, euc},
      {"target JIS", euc, kCodeJisB, euc},
      {"JIS to target EUC-JP", jis, kCodeEuc, jis},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + Hex(c.text));
    EXPECT_EQ(Hex(ConvertTo(ExactBytes(c.text).View(), c.target)), Hex(c.expected));
  }
}

struct BytesCase {
  const char* name;
  std::string in;
  std::string out;
};

TEST(CodeConvertTest, EucToSjisConvertsPairsAndSingleShift) {
  const std::vector<BytesCase> cases = {
      {"first kanji", "\xB0\xA1"s, "\x88\x9F"s},
      {"hiragana", "\xA4\xA2\xA4\xF3"s, "\x82\xA0\x82\xF1"s},
      {"odd row, second byte below 0x60", "\xDF\xA1"s, "\xE0\x40"s},
      {"odd row, second byte 0x60", "\xDF\xE0"s, "\xE0\x80"s},
      {"last JIS X 0208 character", "\xF4\xA6"s, "\xEA\xA4"s},
      {"half-width katakana", "a\x8E\xB6\x8E\xC0z"s, "a\xB6\xC0z"s},
      {"single bytes copied", "a\r\n\x00\x7F\x80\xFF"s, "a\r\n\x00\x7F\x80\xFF"s},
      {"lead byte at the end", "ab\xB0"s, "ab"s},
      {"single shift at the end", "ab\x8E"s, "ab"s},
      {"empty", ""s, ""s},
  };
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + Hex(c.in));
    EXPECT_EQ(Hex(EucToSjis(ExactBytes(c.in).View())), Hex(c.out));
  }
}

TEST(CodeConvertTest, JisToSjisFollowsEscapeSequences) {
  const std::vector<BytesCase> cases = {
      {"first kanji", "\x1B$B\x30\x21\x1B(B"s, "\x88\x9F"s},
      {"ASCII around Japanese", "a\x1B$B\x30\x21\x24\x22\x1B(Bz\r\n"s, "a\x88\x9F\x82\xA0z\r\n"s},
      {"ESC $ @ and ESC ( J", "\x1B$@\x46\x7C\x1B(Jx"s, "\x93\xFAx"s},
      {"other escape keeps the mode", "\x1B$B\x30\x21\x1B.A\x30\x21\x1B(Bz"s, "\x88\x9F\x88\x9Fz"s},
      {"other escape in ASCII mode", "a\x1B.Ab"s, "ab"s},
      {"high bytes outside two-byte mode copied", "\xB0\xA1"s, "\xB0\xA1"s},
      {"ESC at the end", "ab\x1B"s, "ab"s},
      {"ESC $ at the end", "ab\x1B$"s, "ab"s},
      {"whole escape at the end", "ab\x1B$B"s, "ab"s},
      {"half a character at the end", "\x1B$B\x30\x21\x30"s, "\x88\x9F"s},
  };
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ": " + Hex(c.in));
    EXPECT_EQ(Hex(JisToSjis(ExactBytes(c.in).View())), Hex(c.out));
  }
}

TEST(CodeConvertTest, JisPairToSjisRowAndCellBoundaries) {
  struct PairCase {
    unsigned char j1, j2, s1, s2;
  };
  const std::vector<PairCase> cases = {
      {0x21, 0x21, 0x81, 0x40}, {0x21, 0x5F, 0x81, 0x7E}, {0x21, 0x60, 0x81, 0x80},
      {0x21, 0x7E, 0x81, 0x9E}, {0x22, 0x21, 0x81, 0x9F}, {0x22, 0x7E, 0x81, 0xFC},
      {0x30, 0x21, 0x88, 0x9F}, {0x5E, 0x7E, 0x9F, 0xFC}, {0x5F, 0x21, 0xE0, 0x40},
      {0x74, 0x26, 0xEA, 0xA4},
  };
  for (const PairCase& c : cases) {
    SCOPED_TRACE(Hex(std::string{static_cast<char>(c.j1), static_cast<char>(c.j2)}));
    const std::array<unsigned char, 2> sjis = JisPairToSjis(c.j1, c.j2);
    EXPECT_EQ(sjis[0], c.s1);
    EXPECT_EQ(sjis[1], c.s2);
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
// differs between JIS and CP932): kanji of both levels, kana, full-width
// letters and punctuation, Greek, Cyrillic, box drawing, mixed with ASCII.
const std::vector<std::string>& Sentences() {
  static const std::vector<std::string> sentences = {
      "政府は来年度の予算案を閣議決定した。",
      "東京都内で桜が満開に、花見客でにぎわう",
      "「ニュース速報」：台風１５号が関東地方に接近中！",
      "株価が急落（日経平均は一時５００円安）",
      "コンピューター・ウイルスの被害が拡大、対策ソフトを緊急配布",
      "魑魅魍魎が跋扈する、鬱蒼とした森で蝙蝠と薔薇と檸檬を見た。",
      "ＷＥＢ版の記事は2024年4月1日午前10時30分に更新されました。",
      "Impress Watch: 新型ノートPCを発表 <b>速報</b>",
      "きょうはいいてんきですね。あしたもはれるでしょう？",
      "記号※〒→←↑↓○●◎□■△▲▽▼◇◆★☆と αβγ ΑΒΓ абв ─│┌┐",
      "熙と漾、そして凜と堯も常用外の漢字です。",
  };
  return sentences;
}

TEST(CodeConvertTest, EucToSjisMatchesIconvOnJapaneseText) {
  std::vector<std::string> texts = Sentences();
  texts.push_back("ｶﾀｶﾅのﾆｭｰｽ、ﾊﾝｶｸ｡");  // half-width katakana: EUC-JP only
  std::string page;
  for (const std::string& s : texts)
    page += s + "\r\n";
  texts.push_back(page);
  for (const std::string& utf8 : texts) {
    SCOPED_TRACE(utf8);
    const std::string expected = Utf8ToCp932(utf8);
    ASSERT_EQ(expected.find('?'), std::string::npos);
    EXPECT_EQ(Hex(EucToSjis(IconvFromUtf8("EUC-JP", utf8))), Hex(expected));
  }
  // The text reaches the rows converted with the 0xB0 offset (lead 0xE0-0xEA).
  const std::string sjis = Utf8ToCp932(page);
  bool highRow = false;
  for (size_t pos = 0; pos < sjis.size(); pos += Cp932CharLength(sjis, pos)) {
    highRow = highRow || static_cast<unsigned char>(sjis[pos]) >= 0xE0;
  }
  EXPECT_TRUE(highRow);
}

TEST(CodeConvertTest, JisToSjisMatchesIconvOnJapaneseText) {
  std::vector<std::string> texts = Sentences();
  std::string page;
  for (const std::string& s : texts)
    page += s + "\r\n";
  texts.push_back(page);
  for (const std::string& utf8 : texts) {
    SCOPED_TRACE(utf8);
    const std::string expected = Utf8ToCp932(utf8);
    const std::string jis = IconvFromUtf8("ISO-2022-JP", utf8);
    EXPECT_EQ(Hex(JisToSjis(jis)), Hex(expected));
    // 7-bit JIS announces itself before any high byte, so guessing agrees.
    EXPECT_EQ(Hex(ConvertTo(jis, kCodeSjis)), Hex(expected));
  }
}

}  // namespace
}  // namespace quillet
