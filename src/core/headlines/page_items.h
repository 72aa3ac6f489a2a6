// A page's headlines as items: each section opens with its separator row,
// then its headlines in the page's order, all for the section's own log.
#pragma once

#include <vector>

#include "core/headlines/feed.h"
#include "core/headlines/headline_item.h"
#include "core/pages/page_list.h"

namespace quillet {

// `rows` are the page's headlines, each with its section's number (from 1)
// as its category. Caption the page's name, genre the section's name.
std::vector<HeadlineItem> PageItems(const PageSource& page, const std::vector<FeedItem>& rows);

}  // namespace quillet
