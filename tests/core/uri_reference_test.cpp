// Resolving links against the URI of their document: the examples of RFC 3986
// section 5.4, then what feeds give.
#include <gtest/gtest.h>

#include "core/feeds/uri_reference.h"

namespace quillet {
namespace {

TEST(UriReference, ResolvesTheRfcsExamples) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"g:h", "g:h"}, {"g", "http://a/b/c/g"}, {"./g", "http://a/b/c/g"}, {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"}, {"//g", "http://g"}, {"?y", "http://a/b/c/d;p?y"}, {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"}, {"g#s", "http://a/b/c/g#s"}, {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"}, {"g;x", "http://a/b/c/g;x"}, {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {"", "http://a/b/c/d;p?q"}, {".", "http://a/b/c/"}, {"./", "http://a/b/c/"}, {"..", "http://a/b/"},
      {"../", "http://a/b/"}, {"../g", "http://a/b/g"}, {"../..", "http://a/"}, {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      // The abnormal ones, strictly.
      {"../../../g", "http://a/g"}, {"../../../../g", "http://a/g"}, {"/./g", "http://a/g"},
      {"/../g", "http://a/g"}, {"g.", "http://a/b/c/g."}, {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."}, {"..g", "http://a/b/c/..g"}, {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"}, {"g/./h", "http://a/b/c/g/h"}, {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"}, {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"}, {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"}, {"g#s/../x", "http://a/b/c/g#s/../x"}, {"http:g", "http:g"},
  };
  // clang-format on
  for (const auto& [reference, target] : rows)
    EXPECT_EQ(ResolveUri("http://a/b/c/d;p?q", reference), target) << '"' << reference << '"';
}

TEST(UriReference, ResolvesWhatFeedsGive) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      // The base's query goes with a new path; its fragment never stays.
      {"https://news.example/feed.json?page=2", "#top",
       "https://news.example/feed.json?page=2#top"},
      {"https://news.example/a/feed#latest", "", "https://news.example/a/feed"},
      // A protocol-relative link takes only the scheme; a host with no path.
      {"https://news.example/a/b", "//cdn.example/x/../y", "https://cdn.example/y"},
      // Spaces and non-ASCII stay inside; ASCII white space at the ends goes.
      {"http://x/記事/", " \t\r\n../a b/ニュース.html?q=日 本#見 \f",
       "http://x/a b/ニュース.html?q=日 本#見"},
      // No base to stand on: the reference as it is, trimmed.
      {"", " item/1 ", "item/1"},
      // A scheme-only base, and texts before ":" that are no scheme.
      {"news:a", "..", "news:"},
      {"http://x/a/", "2024:08", "http://x/a/2024:08"},
  };
  for (const auto& [base, reference, target] : rows)
    EXPECT_EQ(ResolveUri(base, reference), target) << '"' << reference << "\" against " << base;
}

}  // namespace
}  // namespace quillet
