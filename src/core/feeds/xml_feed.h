// The XML news feeds: RSS 2.0 (and 0.9x), RSS 1.0 (RDF) and Atom (1.0 and
// 0.3), read from UTF-8 by a recovering parser, as careful feed readers read
// them. A pure function of the text.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/headlines/feed.h"

namespace quillet {

// Items after these many are passed over.
inline constexpr size_t kMaxFeedItems = 1000;

// Reads a feed. `utf8` is the document decoded to UTF-8 (its declaration's
// encoding is not looked at again), let go of once mended; `feedUrl`, where it came from after any
// relocation, is the base of relative links below the document's xml:base.
//
// Per item: the title (a text construct by its type in Atom; in RSS, HTML
// when it holds markup, an end tag or a character reference, else plain
// text), else dc:title or media:title; the link (Atom: the first link with
// rel "alternate" or no rel, its href or else its content, else the first
// link; RSS: <link>, else a <guid> that is a permalink), resolved; the first
// <category> (Atom: its term), else the first <dc:subject>, else the feed's.
// An item without a title or a link is passed over. Texts come out as
// FeedText makes them.
//
// XML errors are mended or recovered from (see MakeLenientXml); the first one
// becomes the feed's warning, or the error when no item could be read.
// Raises QuilletError, its message in CP932, for a document no item can be
// read from (malformed, with the line and column; libxml2 refuses entities
// that expand to many times the text that uses them), and for a root that is
// not rss, rdf:RDF or feed. No external entity or DTD is ever read.
Feed ParseXmlFeed(std::string utf8, std::string_view feedUrl);

}  // namespace quillet
