#include "core/text/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
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

}  // namespace

std::string Cp932ToUtf8ByIconv(std::string_view cp932) {
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

namespace {

// The conversion a character at a time through a table that iconv fills once,
// a piece at a time: iconv stays the one source of the mapping. CP932 has no
// shift states, so a text converts as its pieces do, a piece being a lead byte
// with a trail byte after it or a single byte (a lead byte without one too,
// which iconv takes alone).
class Cp932Table {
 public:
  Cp932Table() : pieces_(256 + 60 * 256) {
    for (unsigned c = 0; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      pieces_[c] = PieceOf(std::string_view(&byte, 1));
      usable_ = usable_ && (c >= 0x80 || pieces_[c] == Piece(std::string_view(&byte, 1)));
      pairStarts_[c] = -1;
      trailBytes_[c] = IsTrail(static_cast<unsigned char>(c));
    }
    int32_t start = 256;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLead(static_cast<unsigned char>(lead))) continue;
      pairStarts_[lead] = start;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (IsTrail(static_cast<unsigned char>(trail)))
          pieces_[static_cast<size_t>(start) + trail] = PieceOf(std::string_view(pair, 2));
      }
      start += 256;
    }
  }

  // False when iconv makes a piece longer than the table holds, or ASCII
  // other than itself: then iconv converts every text.
  bool Usable() const { return usable_; }

  // ASCII goes eight bytes at a time up to the next other byte; each piece
  // is copied as one 4-byte word.
  char* Write(char* to, std::string_view in) const {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const auto* const end = p + in.size();
    const uint32_t* const pieces = pieces_.data();
    while (p < end) {
      if (*p >= 0x80) {
        // A lead byte with a trail byte is a pair, anything else a single byte.
        const int32_t pairStart = pairStarts_[*p];
        uint32_t piece;
        if (pairStart >= 0 && end - p >= 2 && trailBytes_[p[1]]) {
          piece = pieces[static_cast<size_t>(pairStart) + p[1]];
          p += 2;
        } else {
          piece = pieces[*p];
          ++p;
        }
        std::memcpy(to, &piece, sizeof piece);
        to += Size(piece);
      } else if (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        std::memcpy(to, &word, 8);
        const size_t ascii = AsciiBytesAtFront(word);
        p += ascii;
        to += ascii;
      } else {
        *to++ = static_cast<char>(*p++);
      }
    }
    return to;
  }

 private:
  // A piece's UTF-8 in its first three bytes in memory, their number in the
  // fourth.
  static size_t Size(uint32_t piece) {
    return std::endian::native == std::endian::little ? piece >> 24 : piece & 0xFF;
  }

  // How many of the word's bytes, in memory order, come before the first
  // that is not ASCII.
  static size_t AsciiBytesAtFront(uint64_t word) {
    const uint64_t high = word & 0x8080808080808080u;
    if (high == 0) return 8;
    if constexpr (std::endian::native == std::endian::little) {
      return static_cast<size_t>(std::countr_zero(high)) / 8;
    } else {
      return static_cast<size_t>(std::countl_zero(high)) / 8;
    }
  }

  static uint32_t Piece(std::string_view utf8) {
    char bytes[4] = {};
    std::memcpy(bytes, utf8.data(), std::min(utf8.size(), size_t{3}));
    bytes[3] = static_cast<char>(utf8.size());
    uint32_t piece;
    std::memcpy(&piece, bytes, sizeof piece);
    return piece;
  }

  uint32_t PieceOf(std::string_view cp932) {
    const std::string utf8 = Cp932ToUtf8ByIconv(cp932);
    usable_ = usable_ && utf8.size() <= 3;
    return Piece(utf8);
  }

  std::vector<uint32_t> pieces_;  // the single bytes, then each lead byte's pairs by trail byte
  int32_t pairStarts_[256];       // where a lead byte's pairs start in pieces_, -1 for others
  bool trailBytes_[256];
  bool usable_ = true;
};

}  // namespace

char* WriteCp932AsUtf8(char* out, std::string_view cp932) {
  static const Cp932Table table;
  if (table.Usable()) return table.Write(out, cp932);
  const std::string utf8 = Cp932ToUtf8ByIconv(cp932);
  return std::copy(utf8.begin(), utf8.end(), out);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out(Cp932ToUtf8Room(cp932.size()), '\0');
  out.resize(static_cast<size_t>(WriteCp932AsUtf8(out.data(), cp932) - out.data()));
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
