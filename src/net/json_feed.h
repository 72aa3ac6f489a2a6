// JSON Feed documents (versions 1 and 1.1) to their titles and items. A pure
// function of the bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/headlines/feed.h"

namespace quillet {

// Qt's JSON document takes far more memory than its text: some 16 bytes a
// value and well over 100 an array or object. Documents with more of them
// than this are refused before they are read.
inline constexpr size_t kMaxJsonValues = 500'000;
inline constexpr size_t kMaxJsonContainers = 100'000;

// Parses a JSON Feed: UTF-8 text, a byte order mark passed over. The feed's
// title is "title"; it has no category. The first kMaxFeedItems of "items"
// that have a title and a link give one item each: the title is "title",
// the link "url", else "external_url", resolved against `feedUrl` (the
// address the feed came from, CP932 as the program keeps it) by ResolveUri,
// the category the first of "tags". A value of another type than these
// expect is passed over. Control characters become spaces; then every text
// is made as FeedText makes it.
// Raises QuilletError, its message in CP932, for a document over
// kMaxFeedBytes or with more values or arrays and objects than above,
// malformed JSON (with the byte where the parser stopped), and a document
// that is not an object whose "version" is "https://jsonfeed.org/version/1",
// optionally followed by "." and a minor version.
Feed ParseJsonFeed(std::string_view bytes, std::string_view feedUrl);

}  // namespace quillet
