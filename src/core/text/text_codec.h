// Conversion between CP932, the program's internal text, and UTF-8, the text of
// source literals, terminals and Qt. Built on glibc iconv ("CP932", which keeps
// 0x5C as the backslash and has the NEC and IBM extensions).
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Bytes that are not valid CP932 become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);
// The same, written at `out`: returns the end of the text. It may write
// bytes past that end, but none past Cp932ToUtf8Room(cp932.size()) bytes.
char* WriteCp932AsUtf8(char* out, std::string_view cp932);
constexpr size_t Cp932ToUtf8Room(size_t cp932Size) {
  return 3 * cp932Size + 8;
}
// The same through iconv a whole text at once, an unmapped pair of a lead
// and a trail byte as one U+FFFD: slower, and what the table behind
// Cp932ToUtf8 is filled from a piece at a time.
std::string Cp932ToUtf8ByIconv(std::string_view cp932);

// Characters that CP932 cannot hold, and invalid UTF-8, become `replacement`.
std::string Utf8ToCp932(std::string_view utf8, char replacement = '?');
// The same with a replacement of any length, such as kGetaMark; the
// replacement is CP932 text and is copied as it is.
std::string Utf8ToCp932(std::string_view utf8, std::string_view replacement);

// "〓" in CP932, the mark that stands for a character that cannot be shown.
inline constexpr std::string_view kGetaMark = "\x81\xAC";

// Converts a path or other file-system text for a message: UTF-8 names become
// CP932; anything that is not valid UTF-8 is kept as it is.
std::string FileNameForMessage(std::string_view path);

}  // namespace quillet

// A UTF-8 source literal as CP932 bytes, converted once at first use.
#define CP932(literal)                                                    \
  ([]() -> const std::string& {                                           \
    static const std::string converted = ::quillet::Utf8ToCp932(literal); \
    return converted;                                                     \
  }())
