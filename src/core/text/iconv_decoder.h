// Decoding to UTF-8 from any character set glibc iconv knows, where bytes
// that are not valid in that set become U+FFFD and decoding never fails.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

class IconvDecoder {
 public:
  // Known() is false when iconv has no decoder of that name.
  explicit IconvDecoder(const char* charset);
  ~IconvDecoder();
  IconvDecoder(const IconvDecoder&) = delete;
  IconvDecoder& operator=(const IconvDecoder&) = delete;

  bool Known() const { return cd_ != kNotOpen; }

  // `bytes` as UTF-8. An invalid sequence becomes U+FFFD and the decoding
  // goes on after the first code unit of it (one byte, two in UTF-16, four
  // in UTF-32); a sequence cut off by the end becomes one U+FFFD. Each call
  // starts in the initial shift state. Must be Known().
  std::string Decode(std::string_view bytes);

 private:
  static inline const iconv_t kNotOpen = reinterpret_cast<iconv_t>(-1);

  iconv_t cd_;
  size_t unit_ = 1;         // bytes skipped at an invalid sequence
  bool holdsBack_ = false;  // a character waits for a combining mark after it
};

}  // namespace quillet
