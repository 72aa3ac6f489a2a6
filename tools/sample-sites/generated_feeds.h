// The feeds of the feed benchmark, made up from their number: RSS 1.0, RSS 2.0
// and Atom in turn, in UTF-8, Shift_JIS, EUC-JP and ISO-2022-JP, from a few
// items to a few hundred; some served over https, some failing (not found,
// malformed XML, a binary body).
#pragma once

#include <string>
#include <vector>

namespace quillet {

struct GeneratedFeed {
  std::string name;  // UTF-8, for the feed list
  std::string host;  // one of kBenchFeedHosts
  std::string path;
  bool https = false;       // listed with an https URL
  std::string contentType;  // "" for a feed that is not served (404)
  std::string body;
};

// Feeds 1 to `count`; the same count gives the same feeds, byte for byte.
std::vector<GeneratedFeed> GenerateFeeds(int count);

}  // namespace quillet
