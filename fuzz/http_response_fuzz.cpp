// The HTTP response parser on arbitrary bytes fed in arbitrary pieces: no read
// past the input, never more body than it was given, and the same events
// whether the response comes whole, byte by byte or in random pieces.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/http/http_response_parser.h"

namespace {

using quillet::HttpResponseParser;
using Outcome = HttpResponseParser::Outcome;

void Check(bool condition) {
  if (!condition) std::abort();
}

// What a parse shows: the outcome before and after the close, the body and
// every header fact.
struct Events {
  Outcome beforeClose = Outcome::kPending;
  Outcome afterClose = Outcome::kPending;
  std::string body;
  int statusCode = 0;
  std::string statusText;
  std::vector<std::string> headerLines;
  int64_t contentLength = 0;
  std::string contentType, location, failureText;
  int failureCode = 0;
  bool operator==(const Events&) const = default;
};

// Parses `response` in pieces of the sizes `nextSize` gives.
template <typename NextSize>
Events Parse(std::string_view response, bool expectBody, int64_t limit, NextSize nextSize) {
  Events events;
  HttpResponseParser parser(expectBody, limit, [&](std::string_view piece) {
    Check(!piece.empty());
    events.body.append(piece);
  });
  for (size_t at = 0; at < response.size();) {
    const size_t size = std::min(nextSize(), response.size() - at);
    // Each piece in its own allocation, so that ASan sees a read past it.
    const std::vector<char> piece(response.begin() + static_cast<ptrdiff_t>(at),
                                  response.begin() + static_cast<ptrdiff_t>(at + size));
    parser.Feed({piece.data(), piece.size()});
    at += size;
  }
  events.beforeClose = parser.outcome();
  events.afterClose = parser.Close();
  Check(events.afterClose != Outcome::kPending);
  events.statusCode = parser.StatusCode();
  events.statusText = parser.StatusText();
  events.headerLines = parser.HeaderLines();
  events.contentLength = parser.ContentLength();
  events.contentType = parser.ContentType();
  events.location = parser.Location();
  events.failureText = parser.FailureText();
  events.failureCode = parser.FailureCode();
  return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const uint8_t flags = input.ConsumeIntegral<uint8_t>();
  const bool expectBody = (flags & 1) == 0;
  const int64_t limit =
      (flags & 2) != 0 ? input.ConsumeIntegral<uint16_t>() : std::numeric_limits<int64_t>::max();
  std::minstd_rand random(input.ConsumeIntegral<uint32_t>());
  const std::string response = input.ConsumeRemainingBytesAsString();

  const Events whole = Parse(response, expectBody, limit, [] { return SIZE_MAX; });
  Check(whole == Parse(response, expectBody, limit, [] { return size_t{1}; }));
  Check(whole == Parse(response, expectBody, limit, [&] { return size_t{1} + random() % 64; }));

  // The body is bytes of the response, up to the limit; without a failure it
  // runs to the end.
  Check(static_cast<int64_t>(whole.body.size()) <= limit);
  if (whole.afterClose == Outcome::kFailed) {
    Check(response.find(whole.body) != std::string::npos);
  } else {
    Check(response.ends_with(whole.body));
  }
  for (const std::string& line : whole.headerLines) {
    Check(!line.empty() && line.size() < HttpResponseParser::kMaxLineLength);
    Check(line.find('\n') == std::string::npos);
  }
  return 0;
}
