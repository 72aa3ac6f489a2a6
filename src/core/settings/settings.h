// The settings file "quillet.ini": read whole, once per operation, and
// changed by edits that each read, merge and write the file once under the
// settings lock, so that changes made meanwhile by another part of the
// program or another process are kept. Keys and defaults: setting_keys.h.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/feed_list.h"
#include "core/settings/setting_keys.h"
#include "core/settings/watch_list.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/sys/profile_file.h"

namespace quillet::settings {

std::string SettingsFilePath();

struct Geometry {
  int left = key::kLeft.byDefault;
  int top = key::kTop.byDefault;
  int width = key::kWidth.byDefault;
  int height = key::kHeight.byDefault;
  bool maximized = key::kMaximized.byDefault;
};

struct Behaviour {
  bool noAddEmpty = key::kNoAddEmpty.byDefault;
  bool saveLog = key::kSaveLog.byDefault;
  bool addNewsOnly = key::kAddNewsOnly.byDefault;
  bool newWindowOnly = key::kNewWindowOnly.byDefault;
  bool ieSelect = key::kIESelect.byDefault;
  std::string iePath;
  std::string nnPath;
  int timerInterval = key::kTimerInterval.byDefault;

  bool operator==(const Behaviour&) const = default;
};

// What the user left set in the windows, kept across starts.
struct ViewState {
  bool patrol = key::kPatrol.byDefault;
  bool alwaysOnTop = key::kAlwaysOnTop.byDefault;
  std::string headlineColumns;  // "" for the program's own widths
  std::string logColumns;
  std::string searchColumns;
  bool searchFoldWidth = key::kSearchFoldWidth.byDefault;  // 全角と半角を区別しない
};

struct Proxy {
  std::string address;  // "host:port", "host" or "" for a direct connection
  std::string userName;
  std::string password;

  bool operator==(const Proxy&) const = default;
};

// A proxy-list entry as the connection dialog holds it: address, TAB, user
// name, TAB, password.
std::string JoinProxyEntry(const Proxy& proxy);
// Splits at the first TAB and the next one; the rest is the password.
Proxy SplitProxyEntry(std::string_view entry);

struct Connection {
  // CheckRoute: every category patrolled unless the file says otherwise.
  std::array<bool, kCategoryCount> enabled = [] {
    std::array<bool, kCategoryCount> all{};
    all.fill(key::kCheckRouteOf.first.byDefault);
    return all;
  }();
  Proxy proxy;
  std::vector<std::string> proxyList;  // entries as JoinProxyEntry makes them
  // Feeds asked at once, within the key's range whatever the file says.
  int feedsAtOnce = key::kFeedsAtOnce.byDefault;
};

// Every setting as the file held it at one moment.
struct Settings {
  Geometry geometry;
  bool geometryStored = false;  // the file holds a key of the geometry
  Behaviour behaviour;
  ViewState view;
  Connection connection;
  FeedList feeds;
  WatchSettings watch;
};

// A key's value as the file gives it, or its default when the file lacks it
// or it does not parse.
bool ReadValue(const ProfileValues& values, const BoolKey& key);
int ReadValue(const ProfileValues& values, const IntKey& key);
std::string ReadValue(const ProfileValues& values, const TextKey& key);

// One read of the file. A missing or unreadable file gives the defaults.
Settings ReadSettings();
Settings SettingsFrom(const ProfileValues& values);

// One change of the file, given to the function of EditSettings.
class SettingsEdit {
 public:
  // `values` are those of the document's bytes.
  SettingsEdit(ProfileDocument& document, ProfileValues values);

  // The file as the edit found it.
  const Settings& Stored() const { return stored_; }
  const ProfileValues& StoredValues() const { return values_; }

  void Put(const BoolKey& key, bool value);
  void Put(const IntKey& key, int value);
  void Put(const TextKey& key, std::string_view value);
  // Writes what the user changed from what was `loaded` when the dialog
  // opened; what another writer changed meanwhile stays.
  template <class Key, class Value>
  void PutIfChanged(const Key& key, const Value& confirmed, const Value& loaded) {
    if (!(confirmed == loaded)) Put(key, confirmed);
  }
  // The same, and writes the key too when the file lacks it, as a dialog's
  // OK has always written every key it shows.
  template <class Key, class Value>
  void PutIfChangedOrMissing(const Key& key, const Value& confirmed, const Value& loaded) {
    if (!(confirmed == loaded) || !values_.Get(key.section, NameInFile(key))) Put(key, confirmed);
  }
  // For edits of whole sections.
  ProfileDocument& Document() {
    changed_ = true;
    return document_;
  }
  bool Changed() const { return changed_; }

 private:
  ProfileDocument& document_;
  ProfileValues values_;
  Settings stored_;
  bool changed_ = false;
};

// The settings lock, held until the object goes: the file "quillet.ini.lock"
// beside the settings file, or beside the file a symbolic link there leads to.
// Every writer of the settings, and of files that must agree with them, takes
// it for one short read-merge-write. Raises QuilletError
// "<path> に書き込めません" (the settings file's path) when it cannot be taken.
class SettingsLock {
 public:
  SettingsLock();

 private:
  FileLock lock_;
};

// Takes the settings lock, reads the file, lets `change` edit it and, when it
// changed anything, replaces the file once, atomically, keeping its mode (0600 when new). Raises
// QuilletError
// "<path> に書き込めません" when the lock cannot be taken or the file cannot be
// read or written; an exception from `change` leaves the file as it was.
void EditSettings(const std::function<void(SettingsEdit&)>& change);

// The edits of the program's windows.
void PutGeometry(SettingsEdit& edit, const Geometry& geometry);
// Patrol, AlwaysOnTop, HeadlineColumns and LogColumns.
void PutMainViewState(SettingsEdit& edit, const ViewState& view);
void MergeBehaviour(SettingsEdit& edit, const Behaviour& confirmed, const Behaviour& loaded);
void MergeConnection(SettingsEdit& edit, const Connection& confirmed, const Connection& loaded);

}  // namespace quillet::settings
