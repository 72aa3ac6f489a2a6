// The HTTP response parser on byte literals, each cut in two at every position.
// The client's tests over TCP hold the limits and refused encodings.
#include <gtest/gtest.h>

#include "core/http/http_response_parser.h"

namespace quillet {
namespace {

// "outcome before>after the close code text|header lines/|body|length type|
// location|failure code"
std::string Parse(std::string_view response, size_t cut, bool head, int64_t limit) {
  std::string body, lines;
  HttpResponseParser parser(!head, limit, [&](std::string_view piece) { body += piece; });
  parser.Feed(response.substr(0, cut));
  parser.Feed(response.substr(cut));
  const char* outcomes[] = {"pending", "complete", "relocate", "failed"};
  const std::string before = outcomes[static_cast<int>(parser.outcome())];
  const std::string after = outcomes[static_cast<int>(parser.Close())];
  for (const std::string& line : parser.HeaderLines())
    lines += line + "/";
  return before + ">" + after + " " + std::to_string(parser.StatusCode()) + " " +
         parser.StatusText() + "|" + lines + "|" + body + "|" +
         std::to_string(parser.ContentLength()) + " " + parser.ContentType() + "|" +
         parser.Location() + "|" + parser.FailureText() + " " +
         std::to_string(parser.FailureCode());
}

TEST(HttpResponseParser, RulesHoldWhereverTheBytesAreCut) {
  const std::string ok = "HTTP/1.0 200 OK\n";
  // clang-format off
  const std::tuple<std::string, bool, int64_t, std::string> cases[] = {
      // response, HEAD, body limit, Parse()
      {ok + "Content-Length: 9\n\nbody", true, 9, "complete>complete 200 OK|HTTP/1.0 200 OK/Content-Length: 9/||9 || 0"},
      {"<hTmL>\nno header", true, 99, "pending>complete 0 ||<hTmL>\nno header|-1 text/html|| 0"},
      {"HTTP/1.1 302 Found\nLocation:  /a b \nContent-Length: 0\n\nignored", false, 9,
       "relocate>relocate 302 Found|HTTP/1.1 302 Found/Location:  /a b /Content-Length: 0/||0 |/a b| 0"},
      {"HTTP/1.0 404 Not Found\r\nX: 1\r\n", false, 9, "complete>complete 404 Not Found|HTTP/1.0 404 Not Found/||-1 || 0"},
      // A body cut before its Content-Length; a whole one, or the answer to HEAD.
      {ok + "Content-Length: 5\n\nabc", false, 9,
       "pending>failed 200 OK|HTTP/1.0 200 OK/Content-Length: 5/|abc|5 ||Connection closed after 3 of 5 bytes 404"},
      {ok + "Content-Length: 3\n\nabc", false, 9, "pending>complete 200 OK|HTTP/1.0 200 OK/Content-Length: 3/|abc|3 || 0"},
      {ok + "Content-Length: 5\n\n", true, 9, "complete>complete 200 OK|HTTP/1.0 200 OK/Content-Length: 5/||5 || 0"},
      // Encodings an HTTP/1.0 request without Accept-Encoding did not ask for.
      {ok + "Content-Encoding: gzip\n\n\x1f\x8b", false, 99,
       "failed>failed 200 OK|HTTP/1.0 200 OK/Content-Encoding: gzip/||-1 ||unrequested Content-Encoding: gzip 404"},
  };
  // clang-format on
  for (const auto& [response, head, limit, want] : cases) {
    for (size_t cut = 0; cut <= response.size(); ++cut)
      ASSERT_EQ(Parse(response, cut, head, limit), want) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace quillet
