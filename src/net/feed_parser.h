// The news feed parser: RSS 2.0 (and 0.9x), RSS 1.0 (RDF) and Atom 1.0
// documents to their titles and items. A pure function of the bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/headlines/feed.h"

namespace quillet {

// Larger documents are refused.
inline constexpr size_t kMaxFeedBytes = size_t{16} << 20;
// Items after these many are passed over.
inline constexpr size_t kMaxFeedItems = 1000;
// The most characters one entity reference may expand to, and all of the
// document's references to declared entities together.
inline constexpr int kMaxEntityExpansion = 1024;
inline constexpr size_t kMaxExpandedEntityText = size_t{1} << 20;

// Parses a feed. The encoding comes from the byte order mark or the XML
// declaration (see DecodeFeedText). Per item: the title; the link (Atom: the
// first link with rel="alternate" or without rel, else the first link; RSS
// 2.0: <link>, else a permalink <guid>); the first <category> (Atom: its
// term), else the first <dc:subject>. In every text, characters that CP932
// cannot hold become "〓", white space (TAB, CR and LF among it) becomes
// spaces and none is left at either end; titles and categories also lose
// their tags as a front page's headlines do.
// Raises QuilletError, its message in CP932, for a document over
// kMaxFeedBytes, an encoding it cannot read, malformed XML (with the line and
// column), too much entity expansion, and a root that is not rss, rdf:RDF or
// feed. No external entity or DTD is ever read.
Feed ParseFeed(std::string_view document);

}  // namespace quillet
