// Feed lists as OPML 2.0 documents, the form in which feed readers pass
// their subscriptions on: read from bytes or a file, written as UTF-8.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/feed_list.h"

namespace quillet {

inline constexpr size_t kOpmlMaxBytes = 16 * 1024 * 1024;

struct OpmlFeed {
  std::string name;  // CP932
  std::string url;   // CP932, as the document has it; not checked

  bool operator==(const OpmlFeed&) const = default;
};

// Every outline with an xmlUrl attribute, at any depth, in document order.
// The name is the outline's text, else its title, else the URL; each passes
// through FeedText (one line, CP932, "〓" for what CP932 cannot hold). No
// network, no DTD loaded, no external entity. Raises QuilletError for a file
// over kOpmlMaxBytes, one that is not well-formed XML ("OPML ファイルが正しく
// ありません (3 行目、14 桁目): <why>") or whose root is not opml.
std::vector<OpmlFeed> ReadOpml(std::string_view bytes);

// The same from the file at `path`; a file that cannot be read raises
// QuilletError too.
std::vector<OpmlFeed> ReadOpmlFile(const std::string& path);

// An OPML 2.0 document in UTF-8 with a head (title, `created` as
// dateCreated) and one outline of type rss per feed.
std::string WriteOpml(const std::vector<settings::FeedSource>& feeds, std::time_t created);

// WriteOpml's document, created now, replacing the file at `path`
// atomically; raises QuilletError "<path> に書き込めません" when it cannot.
void WriteOpmlFile(const std::string& path, const std::vector<settings::FeedSource>& feeds);

}  // namespace quillet
