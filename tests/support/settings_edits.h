// Settings written by tests as the program writes them: each call one locked
// edit of the settings file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings/settings.h"

namespace quillet::test {

template <class Key, class Value>
void PutSetting(const Key& key, const Value& value) {
  settings::EditSettings([&](settings::SettingsEdit& edit) { edit.Put(key, value); });
}

// A value as typed by hand, whatever the key's type.
inline void PutRawSetting(std::string_view section, std::string_view key, std::string_view text) {
  settings::EditSettings(
      [&](settings::SettingsEdit& edit) { edit.Document().Set(section, key, text); });
}

// The feeds as the list to store; new ones (id 0) come back with their ids.
inline std::vector<settings::FeedSource> PutFeeds(std::vector<settings::FeedSource> feeds) {
  settings::EditSettings([&](settings::SettingsEdit& edit) { settings::PutFeeds(edit, feeds); });
  return feeds;
}

inline void PutWatchList(const std::vector<std::string>& keywords) {
  settings::EditSettings(
      [&](settings::SettingsEdit& edit) { settings::PutWatchList(edit, keywords); });
}

// A connection that patrols no category.
inline settings::Connection NoCategories() {
  settings::Connection connection;
  connection.enabled = {};
  return connection;
}

inline void PutConnection(const settings::Connection& connection) {
  settings::EditSettings([&](settings::SettingsEdit& edit) {
    settings::MergeConnection(edit, connection, edit.Stored().connection);
  });
}

inline void PutBehaviour(const settings::Behaviour& behaviour) {
  settings::EditSettings([&](settings::SettingsEdit& edit) {
    settings::MergeBehaviour(edit, behaviour, edit.Stored().behaviour);
  });
}

inline void PutGeometry(const settings::Geometry& geometry) {
  settings::EditSettings(
      [&](settings::SettingsEdit& edit) { settings::PutGeometry(edit, geometry); });
}

}  // namespace quillet::test
