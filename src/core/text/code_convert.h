// Guessing of a page's Japanese character code and conversion of EUC-JP and
// 7-bit JIS (ISO-2022-JP) text to Shift_JIS. Pure functions on byte strings;
// they never fail and never read past the end of the input.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quillet {

// Character codes returned by DetectCode and accepted as conversion targets.
inline constexpr int kCodeAscii = 0;      // no byte above 0x7F seen, or nothing decided
inline constexpr int kCodeBinary = 1;     // a byte below 0x08 or equal to 0xFF seen
inline constexpr int kCodeJisB = 2;       // JIS announced by ESC $ B
inline constexpr int kCodeJisAt = 3;      // JIS announced by ESC $ @
inline constexpr int kCodeEuc = 4;        // EUC-JP
inline constexpr int kCodeSjis = 5;       // Shift_JIS
inline constexpr int kCodeEucOrSjis = 6;  // EUC-JP or Shift_JIS, undecided

// Guesses the code of `text`. The first 512 bytes (never the last byte) are
// checked for binary bytes, then the text is scanned until the first decided
// code (1 to 5). The last byte is never looked at as the start of a character.
int DetectCode(std::string_view text);

// Detects the code of `text` and converts it to `target`. Only Shift_JIS
// (kCodeSjis) is supported as a target: JIS and EUC-JP text is converted; text
// that is ASCII, binary, undecided or already in the target code, and every
// other target, gives the text unchanged.
std::string ConvertTo(std::string_view text, int target);

// EUC-JP to Shift_JIS without guessing. Bytes below 0x81 and 0xFF are copied,
// 0x8E (single shift 2) is dropped before its half-width katakana byte, and
// every other high byte starts a two-byte character. A character cut off by
// the end of the text produces nothing.
std::string EucToSjis(std::string_view text);

// JIS to Shift_JIS. ESC $ x switches two-byte mode on, ESC ( x switches it
// off; every escape sequence is three bytes and produces nothing. A
// two-byte character or escape sequence cut off by the end produces nothing.
std::string JisToSjis(std::string_view text);

// One JIS X 0208 code (j1, j2) as its two Shift_JIS bytes, by the usual
// arithmetic; results wrap to 8 bits for bytes outside the JIS range.
std::array<unsigned char, 2> JisPairToSjis(unsigned char j1, unsigned char j2);

}  // namespace quillet
