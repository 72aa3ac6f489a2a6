// The feed merge: one feed's items into the feed's own log, and the rows of
// the headline list, as the extraction does for a site's category.
#pragma once

#include "core/headlines/feed.h"
#include "core/headlines/fetch_state.h"
#include "core/headlines/headline_sink.h"
#include "core/settings/feed_list.h"

namespace quillet {

// Merges the items of `feed`, a configured and enabled source, into its log
// (DataDirectory() + FeedLogFile(source.id)) in their order, new ones at the
// top, and appends their rows: caption the source's name, genre the item's
// category or settings::FeedGenre(), no image. Without NoAddEmpty a separator row goes
// first. Items without a title are passed over. Log errors propagate.
void MergeFeedItems(FetchState& state, const settings::FeedSource& source, const Feed& feed,
                    HeadlineSink& list);

}  // namespace quillet
