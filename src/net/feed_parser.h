// The news feed parser: RSS, Atom and JSON Feed documents as they come from
// the network, to their titles and items. A pure function of the bytes and
// where they came from.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/feeds/xml_feed.h"
#include "core/headlines/feed.h"

namespace quillet {

// Larger documents are refused.
inline constexpr size_t kMaxFeedBytes = size_t{16} << 20;

// Where a document came from: its URL after any relocation (CP932, as the
// program keeps it), the base of its relative links, and its HTTP
// Content-Type ("" when not known).
struct FeedOrigin {
  std::string_view url;
  std::string_view contentType;
};

// Parses a feed: JSON Feed (see ParseJsonFeed) when its type names JSON or
// it begins with "{", else XML (see ParseXmlFeed) decoded by its byte order
// mark, the charset of its Content-Type, its XML declaration, else as UTF-8.
// Raises QuilletError, its message in CP932, for a document over
// kMaxFeedBytes and for what the format's parser refuses.
Feed ParseFeed(std::string_view document, const FeedOrigin& origin = {});

}  // namespace quillet
