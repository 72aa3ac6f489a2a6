// The bundled sample feeds and the hosts of the feeds the sample server
// serves, over plain HTTP and over https inside a CONNECT tunnel.
#pragma once

#include <array>
#include <string_view>

namespace quillet {

inline constexpr std::string_view kSampleFeedHost = "feeds.quillet.test";
// The generated feeds, spread over five hosts in turn.
inline constexpr std::array<std::string_view, 5> kBenchFeedHosts = {
    "bench1.quillet.test", "bench2.quillet.test", "bench3.quillet.test", "bench4.quillet.test",
    "bench5.quillet.test"};

struct SampleFeed {
  std::string_view file;  // in the sample feed folder, made from feeds/ at build time
  std::string_view path;  // on kSampleFeedHost
  std::string_view contentType;
  std::string_view name;  // UTF-8: written to the feed list for the scripts
};

inline constexpr std::array<SampleFeed, 3> kSampleFeeds = {{
    {"kurashi.rdf", "/kurashi/index.rdf", "application/rdf+xml", "くらし通信"},
    {"sports.xml", "/sports/rss.xml", "application/rss+xml", "スポーツ速報"},
    {"tech.atom", "/tech/atom.xml", "application/atom+xml", "テック日誌"},
}};

}  // namespace quillet
