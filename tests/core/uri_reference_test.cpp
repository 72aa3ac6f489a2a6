// Resolving links against the URI of their document: the examples of RFC 3986
// section 5.4, then what feeds give.
#include <gtest/gtest.h>

#include <vector>

#include "core/feeds/uri_reference.h"

namespace quillet {
namespace {

struct Resolution {
  const char* base;
  const char* reference;
  const char* target;
};

void ExpectResolutions(const std::vector<Resolution>& rows) {
  for (const auto& [base, reference, target] : rows)
    EXPECT_EQ(ResolveUri(base, reference), target) << '"' << reference << "\" against " << base;
}

constexpr const char* kRfcBase = "http://a/b/c/d;p?q";

TEST(UriReference, ResolvesTheRfcsExamples) {
  ExpectResolutions({
      {kRfcBase, "g:h", "g:h"},
      {kRfcBase, "g", "http://a/b/c/g"},
      {kRfcBase, "./g", "http://a/b/c/g"},
      {kRfcBase, "g/", "http://a/b/c/g/"},
      {kRfcBase, "/g", "http://a/g"},
      {kRfcBase, "//g", "http://g"},
      {kRfcBase, "?y", "http://a/b/c/d;p?y"},
      {kRfcBase, "g?y", "http://a/b/c/g?y"},
      {kRfcBase, "#s", "http://a/b/c/d;p?q#s"},
      {kRfcBase, "g#s", "http://a/b/c/g#s"},
      {kRfcBase, "g?y#s", "http://a/b/c/g?y#s"},
      {kRfcBase, ";x", "http://a/b/c/;x"},
      {kRfcBase, "g;x", "http://a/b/c/g;x"},
      {kRfcBase, "g;x?y#s", "http://a/b/c/g;x?y#s"},
      {kRfcBase, "", "http://a/b/c/d;p?q"},
      {kRfcBase, ".", "http://a/b/c/"},
      {kRfcBase, "./", "http://a/b/c/"},
      {kRfcBase, "..", "http://a/b/"},
      {kRfcBase, "../", "http://a/b/"},
      {kRfcBase, "../g", "http://a/b/g"},
      {kRfcBase, "../..", "http://a/"},
      {kRfcBase, "../../", "http://a/"},
      {kRfcBase, "../../g", "http://a/g"},
      // The abnormal ones, strictly.
      {kRfcBase, "../../../g", "http://a/g"},
      {kRfcBase, "../../../../g", "http://a/g"},
      {kRfcBase, "/./g", "http://a/g"},
      {kRfcBase, "/../g", "http://a/g"},
      {kRfcBase, "g.", "http://a/b/c/g."},
      {kRfcBase, ".g", "http://a/b/c/.g"},
      {kRfcBase, "g..", "http://a/b/c/g.."},
      {kRfcBase, "..g", "http://a/b/c/..g"},
      {kRfcBase, "./../g", "http://a/b/g"},
      {kRfcBase, "./g/.", "http://a/b/c/g/"},
      {kRfcBase, "g/./h", "http://a/b/c/g/h"},
      {kRfcBase, "g/../h", "http://a/b/c/h"},
      {kRfcBase, "g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {kRfcBase, "g;x=1/../y", "http://a/b/c/y"},
      {kRfcBase, "g?y/./x", "http://a/b/c/g?y/./x"},
      {kRfcBase, "g?y/../x", "http://a/b/c/g?y/../x"},
      {kRfcBase, "g#s/./x", "http://a/b/c/g#s/./x"},
      {kRfcBase, "g#s/../x", "http://a/b/c/g#s/../x"},
      {kRfcBase, "http:g", "http:g"},
  });
}

TEST(UriReference, ResolvesWhatFeedsGive) {
  ExpectResolutions({
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
  });
}

}  // namespace
}  // namespace quillet
