// EUC-JP and ISO-2022-JP decoded to UTF-8 as web browsers read them: JIS X
// 0208 with the NEC row 13 and CP932's mappings (U+FF5E for the wave dash),
// JIS X 0212, half-width katakana, and the NEC-selected IBM extensions in
// rows 89 to 92, so that text reads as the same characters it would in
// CP932. Invalid bytes and user-defined characters become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

std::string DecodeEucJp(std::string_view bytes);

// Escape sequences ESC $ @ and ESC $ B (JIS X 0208), ESC ( B and ESC ( J
// (ASCII) and ESC ( I (half-width katakana); an unknown escape is U+FFFD.
std::string DecodeIso2022Jp(std::string_view bytes);

}  // namespace quillet
