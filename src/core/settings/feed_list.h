// The user's feeds: news sources patrolled after the seven sites, kept in the
// settings file's section Feeds (CP932). Per feed n: Id<n>, Name<n>, Url<n>
// and Enabled<n>, with Count giving how many there are and NextId the id the
// next new feed gets (setting_keys.h). An id is never given twice, so a log file is never
// taken over by a later feed.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/setting_keys.h"

namespace quillet {
class ProfileValues;
}

namespace quillet::settings {

class SettingsEdit;

inline constexpr size_t kFeedNameMax = 255;  // bytes
inline constexpr size_t kFeedUrlMax = 2047;  // bytes, the longest value the file gives back

struct FeedSource {
  int id = 0;  // stable, from 1: names the log file; 0 for a feed not yet stored
  std::string name;
  std::string url;  // http:// or https://
  bool enabled = key::kFeedEnabled.first.byDefault;

  bool operator==(const FeedSource&) const = default;
};

// Why a feed cannot have this name or URL, as a message for the user
// (CP932); nullopt when it can. A name is not empty, holds no TAB or line
// break, at most kFeedNameMax bytes, and no double-byte character is cut off
// at its end. A URL begins with http:// or https:// (any case), names a host,
// holds no blank or control character and is at most kFeedUrlMax bytes.
std::optional<std::string> FeedNameProblem(std::string_view name);
std::optional<std::string> FeedUrlProblem(std::string_view url);

// Why a feed cannot have `url` beside `others`, the other feeds of its list,
// as a message for the user (CP932): one of them has the same URL, its scheme
// and host in any case and an empty path the same as "/". nullopt when none
// has.
std::optional<std::string> FeedUrlClash(const std::vector<FeedSource>& others,
                                        std::string_view url);
// The URL as FeedUrlClash compares it: two URLs clash when these are equal.
std::string ComparableFeedUrl(std::string_view url);

// The feeds of the file, and the entries of its section that cannot be used.
struct FeedList {
  std::vector<FeedSource> feeds;    // in the order of their numbers
  std::vector<std::string> unused;  // one message (CP932) per entry passed over
  // What a rewrite keeps: the numbers of the entries passed over, Count, and
  // the id the next new feed gets (above every id the section holds).
  std::set<size_t> unusedNumbers;
  size_t count = 0;
  int nextId = 1;
};

// Entries with a missing or repeated id, a value longer than kProfileValueMax,
// a name or URL that could not be stored, or a number at or beyond Count are
// passed over, each named in `unused` with its key and why: "[Feeds] の Id3
// は使われません: ID 4 は前の項目にもあります". No section: no feeds.
FeedList ReadFeedList(const ProfileValues& values);

// Replaces the section's feed keys with the list's; the section's other lines
// stay. Feeds with id 0 are given new ids first (written back into the list).
// The lines of entries that ReadFeedList passes over stay as they stand,
// their numbers too; the list's feeds take the numbers left, in order. Every
// name and URL must be one that can be stored.
void PutFeeds(SettingsEdit& edit, std::vector<FeedSource>& feeds);

// The list to store when a dialog that opened on `loaded` confirms `edited`
// and the file has come to hold `current` meanwhile: the dialog's additions
// (id 0), removals, edits and order, and what another writer added or changed
// in feeds the dialog left alone. A feed another writer removed stays
// removed; a feed the dialog adds with a URL the file has come to hold is
// dropped.
std::vector<FeedSource> MergeFeedEdits(const std::vector<FeedSource>& loaded,
                                       const std::vector<FeedSource>& edited,
                                       const std::vector<FeedSource>& current);

// The log file of a feed, relative to the program folder: "Feeds/<id>.log".
std::string FeedLogFile(int id);

// "フィード": the genre of a feed's separator row and of its items that have
// no category, and the log tree's node of the feeds.
const std::string& FeedGenre();

}  // namespace quillet::settings
