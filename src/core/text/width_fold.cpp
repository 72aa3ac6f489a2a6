#include "core/text/width_fold.h"

#include <array>
#include <cstdint>

#include "core/text/cp932.h"

namespace quillet {
namespace {

// The ASCII byte of a full-width character 0x81xx or 0x82xx (ASCII letters
// in lower case), 0 for one that has none. The full-width quotation marks of
// the 0xEE and 0xFA rows are looked up on their own.
struct FullWidthTable {
  std::array<unsigned char, 256> row81{};
  std::array<unsigned char, 256> row82{};

  constexpr FullWidthTable() {
    constexpr std::pair<unsigned char, char> kSigns[] = {
        {0x40, ' '}, {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'},  {0x48, '?'}, {0x49, '!'},
        {0x4D, '`'}, {0x4F, '^'}, {0x51, '_'}, {0x5E, '/'}, {0x5F, '\\'}, {0x60, '~'}, {0x62, '|'},
        {0x69, '('}, {0x6A, ')'}, {0x6D, '['}, {0x6E, ']'}, {0x6F, '{'},  {0x70, '}'}, {0x7B, '+'},
        {0x7C, '-'}, {0x81, '='}, {0x83, '<'}, {0x84, '>'}, {0x90, '$'},  {0x93, '%'}, {0x94, '#'},
        {0x95, '&'}, {0x96, '*'}, {0x97, '@'}};
    for (const auto& [trail, ascii] : kSigns)
      row81[trail] = static_cast<unsigned char>(ascii);
    for (size_t i = 0; i < 10; ++i)
      row82[0x4F + i] = static_cast<unsigned char>('0' + i);
    for (size_t i = 0; i < 26; ++i) {
      row82[0x60 + i] = static_cast<unsigned char>('a' + i);  // Ａ-Ｚ
      row82[0x81 + i] = static_cast<unsigned char>('a' + i);  // ａ-ｚ
    }
  }
};
constexpr FullWidthTable kFullWidth;

unsigned char AsciiOfFullWidth(unsigned char lead, unsigned char trail) {
  if (lead == 0x81) return kFullWidth.row81[trail];
  if (lead == 0x82) return kFullWidth.row82[trail];
  if ((lead == 0xFA && trail == 0x56) || (lead == 0xEE && trail == 0xFB)) return '\'';
  if ((lead == 0xFA && trail == 0x57) || (lead == 0xEE && trail == 0xFC)) return '"';
  return 0;
}

// The full-width form of half-width katakana and signs 0xA1-0xDF.
constexpr uint16_t kHalfWidthKana[0xE0 - 0xA1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // ｡｢｣､･ｦｧｨ
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // ｩｪｫｬｭｮｯｰ
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // ｱｲｳｴｵｶｷｸ
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // ｹｺｻｼｽｾｿﾀ
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // ﾙﾚﾛﾜﾝﾞﾟ
};

constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ

// The full-width character of half-width kana `kana` followed by `mark`, or
// 0 when none holds both: ｶﾞ-ﾄﾞ and ﾊﾞ-ﾎﾞ are the plain kana's code plus
// one, ﾊﾟ-ﾎﾟ plus two, ｳﾞ is ヴ.
uint16_t Joined(unsigned char kana, unsigned char mark) {
  const uint16_t plain = kHalfWidthKana[kana - 0xA1];
  const bool ka = kana >= 0xB6 && kana <= 0xC4;  // ｶ-ﾄ
  const bool ha = kana >= 0xCA && kana <= 0xCE;  // ﾊ-ﾎ
  if (mark == kVoicedMark) {
    if (kana == 0xB3) return 0x8394;  // ｳﾞ
    if (ka || ha) return static_cast<uint16_t>(plain + 1);
  } else if (mark == kSemiVoicedMark && ha) {
    return static_cast<uint16_t>(plain + 2);
  }
  return 0;
}

void AppendDoubleByte(std::string& out, uint16_t c) {
  out += static_cast<char>(c >> 8);
  out += static_cast<char>(c & 0xFF);
}

}  // namespace

void AppendWidthFolded(std::string& out, std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
      ++i;
    } else if (IsCp932LeadByte(c)) {
      if (i + 1 == n) {  // cut off: copied as it is
        out += static_cast<char>(c);
        ++i;
        continue;
      }
      if (const unsigned char ascii = AsciiOfFullWidth(c, s[i + 1])) {
        out += static_cast<char>(ascii);
      } else {
        out += static_cast<char>(c);
        out += static_cast<char>(s[i + 1]);
      }
      i += 2;
    } else if (c >= 0xA1 && c <= 0xDF) {
      const uint16_t joined = i + 1 < n && c >= 0xA6 && c <= 0xDD ? Joined(c, s[i + 1]) : 0;
      AppendDoubleByte(out, joined != 0 ? joined : kHalfWidthKana[c - 0xA1]);
      i += joined != 0 ? 2 : 1;
    } else {  // 0x80, 0xA0, 0xFD-0xFF
      out += static_cast<char>(c);
      ++i;
    }
  }
}

std::vector<std::string> WidthFoldForms(std::string_view c) {
  std::vector<std::string> forms{std::string(c)};
  const auto wide = [](unsigned lead, unsigned trail) {
    return std::string{static_cast<char>(lead), static_cast<char>(trail)};
  };
  if (c.size() == 1) {
    const auto b = static_cast<unsigned char>(c[0]);
    if (b >= 0x80) return forms;
    if (b >= 'a' && b <= 'z') forms.emplace_back(1, static_cast<char>(b - ('a' - 'A')));
    for (const unsigned lead : {0x81u, 0x82u, 0xEEu, 0xFAu}) {
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (AsciiOfFullWidth(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)) ==
            b)
          forms.push_back(wide(lead, trail));
      }
    }
    return forms;
  }
  const unsigned code = static_cast<unsigned char>(c[0]) << 8 | static_cast<unsigned char>(c[1]);
  for (unsigned kana = 0xA1; kana <= 0xDF; ++kana) {
    const auto k = static_cast<unsigned char>(kana);
    if (kHalfWidthKana[kana - 0xA1] == code) forms.emplace_back(1, static_cast<char>(k));
    if (kana < 0xA6 || kana > 0xDD) continue;
    for (const unsigned char mark : {kVoicedMark, kSemiVoicedMark}) {
      if (Joined(k, mark) == code) forms.push_back(wide(kana, mark));
    }
  }
  return forms;
}

std::string WidthFolded(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  AppendWidthFolded(out, text);
  return out;
}

}  // namespace quillet
