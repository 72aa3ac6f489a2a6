// A site's section document as items: marker lines open categories of the
// site; every other line is one headline, its text and URL cut from the line.
#pragma once

#include <array>
#include <vector>

#include "core/headlines/headline_item.h"
#include "core/sites/catalogue.h"
#include "core/text/text_ops.h"

namespace quillet {

// The items of `document`, in its order. Content lines before the first
// marker line belong to no category and are passed over; so is a line
// without text after another of the same genre. Relative links get the
// site's base URL. `enabled` says which categories are patrolled.
std::vector<HeadlineItem> SiteItems(const Site& site, const Lines& document,
                                    const std::array<bool, kCategoryCount>& enabled);

}  // namespace quillet
