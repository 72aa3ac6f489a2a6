// Every key of the settings file "quillet.ini": its section, name, type,
// default and the values the dialogs let the user choose. Everything that
// reads or writes a key names it here.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::settings {

inline constexpr size_t kUnnumbered = SIZE_MAX;

// Stored as "1" or "0"; read as an integer, anything but 0 is true.
struct BoolKey {
  std::string_view section;
  std::string_view name;
  bool byDefault = false;
  size_t number = kUnnumbered;  // of a numbered key: its name in the file ends with it
};

// Stored in decimal; read as decimal or 0x hexadecimal.
struct IntKey {
  std::string_view section;
  std::string_view name;
  int byDefault = 0;
  int least = INT_MIN;  // the range a dialog offers
  int most = INT_MAX;
  size_t number = kUnnumbered;
};

// Stored as it stands; "" by default.
struct TextKey {
  std::string_view section;
  std::string_view name;
  size_t number = kUnnumbered;
};

// The key's name as the file holds it.
template <class Key>
std::string NameInFile(const Key& key) {
  std::string name(key.name);
  if (key.number != kUnnumbered) name += std::to_string(key.number);
  return name;
}

// Whether `text` is the ASCII name `name` to the file: letters in either
// case. (A lead byte never equals an ASCII letter, so a double-byte
// character in `text` mismatches at its first byte.)
bool SameKeyName(std::string_view text, std::string_view name);
// The number n of a key "<name><n>" (name in any case, n decimal digits), or
// nullopt.
std::optional<size_t> NumberOfKey(std::string_view key, std::string_view name);

// Keys numbered from 0: "<name><n>", each as `first` but for its number.
template <class Key>
struct NumberedKeys {
  Key first;
  constexpr Key operator[](size_t n) const {
    Key key = first;
    key.number = n;
    return key;
  }
};

namespace key {

inline constexpr std::string_view kMain = "Main";
inline constexpr std::string_view kView = "View";
inline constexpr std::string_view kCheckRoute = "CheckRoute";
inline constexpr std::string_view kHttp = "HTTP";
inline constexpr std::string_view kFeeds = "Feeds";
inline constexpr std::string_view kWatch = "Watch";

// The window: its frame's corner, its size (the built-in bounds by default)
// and whether it was maximized.
inline constexpr BoolKey kMaximized{kMain, "Maximized", false};
inline constexpr IntKey kLeft{kMain, "Left", 408};
inline constexpr IntKey kTop{kMain, "Top", 156};
inline constexpr IntKey kWidth{kMain, "Width", 505};
inline constexpr IntKey kHeight{kMain, "Height", 657};

// Behaviour.
inline constexpr BoolKey kNoAddEmpty{kMain, "NoAddEmpty", true};
inline constexpr BoolKey kSaveLog{kMain, "SaveLog", true};
inline constexpr BoolKey kAddNewsOnly{kMain, "AddNewsOnly", false};
inline constexpr BoolKey kNewWindowOnly{kMain, "NewWindowOnly", false};
inline constexpr BoolKey kIESelect{kMain, "IESelect", true};  // the first browser, not the second
inline constexpr TextKey kIEPath{kMain, "IEPath"};
inline constexpr TextKey kNNPath{kMain, "NNPath"};
inline constexpr IntKey kTimerInterval{kMain, "TimerInterval", 120, 1, 6000};  // minutes

// What the user left set in the windows. Older copies pass the section over.
inline constexpr BoolKey kPatrol{kView, "Patrol", false};
inline constexpr BoolKey kAlwaysOnTop{kView, "AlwaysOnTop", false};
inline constexpr TextKey kHeadlineColumns{kView,
                                          "HeadlineColumns"};  // widths the user set, "60,60"
inline constexpr TextKey kLogColumns{kView, "LogColumns"};
inline constexpr TextKey kSearchColumns{kView, "SearchColumns"};
inline constexpr BoolKey kSearchFoldWidth{kView, "SearchFoldWidth", false};

// Whether each of the 65 categories is patrolled: "0".."64".
inline constexpr NumberedKeys<BoolKey> kCheckRouteOf{{kCheckRoute, "", true}};

// The proxy ("host:port", "host" or "" for none) and the list of others.
inline constexpr TextKey kProxy{kHttp, "Proxy"};
inline constexpr TextKey kProxyUserName{kHttp, "ProxyUserName"};
inline constexpr TextKey kProxyPassword{kHttp, "ProxyPassword"};
inline constexpr IntKey kProxyCount{kHttp, "ProxyCount", 0, 0};
inline constexpr NumberedKeys<TextKey> kProxyList{{kHttp, "ProxyList"}};
inline constexpr NumberedKeys<TextKey> kProxyListUserName{{kHttp, "ProxyListUserName"}};
inline constexpr NumberedKeys<TextKey> kProxyListPassword{{kHttp, "ProxyListPassword"}};

// The user's feeds: Count entries, and the id the next new feed gets.
inline constexpr IntKey kFeedCount{kFeeds, "Count", 0, 0};
inline constexpr IntKey kNextFeedId{kFeeds, "NextId", 1, 1};
inline constexpr NumberedKeys<IntKey> kFeedId{{kFeeds, "Id", 0, 1}};
inline constexpr NumberedKeys<TextKey> kFeedName{{kFeeds, "Name"}};
inline constexpr NumberedKeys<TextKey> kFeedUrl{{kFeeds, "Url"}};
inline constexpr NumberedKeys<BoolKey> kFeedEnabled{{kFeeds, "Enabled", true}};
// How many feeds a run asks at once.
inline constexpr IntKey kFeedsAtOnce{kFeeds, "AtOnce", 10, 1, 10};

// The watch list, how it matches, and when a run's news is announced.
inline constexpr NumberedKeys<TextKey> kKeyword{{kWatch, "Keyword"}};
inline constexpr BoolKey kWatchFoldWidth{kWatch, "FoldWidth", false};
inline constexpr IntKey kNotify{kWatch, "Notify", 0, 0, 2};  // the values of settings::Notify

}  // namespace key
}  // namespace quillet::settings
