// CP932 (Shift_JIS) text functions that respect double-byte characters: a
// trail byte is never folded or matched as the start of a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

// Lead bytes of double-byte characters: 0x81-0x9F and 0xE0-0xFC.
inline bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of the character that starts at `pos` (1 or 2; 1 for a lead byte
// that ends the text).
inline size_t Cp932CharLength(std::string_view s, size_t pos) {
  return IsCp932LeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size() ? 2 : 1;
}

// True when the text ends in the lead byte of a double-byte character whose
// second byte was cut off.
inline bool Cp932EndsMidCharacter(std::string_view s) {
  size_t last = 0;
  for (size_t i = 0; i < s.size(); i += Cp932CharLength(s, i))
    last = i;
  return !s.empty() && last + 1 == s.size() && IsCp932LeadByte(static_cast<unsigned char>(s[last]));
}

// Folds the single-byte letters A-Z to a-z; double-byte characters, full-width
// letters among them, are kept as they are.
std::string Cp932Lower(std::string_view s);
void Cp932LowerInPlace(std::string& s);

// Position of the first occurrence of `needle` in `haystack` at or after
// `from` that begins at a character start, or npos. An empty needle matches at
// `from` when `from` is within the text.
size_t Cp932Find(std::string_view haystack, std::string_view needle, size_t from = 0);

// Removes leading and trailing bytes up to and including the space (0x00-0x20).
std::string_view TrimSpaces(std::string_view s);

}  // namespace quillet
