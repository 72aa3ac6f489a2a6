// A feed as items: the separator row that opens it, then each item with a
// title, in the feed's order, all for the feed's own log.
#pragma once

#include <vector>

#include "core/headlines/feed.h"
#include "core/headlines/headline_item.h"
#include "core/settings/feed_list.h"

namespace quillet {

// Caption the source's name, genre the item's category or
// settings::FeedGenre(), no image. Items without a title are passed over.
std::vector<HeadlineItem> FeedItems(const settings::FeedSource& source, const Feed& feed);

}  // namespace quillet
