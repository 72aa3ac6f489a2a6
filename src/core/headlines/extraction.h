// The extraction core: walks a site's section document, works out each
// headline's text and URL, merges it into its category's log and appends the
// rows of the headline list.
#pragma once

#include "core/headlines/fetch_state.h"
#include "core/headlines/headline_sink.h"
#include "core/text/text_ops.h"

namespace quillet {

// Walks `document` (marker lines open categories of the site named by
// state.siteLabel; every other line is one headline). Content lines before the
// first marker line belong to no category and are passed over. Log errors
// propagate; the logs merged so far are saved first. Each log the walk touches
// is read once and written at most once.
void ExtractHeadlines(FetchState& state, const Lines& document, HeadlineSink& list);

}  // namespace quillet
