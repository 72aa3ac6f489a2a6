// How a site's front-page body becomes its section document, as the site's
// row in the catalogue says.
#pragma once

#include <string_view>

#include "core/sites/catalogue.h"
#include "core/text/text_ops.h"

namespace quillet {

// The page lines of a front-page body, as `from` says.
Lines PageLines(PageLinesFrom from, std::string_view body);

// The section document of `site`'s front-page body: its page lines cut by the
// site's rules, breaks split where the site asks for it.
Lines SectionDocument(const Site& site, std::string_view body);

}  // namespace quillet
