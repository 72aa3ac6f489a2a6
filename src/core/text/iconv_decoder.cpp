#include "core/text/iconv_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillet {
namespace {

// Bytes `charset` spends on one more "A": its code unit, found without a
// table of names (UTF-16 is 2 under any of its aliases, UTF-32 4, the rest
// 1). A byte order mark or shift sequence comes once and cancels out.
size_t CodeUnitOf(const char* charset) {
  const iconv_t cd = iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 1;
  auto encodedSize = [cd](std::string_view text) -> size_t {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[64];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* to = out;
    size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1)) return 0;
    return sizeof out - outLeft;
  };
  const size_t one = encodedSize("A");
  const size_t two = encodedSize("AA");
  iconv_close(cd);
  return two > one && two - one <= 4 ? two - one : 1;
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
  if (Known()) unit_ = CodeUnitOf(charset);
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
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  bool flushed = false;
  while (!flushed) {
    char* to = out.data() + used;
    size_t outLeft = out.size() - used;
    // With no input left, a last call writes what a shift state still holds.
    const size_t rc = inLeft > 0 ? iconv(cd_, &in, &inLeft, &to, &outLeft)
                                 : iconv(cd_, nullptr, nullptr, &to, &outLeft);
    used = out.size() - outLeft;
    if (rc != static_cast<size_t>(-1)) {
      flushed = inLeft == 0;
      continue;
    }
    if (errno == E2BIG) {
      reserve(out.size());
      continue;
    }
    if (inLeft == 0) break;  // the last call has nothing to say
    reserve(kReplacementCharacter.size());
    std::memcpy(out.data() + used, kReplacementCharacter.data(), kReplacementCharacter.size());
    used += kReplacementCharacter.size();
    // EINVAL: the input ends inside a sequence. EILSEQ: an invalid one; the
    // state is kept, so a shift in force goes on after it.
    const size_t skip = errno == EILSEQ ? std::min(unit_, inLeft) : inLeft;
    in += skip;
    inLeft -= skip;
  }
  out.resize(used);
  ReplaceBeyondUnicode(out);
  return out;
}

}  // namespace quillet
