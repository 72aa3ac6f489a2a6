// Resolving a URI reference (a feed's link, an xml:base) against the URI of
// the document or element it stands in.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The target URI of `reference` against `base`, as RFC 3986 section 5.2
// resolves it: strict parsing (a reference with a scheme keeps its own path,
// "http:g" stays "http:g"), dot segments removed, the base's fragment never
// kept. Both strings are UTF-8 and are taken as they are, spaces and
// non-ASCII characters inside them included; only ASCII white space at their
// ends is trimmed. A scheme is a letter followed by letters, digits, "+", "-"
// or "."; text before a ":" that is not one is part of a path. When `base`
// has no scheme (empty or relative), the trimmed reference is returned.
std::string ResolveUri(std::string_view base, std::string_view reference);

}  // namespace quillet
