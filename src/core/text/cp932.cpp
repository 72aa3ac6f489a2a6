#include "core/text/cp932.h"

#include <cstring>

namespace quillet {

void Cp932LowerInPlace(std::string& s) {
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsCp932LeadByte(c)) {
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') s[i] = static_cast<char>(c + ('a' - 'A'));
    ++i;
  }
}

std::string Cp932Lower(std::string_view s) {
  std::string out(s);
  Cp932LowerInPlace(out);
  return out;
}

size_t Cp932Find(std::string_view haystack, std::string_view needle, size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  // Walk character starts from the beginning so that `from` inside a
  // double-byte character still lines up with the real character boundaries.
  const char first = needle.front();
  size_t i = 0;
  while (needle.size() <= haystack.size() - i) {
    if (i >= from && haystack[i] == first &&
        std::memcmp(haystack.data() + i, needle.data(), needle.size()) == 0) {
      return i;
    }
    i += IsCp932LeadByte(static_cast<unsigned char>(haystack[i])) ? size_t{2} : size_t{1};
    if (i > haystack.size()) break;
  }
  return std::string_view::npos;
}

std::string_view TrimSpaces(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
    ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
    --e;
  return s.substr(b, e - b);
}

}  // namespace quillet
