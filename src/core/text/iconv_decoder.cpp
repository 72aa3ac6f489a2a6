#include "core/text/iconv_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillet {
namespace {

// What a decoder's behaviour depends on, found from the encoder of the same
// name rather than from a table of names: the code unit is the bytes spent
// on one more "A" (2 in UTF-16 under any of its aliases, 4 in UTF-32, 1 in
// the rest; a byte order mark or shift sequence comes once and cancels out),
// and a decoder holds a character back when "A" gives nothing before the
// last call (windows-1258 waits for a combining mark to compose with).
struct Traits {
  size_t unit = 1;
  bool holdsBack = false;
};

Traits TraitsOf(iconv_t decoder, const char* charset) {
  Traits traits;
  const iconv_t encoder = iconv_open(charset, "UTF-8");
  if (encoder == reinterpret_cast<iconv_t>(-1)) return traits;
  auto convert = [](iconv_t cd, std::string_view text) -> std::string {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[64];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* to = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1)) return {};
    return std::string(out, sizeof out - outLeft);
  };
  const std::string one = convert(encoder, "A");
  const std::string two = convert(encoder, "AA");
  iconv_close(encoder);
  if (two.size() > one.size() && two.size() - one.size() <= 4)
    traits.unit = two.size() - one.size();
  traits.holdsBack = !one.empty() && convert(decoder, one).empty();
  return traits;
}

// glibc decodes UTF-8 and UCS-4 up to 0x7FFFFFFF and writes what lies
// beyond U+10FFFF in UTF-8's old forms of 4 to 6 bytes; each such character
// becomes U+FFFD. Only shortens the text.
void ReplaceBeyondUnicode(std::string& utf8) {
  auto isBeyond = [](unsigned char c) { return c >= 0xF4; };
  auto from = std::find_if(utf8.begin(), utf8.end(), isBeyond);
  if (from == utf8.end()) return;
  auto to = from;
  while (from != utf8.end()) {
    const auto lead = static_cast<unsigned char>(*from);
    const size_t length = lead >= 0xFC ? 6 : lead >= 0xF8 ? 5 : lead >= 0xF0 ? 4 : 1;
    const size_t left = static_cast<size_t>(utf8.end() - from);
    if (lead >= 0xF4 && length <= left &&
        (lead > 0xF4 || static_cast<unsigned char>(from[1]) >= 0x90)) {
      to = std::copy(kReplacementCharacter.begin(), kReplacementCharacter.end(), to);
      from += static_cast<std::ptrdiff_t>(length);
    } else {
      *to++ = *from++;
    }
  }
  utf8.erase(to, utf8.end());
}

}  // namespace

IconvDecoder::IconvDecoder(const char* charset) : cd_(iconv_open("UTF-8", charset)) {
  if (!Known()) return;
  const Traits traits = TraitsOf(cd_, charset);
  unit_ = traits.unit;
  holdsBack_ = traits.holdsBack;
}

IconvDecoder::~IconvDecoder() {
  if (Known()) iconv_close(cd_);
}

std::string IconvDecoder::Decode(std::string_view bytes) {
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  std::string out(bytes.size() * 2 + 16, '\0');
  size_t used = 0;
  // Room for `more` bytes after what is written; doubling keeps it linear.
  auto reserve = [&](size_t more) {
    if (out.size() - used < more) out.resize(std::max(out.size() * 2, used + more));
  };
  auto convert = [&](char** in, size_t* inLeft) {
    char* to = out.data() + used;
    size_t outLeft = out.size() - used;
    const size_t rc = iconv(cd_, in, inLeft, &to, &outLeft);
    used = out.size() - outLeft;
    return rc != static_cast<size_t>(-1);
  };
  // Writes a character held back and returns to the initial shift state.
  auto flush = [&] {
    while (!convert(nullptr, nullptr) && errno == E2BIG)
      reserve(out.size());
  };

  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0 && !convert(&in, &inLeft)) {
    if (errno == E2BIG) {
      reserve(out.size());
      continue;
    }
    const int error = errno;
    // A character held back comes before the replacement. A shift state is
    // kept otherwise, so a shift in force goes on after an invalid sequence.
    if (holdsBack_) flush();
    reserve(kReplacementCharacter.size());
    std::memcpy(out.data() + used, kReplacementCharacter.data(), kReplacementCharacter.size());
    used += kReplacementCharacter.size();
    // EILSEQ: an invalid sequence. EINVAL: the input ends inside one.
    const size_t skip = error == EILSEQ ? std::min(unit_, inLeft) : inLeft;
    in += skip;
    inLeft -= skip;
  }
  flush();
  out.resize(used);
  ReplaceBeyondUnicode(out);
  return out;
}

}  // namespace quillet
