#include "core/text/japanese_decoding.h"

#include <array>
#include <cstddef>

#include "core/text/code_convert.h"
#include "core/text/iconv_decoder.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// glibc's EUC-JP-MS does the decoding: unlike its EUC-JP it has the NEC
// row 13 and CP932's mappings. Where it puts user-defined characters in rows
// 85 to 94, the text it is given has U+FFFD or, for rows 89 to 92, the
// EUC-JP-MS codes of CP932's characters there.
constexpr char kEucJpMs[] = "EUC-JP-MS";

// A byte no EUC-JP text has: EUC-JP-MS decodes it as U+FFFD.
constexpr std::string_view kInvalidByte = "\xFF";

constexpr unsigned char kFirstUserRow = 0xF5;  // row 85
constexpr unsigned char kFirstIbmRow = 0xF9;   // row 89
constexpr unsigned char kLastIbmRow = 0xFC;    // row 92
constexpr size_t kIbmCells = 4 * 94;

bool IsEucByte(unsigned char c) {
  return c >= 0xA1 && c <= 0xFE;
}

// Rows 89 to 92 as EUC-JP-MS codes of the characters CP932 has in them.
class IbmRows {
 public:
  IbmRows() {
    const iconv_t cd = iconv_open(kEucJpMs, "UTF-8");
    for (size_t i = 0; i < kIbmCells; ++i) {
      const auto pair = JisPairToSjis(static_cast<unsigned char>(kFirstIbmRow - 0x80 + i / 94),
                                      static_cast<unsigned char>(0x21 + i % 94));
      const std::string utf8 =
          Cp932ToUtf8(std::string_view(reinterpret_cast<const char*>(pair.data()), 2));
      codes_[i] = Encode(cd, utf8);
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }

  std::string_view Code(unsigned char lead, unsigned char trail) const {
    return codes_[static_cast<size_t>(lead - kFirstIbmRow) * 94 + (trail - 0xA1)];
  }

 private:
  static std::string Encode(iconv_t cd, const std::string& utf8) {
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(kInvalidByte);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[8];
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* to = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1))
      return std::string(kInvalidByte);
    return std::string(out, sizeof out - outLeft);
  }

  std::array<std::string, kIbmCells> codes_;
};

// The EUC-JP text with rows 85 to 94 of both planes rewritten for
// EUC-JP-MS. A sequence counts as a unit only when it is valid, as iconv
// counts it; any other byte stands alone.
std::string ForEucJpMs(std::string_view euc) {
  static const IbmRows ibmRows;
  std::string out;
  out.reserve(euc.size() + euc.size() / 8);
  const size_t size = euc.size();
  auto at = [euc](size_t pos) { return static_cast<unsigned char>(euc[pos]); };
  size_t pos = 0;
  while (pos < size) {
    const unsigned char c = at(pos);
    if (c == 0x8F && pos + 2 < size && IsEucByte(at(pos + 1)) && IsEucByte(at(pos + 2))) {
      if (at(pos + 1) >= kFirstUserRow) {
        out += kInvalidByte;
      } else {
        out.append(euc.substr(pos, 3));
      }
      pos += 3;
    } else if (IsEucByte(c) && pos + 1 < size && IsEucByte(at(pos + 1))) {
      if (c >= kFirstIbmRow && c <= kLastIbmRow) {
        out += ibmRows.Code(c, at(pos + 1));
      } else if (c >= kFirstUserRow) {
        out += kInvalidByte;
      } else {
        out.append(euc.substr(pos, 2));
      }
      pos += 2;
    } else {
      out += static_cast<char>(c);
      ++pos;
    }
  }
  return out;
}

std::string DecodeRewritten(std::string_view euc) {
  // glibc's character set modules hold it as they hold CP932, which the
  // whole program needs.
  thread_local IconvDecoder decoder(kEucJpMs);
  return decoder.Decode(euc);
}

bool IsJisByte(unsigned char c) {
  return c >= 0x21 && c <= 0x7E;
}

// ISO-2022-JP as the EUC-JP of the same characters: JIS X 0208 pairs with
// the high bit set, katakana after 0x8E, invalid bytes as kInvalidByte. A
// lead byte cut off by the end stays alone, where EUC-JP-MS also sees a
// cut-off character. Bytes below 0x21 (line ends) pass in every mode.
std::string Iso2022JpAsEucJp(std::string_view jis) {
  enum class Mode { kAscii, kKanji, kKatakana };
  Mode mode = Mode::kAscii;
  std::string out;
  out.reserve(jis.size());
  const size_t size = jis.size();
  auto at = [jis](size_t pos) { return static_cast<unsigned char>(jis[pos]); };
  size_t pos = 0;
  while (pos < size) {
    const unsigned char c = at(pos);
    if (c == 0x1B) {
      const std::string_view escape = jis.substr(pos + 1, 2);
      if (escape == "$@" || escape == "$B") {
        mode = Mode::kKanji;
      } else if (escape == "(B" || escape == "(J") {
        mode = Mode::kAscii;
      } else if (escape == "(I") {
        mode = Mode::kKatakana;
      } else {
        out += kInvalidByte;
        ++pos;
        continue;
      }
      pos += 3;
    } else if (c < 0x21) {
      out += static_cast<char>(c);
      ++pos;
    } else if (mode == Mode::kAscii) {
      out += c < 0x80 ? static_cast<char>(c) : kInvalidByte[0];
      ++pos;
    } else if (mode == Mode::kKatakana) {
      if (c <= 0x5F) {
        out += '\x8E';
        out += static_cast<char>(c | 0x80);
      } else {
        out += kInvalidByte;
      }
      ++pos;
    } else if (!IsJisByte(c)) {
      out += kInvalidByte;
      ++pos;
    } else if (pos + 1 == size) {
      out += static_cast<char>(c | 0x80);
      ++pos;
    } else if (IsJisByte(at(pos + 1))) {
      out += static_cast<char>(c | 0x80);
      out += static_cast<char>(at(pos + 1) | 0x80);
      pos += 2;
    } else {
      out += kInvalidByte;  // the second byte is read again on its own
      ++pos;
    }
  }
  return out;
}

}  // namespace

std::string DecodeEucJp(std::string_view bytes) {
  return DecodeRewritten(ForEucJpMs(bytes));
}

std::string DecodeIso2022Jp(std::string_view bytes) {
  return DecodeRewritten(ForEucJpMs(Iso2022JpAsEucJp(bytes)));
}

}  // namespace quillet
