// Whether bytes are strict UTF-8: no overlong forms, no surrogates, nothing
// past U+10FFFF, no sequence cut off at the end.
#pragma once

#include <string_view>

namespace quillet {

bool IsValidUtf8(std::string_view text);

}  // namespace quillet
