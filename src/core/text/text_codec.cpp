#include "core/text/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace quillet {
namespace {

// One conversion descriptor per direction and thread; iconv_open is not cheap.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; at an unconvertible or invalid sequence calls
  // skip(remaining input) -> number of input bytes to drop, then appends
  // `substitute` and goes on.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view substitute, Skip skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
      char* dst = out.data() + used;
      size_t dstLeft = out.size() - used;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      used = out.size() - dstLeft;
      if (rc != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL (truncated sequence at the end).
      size_t drop = skip(std::string_view(src, srcLeft));
      if (drop == 0 || drop > srcLeft) drop = 1;
      src += drop;
      srcLeft -= drop;
      out.resize(std::max(out.size(), used + substitute.size() + srcLeft * 2 + 16));
      std::memcpy(out.data() + used, substitute.data(), substitute.size());
      used += substitute.size();
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

bool IsLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

size_t Utf8SequenceLength(std::string_view rest) {
  unsigned char c = static_cast<unsigned char>(rest[0]);
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  // Only drop the continuation bytes that are really there.
  size_t i = 1;
  while (i < n && i < rest.size() && (static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80)
    ++i;
  return i;
}

// CP932 through iconv, bytes that are not valid CP932 as U+FFFD.
std::string IconvCp932ToUtf8(std::string_view cp932) {
  thread_local Converter conv("UTF-8", "CP932");
  return conv.Run(cp932, "\xEF\xBF\xBD", [](std::string_view rest) -> size_t {
    // An unmapped double-byte character is one replacement, not two.
    if (rest.size() >= 2 && IsLead(static_cast<unsigned char>(rest[0])) &&
        IsTrail(static_cast<unsigned char>(rest[1]))) {
      return 2;
    }
    return 1;
  });
}

// The conversion a character at a time through tables that iconv fills as
// the characters are first met: iconv stays the one source of the mapping, at
// the cost of a lookup. CP932 has no shift states, so a text converts as its
// pieces do, a piece being a lead byte with the byte after it (whatever iconv
// makes of the two) or a single byte.
class Cp932Table {
 public:
  Cp932Table() : pairs_(size_t{60} * 256) {
    asciiKept_ = true;
    for (unsigned c = 0; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      singles_[c] = Piece::Of(IconvCp932ToUtf8(std::string_view(&byte, 1)));
      if (c < 0x80)
        asciiKept_ = asciiKept_ && singles_[c].size == 1 && singles_[c].bytes[0] == byte;
    }
  }

  // No piece grows by more than 3 a byte; each is copied as one 8-byte word.
  char* Write(char* to, std::string_view in) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const auto* const end = p + in.size();
    while (p < end) {
      if (asciiKept_ && *p < 0x80) {  // ASCII runs go over 8 bytes at a time
        uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080u) == 0)) {
          std::memcpy(to, &word, 8);
          p += 8;
          to += 8;
        }
        while (p < end && *p < 0x80)
          *to++ = static_cast<char>(*p++);
        continue;
      }
      const Piece* piece;
      if (IsLead(*p) && end - p >= 2) {
        // The 60 lead bytes, 0x81-0x9F then 0xE0-0xFC, by every next byte.
        const size_t lead = p[0] <= 0x9F ? p[0] - 0x81u : p[0] - 0xE0u + 31;
        Piece& pair = pairs_[lead << 8 | p[1]];
        if (pair.size == 0)
          pair = Piece::Of(IconvCp932ToUtf8(std::string_view(reinterpret_cast<const char*>(p), 2)));
        piece = &pair;
        p += 2;
      } else {
        piece = &singles_[*p];
        ++p;
      }
      std::memcpy(to, piece, sizeof(Piece));
      to += piece->size;
    }
    return to;
  }

 private:
  struct Piece {  // 8 bytes
    char bytes[7];
    unsigned char size;  // 0: not converted yet
    static Piece Of(const std::string& utf8) {
      Piece piece{};
      std::memcpy(piece.bytes, utf8.data(), std::min(utf8.size(), sizeof piece.bytes));
      piece.size = static_cast<unsigned char>(std::min(utf8.size(), sizeof piece.bytes));
      return piece;
    }
  };
  static_assert(sizeof(Piece) == 8);
  Piece singles_[256];
  std::vector<Piece> pairs_;
  bool asciiKept_;
};

}  // namespace

char* WriteCp932AsUtf8(char* out, std::string_view cp932) {
  thread_local Cp932Table table;
  return table.Write(out, cp932);
}

void AppendCp932ToUtf8(std::string& out, std::string_view cp932) {
  const size_t kept = out.size();
  out.resize(kept + Cp932ToUtf8Room(cp932.size()));
  out.resize(static_cast<size_t>(WriteCp932AsUtf8(out.data() + kept, cp932) - out.data()));
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  AppendCp932ToUtf8(out, cp932);
  return out;
}

std::string Utf8ToCp932(std::string_view utf8, char replacement) {
  return Utf8ToCp932(utf8, std::string_view(&replacement, 1));
}

std::string Utf8ToCp932(std::string_view utf8, std::string_view replacement) {
  thread_local Converter conv("CP932", "UTF-8");
  return conv.Run(utf8, replacement, Utf8SequenceLength);
}

std::string FileNameForMessage(std::string_view path) {
  thread_local Converter conv("CP932", "UTF-8");
  bool valid = true;
  std::string converted = conv.Run(path, "?", [&valid](std::string_view rest) -> size_t {
    valid = false;
    return Utf8SequenceLength(rest);
  });
  return valid ? converted : std::string(path);
}

}  // namespace quillet
