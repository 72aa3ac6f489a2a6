// The extraction core: walks a site's section document, works out each
// headline's text and URL, merges it into its category's log and appends the
// rows of the headline list.
#pragma once

#include "core/headlines/fetch_state.h"
#include "core/headlines/headline_sink.h"
#include "core/log/category_log.h"
#include "core/text/text_ops.h"

namespace quillet {

// Walks `document` (marker lines open categories of the site named by
// state.siteLabel; every other line is one headline). Content lines before the
// first marker line belong to no category and are passed over. Log errors
// propagate; the log of the category in progress is saved first.
void ExtractHeadlines(FetchState& state, const Lines& document, HeadlineSink& list);

// Records the headline in state.headline (or a separator when it is empty) for
// `category`, reading AddNewsOnly, SaveLog and NoAddEmpty afresh.
void AddNewsItem(FetchState& state, HeadlineSink& list, CategoryLog& log, int category);

}  // namespace quillet
