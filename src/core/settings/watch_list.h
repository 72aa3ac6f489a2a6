// The watch list: keywords whose headlines the user wants pointed out, in the
// settings file's section Watch as Keyword0, Keyword1, ... (CP932), and how
// the end of a patrol run is announced.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::settings {

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

// The keywords in the order of their numbers. Keys that are not
// Keyword<number>, numbers left out, keywords that could not be watched and
// those that clash with an earlier one are passed over. No section: an empty
// list.
std::vector<std::string> ReadWatchList();
// Replaces the Keyword keys with the list's, numbered from 0, in one write of
// the file; the section's other lines stay. Writes nothing when the file
// already holds this list. Every keyword must be one that can be watched.
void WriteWatchList(const std::vector<std::string>& keywords);

// Whether the watch list matches full-width and half-width forms alike
// (WidthFolded): Watch/FoldWidth, default false.
bool WatchFoldsWidth();
// Writes the key only when the value differs from what the file gives.
void WriteWatchFoldsWidth(bool fold);

// When the end of a run that found new headlines shows a desktop notification.
enum class Notify {
  kNew = 0,        // 新着のみ: whenever there are new headlines (the default)
  kWatchOnly = 1,  // ウォッチのみ: when new headlines match the watch list
  kNever = 2,      // 通知しない
};
Notify ReadNotify();
// Writes the key only when the value differs from what the file gives.
void WriteNotify(Notify notify);

}  // namespace quillet::settings
