#include "core/text/code_convert.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillet {
namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr size_t kBinaryScanLimit = 512;

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

bool IsBinaryByte(unsigned char c) {
  return c < 0x08 || c == 0xFF;
}

// Copies bytes below 0x80 eight at a time while whole words of them remain:
// the markup of a page is mostly ASCII.
inline void CopyAsciiWords(const char*& in, const char* end, char*& out) {
  while (end - in >= 8) {
    uint64_t word;
    std::memcpy(&word, in, sizeof word);
    if ((word & 0x8080808080808080ULL) != 0) return;
    std::memcpy(out, &word, sizeof word);
    in += 8;
    out += 8;
  }
}

// Writes the Shift_JIS form of the JIS pair (j1, j2) at `out`.
inline char* PutPair(char* out, unsigned char j1, unsigned char j2) {
  const std::array<unsigned char, 2> sjis = JisPairToSjis(j1, j2);
  *out++ = static_cast<char>(sjis[0]);
  *out++ = static_cast<char>(sjis[1]);
  return out;
}

}  // namespace

std::array<unsigned char, 2> JisPairToSjis(unsigned char j1, unsigned char j2) {
  // Written without branches: whether j1 is odd varies from one character
  // to the next and would defeat branch prediction.
  const int first = ((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0);
  const int oddOffset = j2 < 0x60 ? 0x1F : 0x20;
  const int second = j2 + ((j1 & 1) != 0 ? oddOffset : 0x7E);
  return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

int DetectCode(std::string_view text) {
  const size_t len = text.size();
  auto at = [text](size_t pos) { return static_cast<unsigned char>(text[pos]); };

  // Binary bytes among the first 512, the last byte excepted.
  const size_t binaryEnd = std::min(kBinaryScanLimit, len == 0 ? 0 : len - 1);
  for (size_t pos = 0; pos < binaryEnd; ++pos) {
    if (IsBinaryByte(at(pos))) return kCodeBinary;
  }

  // Rules that look at a second byte leave `pos` on it; the step at the end
  // of the loop then moves past it. The last byte never starts a rule.
  int code = kCodeAscii;
  size_t pos = 0;
  while ((code == kCodeAscii || code == kCodeEucOrSjis) && pos + 1 < len) {
    const unsigned char c = at(pos);
    if (c == kEsc) {
      ++pos;
      if (at(pos) == '$') {
        ++pos;
        if (pos < len && at(pos) == 'B') {
          code = kCodeJisB;
        } else if (pos < len && at(pos) == '@') {
          code = kCodeJisAt;
        }
      }
    } else if (IsBinaryByte(c)) {
      code = kCodeBinary;
    } else if (c <= 0x7F) {
      // ASCII decides nothing.
    } else if (InRange(c, 0x81, 0x8D) || InRange(c, 0x8F, 0x9F)) {
      code = kCodeSjis;
    } else if (c == 0x8E) {
      const unsigned char d = at(++pos);
      if (InRange(d, 0x40, 0x7E) || InRange(d, 0x80, 0xA0) || InRange(d, 0xE0, 0xFC)) {
        code = kCodeSjis;
      } else if (InRange(d, 0xA1, 0xDF)) {
        code = kCodeEucOrSjis;
      }
    } else if (InRange(c, 0xA1, 0xDF)) {
      unsigned char d = at(++pos);
      if (InRange(d, 0xF0, 0xFE)) {
        code = kCodeEuc;
      } else if (InRange(d, 0xA1, 0xDF)) {
        code = kCodeEucOrSjis;
      } else if (InRange(d, 0xE0, 0xEF)) {
        // Half-width katakana followed by a Shift_JIS lead byte, or an EUC-JP
        // pair: run ahead over the following bytes (the last one included)
        // until one of them decides or a byte below 0x40 ends the run. The
        // byte that ends the run is then stepped over like a second byte.
        code = kCodeEucOrSjis;
        while (d >= 0x40 && code == kCodeEucOrSjis) {
          if (d >= 0x81) {
            if (d <= 0x8D || InRange(d, 0x8F, 0x9C)) {
              code = kCodeSjis;
            } else if (InRange(d, 0xFD, 0xFE)) {
              code = kCodeEuc;
            }
          }
          if (++pos >= len) break;
          d = at(pos);
        }
      } else if (d <= 0x9F) {
        code = kCodeSjis;
      }
    } else if (InRange(c, 0xF0, 0xFE)) {
      code = kCodeEuc;
    } else if (InRange(c, 0xE0, 0xEF)) {
      const unsigned char d = at(++pos);
      if (InRange(d, 0x40, 0x7E) || InRange(d, 0x80, 0xA0)) {
        code = kCodeSjis;
      } else if (InRange(d, 0xFD, 0xFE)) {
        code = kCodeEuc;
      } else if (InRange(d, 0xA1, 0xFC)) {
        code = kCodeEucOrSjis;
      }
    }
    // 0x80 and 0xA0 decide nothing.
    ++pos;
  }
  return code;
}

std::string ConvertTo(std::string_view text, int target) {
  const int code = DetectCode(text);
  if (code < kCodeJisB || code == target || code == kCodeEucOrSjis || target != kCodeSjis) {
    return std::string(text);
  }
  if (code == kCodeJisB || code == kCodeJisAt) return JisToSjis(text);
  return EucToSjis(text);
}

// Both converters never produce more bytes than they read, so the result is
// written through a pointer into a buffer of the input's size and cut to
// length at the end.
std::string EucToSjis(std::string_view text) {
  std::string result(text.size(), '\0');
  char* out = result.data();
  const char* in = text.data();
  const char* const end = in + text.size();
  while (in != end) {
    CopyAsciiWords(in, end, out);
    if (in == end) break;
    const unsigned char c = static_cast<unsigned char>(*in);
    if (c < 0x81 || c == 0xFF) {
      *out++ = static_cast<char>(c);
      ++in;
      continue;
    }
    if (end - in < 2) break;  // lead byte without its second byte: dropped
    const unsigned char d = static_cast<unsigned char>(in[1]);
    if (c == 0x8E) {
      *out++ = static_cast<char>(d);
    } else {
      out = PutPair(out, c & 0x7F, d & 0x7F);
    }
    in += 2;
  }
  result.resize(static_cast<size_t>(out - result.data()));
  return result;
}

std::string JisToSjis(std::string_view text) {
  const size_t len = text.size();
  std::string result(len, '\0');
  char* out = result.data();
  bool twoByte = false;
  size_t pos = 0;
  while (pos < len) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c == kEsc) {
      if (pos + 1 < len) {
        if (text[pos + 1] == '$') {
          twoByte = true;
        } else if (text[pos + 1] == '(') {
          twoByte = false;
        }
      }
      pos += 3;
    } else if (twoByte) {
      if (pos + 1 == len) break;  // first half of a character at the end: dropped
      out = PutPair(out, c, static_cast<unsigned char>(text[pos + 1]));
      pos += 2;
    } else {
      *out++ = static_cast<char>(c);
      ++pos;
    }
  }
  result.resize(static_cast<size_t>(out - result.data()));
  return result;
}

}  // namespace quillet
