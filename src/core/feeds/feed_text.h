// The last step of every text a feed gives (titles, links, categories):
// UTF-8 as the document held it to the CP932 the program keeps.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Each run of white space and control characters (ASCII space and controls,
// and the Unicode spaces other than the ideographic space U+3000, which CP932
// holds and headlines keep) becomes one space, none is left at either end, and
// characters CP932 cannot hold (and invalid UTF-8) become "〓".
std::string FeedText(std::string_view utf8);

}  // namespace quillet
