// What the program keeps of each feed between runs: the validators and rows
// of its last full answer, its last result, its failures and how long it is
// left alone; and how long each host asked to be left alone. All of it in one
// file beside the feeds' logs, "Feeds/state.txt", CP932 text with CR LF:
//
//   QuilletFeedState 1
//   host <TAB> example.jp <TAB> <until>
//   feed <TAB> <id> <TAB> url <TAB> <the URL that gave the validators and rows>
//   feed <TAB> <id> <TAB> etag <TAB> <ETag>
//   feed <TAB> <id> <TAB> modified <TAB> <Last-Modified>
//   feed <TAB> <id> <TAB> result <TAB> fetched <TAB> <at> <TAB> <item count>
//   feed <TAB> <id> <TAB> result <TAB> unchanged <TAB> <at> <TAB> <item count>
//   feed <TAB> <id> <TAB> result <TAB> failed <TAB> <at> <TAB> <error>
//   feed <TAB> <id> <TAB> failures <TAB> <consecutive failures>
//   feed <TAB> <id> <TAB> wait <TAB> <until> <TAB> backoff | retry-after
//   feed <TAB> <id> <TAB> moved <TAB> <from URL> <TAB> <to URL>
//   feed <TAB> <id> <TAB> took <TAB> <at> <TAB> <the URL left for good>
//   feed <TAB> <id> <TAB> item <TAB> <title> <TAB> <link> <TAB> <category>
//   page <TAB> <id> <TAB> ...  the same keys for a page of the pages file
//
// A page's state is held in `feeds` under its id made negative; its rows'
// category is their section's number.
//
// Times are seconds since the epoch. A line that does not read is passed
// over and the rest kept; keys it does not know are ignored. Lines of their
// defaults (no ETag, no failures, ...) are not written.
#pragma once

#include <ctime>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/headlines/feed.h"

namespace quillet {

enum class FeedResultKind { kNone, kFetched, kUnchanged, kFailed };

struct FeedResult {
  FeedResultKind kind = FeedResultKind::kNone;
  std::time_t at = 0;
  size_t itemCount = 0;  // fetched: the answer's items; unchanged: the rows shown again
  std::string error;     // failed: what went wrong (CP932)

  bool operator==(const FeedResult&) const = default;
};

enum class WaitReason { kBackoff, kRetryAfter };

struct FeedState {
  // The URL asked for the last full answer (the start of its redirects, or
  // the permanent target taken): the validators and rows are its, sent and
  // shown only for a request to it.
  std::string url;
  std::string etag;
  std::string lastModified;
  std::vector<FeedItem> rows;  // the last full answer's items
  FeedResult last;
  int failures = 0;           // consecutive
  std::time_t notBefore = 0;  // not asked again before; 0: whenever
  WaitReason waitReason = WaitReason::kBackoff;
  // A permanent redirect from the feed's URL `movedFrom` not yet taken: the
  // next request asks `movedTo`, and the feed takes it once it answers.
  std::string movedFrom;
  std::string movedTo;
  // The feed's URL before it took a permanent redirect's target, and when:
  // the feed list tells the user for a while.
  std::string tookFrom;
  std::time_t tookAt = 0;

  bool operator==(const FeedState&) const = default;
};

struct FeedStates {
  std::map<int, FeedState> feeds;            // by the feed's id in the settings
  std::map<std::string, std::time_t> hosts;  // "host[:port]" -> left alone until

  bool operator==(const FeedStates&) const = default;
};

// The file's text: CP932 bytes with CR LF. A control character in a value
// becomes a space.
std::string FormatFeedStates(const FeedStates& states);
// Reads every line it can; lines may end in CR LF or LF alone.
FeedStates ParseFeedStates(std::string_view bytes);

// The states to write when the file holds `stored` and a run brings
// `updates`: of a feed in both, the one with the later result (the update on
// a tie); of a host in both, the later wait. Feeds whose id is not in
// `listed` and host waits over by `now` are left out.
FeedStates MergeFeedStates(FeedStates stored, const FeedStates& updates,
                           const std::set<int>& listed, std::time_t now);

// The data folder's "Feeds/state.txt".
std::string FeedStateFilePath();

// The file as it is; no file: no states. Raises
// "ファイル <path> は開けません" when it exists but cannot be read.
FeedStates ReadFeedStates();

// Merges `updates` into the file under the settings lock, with the feeds of
// the settings file as they are then, and replaces the file atomically (0600
// when new: it holds the feeds' URLs). Raises "<path> に書き込めません" when
// the lock cannot be taken, the settings or the state file cannot be read, or
// the state file cannot be written; the files stay as they were.
void SaveFeedStates(const FeedStates& updates, std::time_t now);

}  // namespace quillet
