// The feed state file's reader and the Retry-After reader on arbitrary bytes:
// the state file reads, and states as the program writes them (no control
// character in a value) read back the same; a Retry-After given as
// delta-seconds is never before now.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/feeds/feed_politeness.h"
#include "core/feeds/feed_state.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  using quillet::FormatFeedStates, quillet::ParseFeedStates;
  const quillet::FeedStates written = ParseFeedStates(FormatFeedStates(ParseFeedStates(bytes)));
  Check(ParseFeedStates(FormatFeedStates(written)) == written);

  constexpr std::time_t kNow = 1796644800;
  const std::string_view value = bytes.substr(0, 64);
  const auto at = quillet::ParseRetryAfter(value, kNow);
  if (at && !value.empty() && value.find_first_not_of("0123456789 \t") == std::string_view::npos)
    Check(*at >= kNow);
  return 0;
}
