// The feeds of an OPML file added to a feed list: what is new goes in, what
// the list has already is counted, what cannot be a feed is named.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/feeds/opml.h"
#include "core/settings/feed_list.h"

namespace quillet {

struct FeedImport {
  std::vector<settings::FeedSource> feeds;  // the list, then the added feeds (id 0, enabled)
  size_t added = 0;
  size_t known = 0;                  // URL in the list already, or in an earlier outline
  std::vector<std::string> refused;  // why, one message (CP932) per outline passed over
};

// `outlines` added to `list` in their order. A URL clashes as FeedUrlClash
// has it; a URL that cannot be stored passes the outline over; a name longer
// than a feed's is cut at a character's end.
FeedImport ImportFeeds(std::vector<settings::FeedSource> list,
                       const std::vector<OpmlFeed>& outlines);

// "3 件のフィードを追加しました (2 件は登録済みのため飛ばしました)", the part
// in brackets only when something was passed over.
std::string ImportSummary(const FeedImport& import);

}  // namespace quillet
