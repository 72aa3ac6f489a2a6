// Parses one feed file as a fetch does and prints its item count and
// warning: scripts/bench-hostile-feeds runs it under /usr/bin/time.
#include <fstream>
#include <iostream>

#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: parse_feed FILE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
  std::string document(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0).read(document.data(), static_cast<std::streamsize>(document.size()));
  try {
    const quillet::Feed feed = quillet::ParseFeed(document, {"http://example.test/feed", ""});
    std::cout << feed.items.size() << " items " << quillet::Cp932ToUtf8(feed.warning) << "\n";
  } catch (const quillet::QuilletError& error) {
    std::cout << "refused: " << quillet::Cp932ToUtf8(error.what()) << "\n";
  }
  return 0;
}
