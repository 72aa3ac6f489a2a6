// The watch list: keywords whose headlines the user wants pointed out, in the
// settings file's section Watch as Keyword0, Keyword1, ... (CP932), and how
// the end of a patrol run is announced.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/setting_keys.h"

namespace quillet {
class ProfileValues;
}

namespace quillet::settings {

class SettingsEdit;

inline constexpr size_t kWatchKeywordMax = 255;  // bytes

// Why `keyword` (CP932) cannot be watched, as a message for the user (CP932):
// empty, blanks only (spaces, ideographic spaces), a TAB or line break in
// it, longer than kWatchKeywordMax bytes, or a double-byte character cut off
// at its end. nullopt when it can.
std::optional<std::string> WatchKeywordProblem(std::string_view keyword);

// Why `keyword` cannot join `keywords`, as a message for the user (CP932):
// one of them is the same keyword to the matching, which folds letters A-Z
// ("gp" and "GP"). nullopt when none is.
std::optional<std::string> WatchKeywordClash(const std::vector<std::string>& keywords,
                                             std::string_view keyword);

// When the end of a run that found new headlines shows a desktop notification.
enum class Notify {
  kNew = 0,        // 新着のみ: whenever there are new headlines (the default)
  kWatchOnly = 1,  // ウォッチのみ: when new headlines match the watch list
  kNever = 2,      // 通知しない
};

struct WatchSettings {
  std::vector<std::string> keywords;                // in the order of their numbers
  std::vector<std::string> unused;                  // one message (CP932) per keyword passed over
  bool foldWidth = key::kWatchFoldWidth.byDefault;  // full- and half-width forms alike
  Notify notify = static_cast<Notify>(key::kNotify.byDefault);
};

// Keys that are not Keyword<number> are passed over; so are keywords that
// could not be watched and those that clash with an earlier one, each named
// in `unused` with its key and why. No section: an empty list.
WatchSettings ReadWatchSettings(const ProfileValues& values);

// Replaces the Keyword keys with the list's, numbered from 0 but for the
// numbers of keywords that cannot be watched, whose lines stay as they
// stand (keywords that repeat another go); the section's other lines stay. Writes nothing when the
// file already holds this list. Every keyword must be one that can be
// watched.
void PutWatchList(SettingsEdit& edit, const std::vector<std::string>& keywords);

// The list to store when a dialog that opened on `loaded` confirms `edited`
// and the file has come to hold `current` meanwhile: the dialog's additions,
// removals and order, and what another writer added. A keyword another writer
// removed stays removed; one the dialog adds that clashes with a keyword the
// file has come to hold is dropped.
std::vector<std::string> MergeWatchEdits(const std::vector<std::string>& loaded,
                                         const std::vector<std::string>& edited,
                                         const std::vector<std::string>& current);

// The dialog's edit: the list merged, FoldWidth and Notify where the user
// changed them.
void MergeWatch(SettingsEdit& edit, const WatchSettings& confirmed, const WatchSettings& loaded);

}  // namespace quillet::settings
