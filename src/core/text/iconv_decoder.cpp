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
  return out;
}

}  // namespace quillet
