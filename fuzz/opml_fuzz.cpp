// The OPML reader on arbitrary documents: it gives feeds or raises
// QuilletError, never anything else; every name and URL is one line with no
// spaces at its ends, a name is never empty when its URL is not, and what it
// gives, written out again, reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/feeds/opml.h"
#include "core/sys/error.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool OneLine(const std::string& text) {
  return text.find_first_of("\t\r\n") == std::string::npos &&
         (text.empty() || (static_cast<unsigned char>(text.front()) > ' ' &&
                           static_cast<unsigned char>(text.back()) > ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  std::vector<quillet::OpmlFeed> feeds;
  try {
    feeds = quillet::ReadOpml(document);
  } catch (const quillet::QuilletError& error) {
    Check(*error.what() != '\0');
    return 0;
  }
  std::vector<quillet::settings::FeedSource> sources;
  bool controls = false;  // XML cannot hold them; the writer puts U+FFFD in their place
  for (const quillet::OpmlFeed& feed : feeds) {
    Check(OneLine(feed.name) && OneLine(feed.url));
    Check(!feed.name.empty() || feed.url.empty());
    for (const char c : feed.name + feed.url)
      controls = controls || static_cast<unsigned char>(c) < ' ';
    sources.push_back({0, feed.name, feed.url, true});
  }
  const std::vector<quillet::OpmlFeed> again = quillet::ReadOpml(quillet::WriteOpml(sources, 0));
  Check(again.size() == feeds.size());
  if (!controls) Check(again == feeds);
  return 0;
}
