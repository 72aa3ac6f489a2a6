#include "core/settings/settings.h"

#include <algorithm>
#include <charconv>

#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
bool SameKeyName(std::string_view text, std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return text.size() == name.size() &&
         std::equal(text.begin(), text.end(), name.begin(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<size_t> NumberOfKey(std::string_view key, std::string_view name) {
  if (key.size() <= name.size() || !SameKeyName(key.substr(0, name.size()), name))
    return std::nullopt;
  const std::string_view digits = key.substr(name.size());
  size_t n = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

bool ReadValue(const ProfileValues& values, const BoolKey& key) {
  const auto text = values.Get(key.section, NameInFile(key));
  if (!text) return key.byDefault;
  return ParseProfileInteger(*text).value_or(key.byDefault ? 1 : 0) != 0;
}

int ReadValue(const ProfileValues& values, const IntKey& key) {
  const auto text = values.Get(key.section, NameInFile(key));
  if (!text) return key.byDefault;
  return ParseProfileInteger(*text).value_or(key.byDefault);
}

std::string ReadValue(const ProfileValues& values, const TextKey& key) {
  return values.Get(key.section, NameInFile(key)).value_or("");
}

std::string SettingsFilePath() {
  return SettingsDirectory() + "quillet.ini";
}

std::string JoinProxyEntry(const Proxy& p) {
  return p.address + '\t' + p.userName + '\t' + p.password;
}

Proxy SplitProxyEntry(std::string_view entry) {
  Proxy p;
  size_t first = entry.find('\t');
  if (first == std::string_view::npos) {
    p.address = entry;
    return p;
  }
  p.address = entry.substr(0, first);
  size_t second = entry.find('\t', first + 1);
  if (second == std::string_view::npos) {
    p.userName = entry.substr(first + 1);
    return p;
  }
  p.userName = entry.substr(first + 1, second - first - 1);
  p.password = entry.substr(second + 1);
  return p;
}

Settings SettingsFrom(const ProfileValues& v) {
  Settings s;
  s.geometry = {ReadValue(v, key::kLeft), ReadValue(v, key::kTop), ReadValue(v, key::kWidth),
                ReadValue(v, key::kHeight), ReadValue(v, key::kMaximized)};
  for (std::string_view name :
       {key::kLeft.name, key::kTop.name, key::kWidth.name, key::kHeight.name, key::kMaximized.name})
    s.geometryStored = s.geometryStored || v.Get(key::kMain, name);

  Behaviour& b = s.behaviour;
  b.noAddEmpty = ReadValue(v, key::kNoAddEmpty);
  b.saveLog = ReadValue(v, key::kSaveLog);
  b.addNewsOnly = ReadValue(v, key::kAddNewsOnly);
  b.newWindowOnly = ReadValue(v, key::kNewWindowOnly);
  b.ieSelect = ReadValue(v, key::kIESelect);
  b.iePath = ReadValue(v, key::kIEPath);
  b.nnPath = ReadValue(v, key::kNNPath);
  b.timerInterval = ReadValue(v, key::kTimerInterval);

  ViewState& view = s.view;
  view.patrol = ReadValue(v, key::kPatrol);
  view.alwaysOnTop = ReadValue(v, key::kAlwaysOnTop);
  view.headlineColumns = ReadValue(v, key::kHeadlineColumns);
  view.logColumns = ReadValue(v, key::kLogColumns);
  view.searchColumns = ReadValue(v, key::kSearchColumns);
  view.searchFoldWidth = ReadValue(v, key::kSearchFoldWidth);

  Connection& c = s.connection;
  for (size_t i = 0; i < c.enabled.size(); ++i)
    c.enabled[i] = ReadValue(v, key::kCheckRouteOf[i]);
  c.proxy = {ReadValue(v, key::kProxy), ReadValue(v, key::kProxyUserName),
             ReadValue(v, key::kProxyPassword)};
  const int count = ReadValue(v, key::kProxyCount);
  for (int n = 0; n < count; ++n) {
    const auto i = static_cast<size_t>(n);
    c.proxyList.push_back(
        JoinProxyEntry({ReadValue(v, key::kProxyList[i]), ReadValue(v, key::kProxyListUserName[i]),
                        ReadValue(v, key::kProxyListPassword[i])}));
  }
  c.feedsAtOnce =
      std::clamp(ReadValue(v, key::kFeedsAtOnce), key::kFeedsAtOnce.least, key::kFeedsAtOnce.most);

  s.feeds = ReadFeedList(v);
  s.watch = ReadWatchSettings(v);
  return s;
}

Settings ReadSettings() {
  std::string bytes;
  ProfileLoad(SettingsFilePath(), bytes);  // unreadable: the defaults
  return SettingsFrom(ProfileValues(std::move(bytes)));
}

SettingsEdit::SettingsEdit(ProfileDocument& document, ProfileValues values)
    : document_(document), values_(std::move(values)), stored_(SettingsFrom(values_)) {}

void SettingsEdit::Put(const BoolKey& key, bool value) {
  Document().Set(key.section, NameInFile(key), value ? "1" : "0");
}

void SettingsEdit::Put(const IntKey& key, int value) {
  Document().Set(key.section, NameInFile(key), std::to_string(value));
}

void SettingsEdit::Put(const TextKey& key, std::string_view value) {
  Document().Set(key.section, NameInFile(key), value);
}

namespace {

[[noreturn]] void ThrowCannotWrite(const std::string& path) {
  throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

// Only the program's own folder is made: a link that leads into a missing
// folder leads nowhere. The lock goes beside the file a link leads to, in the
// folder the new file is written in: it can be taken whenever the file can be
// written, and two links to one file share it.
std::string SettingsLockPath() {
  const std::string path = SettingsFilePath();
  ForceDirectories(SettingsDirectory());
  std::string target;
  if (!FollowLinks(path, target)) ThrowCannotWrite(path);
  return target + ".lock";
}

}  // namespace

SettingsLock::SettingsLock() : lock_(SettingsLockPath()) {
  if (!lock_.Held()) ThrowCannotWrite(SettingsFilePath());
}

void EditSettings(const std::function<void(SettingsEdit&)>& change) {
  const std::string path = SettingsFilePath();
  const auto fail = [&] { ThrowCannotWrite(path); };
  const SettingsLock lock;
  std::string bytes;
  // A file that exists but cannot be read is never overwritten blindly.
  if (!ProfileLoad(path, bytes)) fail();
  ProfileDocument document = ProfileDocument::Parse(bytes);
  SettingsEdit edit(document, ProfileValues(std::move(bytes)));
  change(edit);
  if (!edit.Changed()) return;
  // The file may hold a proxy password: a new one is the user's alone.
  if (!WriteFileAtomic(path, document.Serialize(), 0600)) fail();
}

void PutGeometry(SettingsEdit& edit, const Geometry& g) {
  edit.Put(key::kMaximized, g.maximized);
  edit.Put(key::kLeft, g.left);
  edit.Put(key::kTop, g.top);
  edit.Put(key::kWidth, g.width);
  edit.Put(key::kHeight, g.height);
}

void PutMainViewState(SettingsEdit& edit, const ViewState& view) {
  edit.Put(key::kPatrol, view.patrol);
  edit.Put(key::kAlwaysOnTop, view.alwaysOnTop);
  edit.Put(key::kHeadlineColumns, view.headlineColumns);
  edit.Put(key::kLogColumns, view.logColumns);
}

void MergeBehaviour(SettingsEdit& edit, const Behaviour& confirmed, const Behaviour& loaded) {
  edit.PutIfChangedOrMissing(key::kNoAddEmpty, confirmed.noAddEmpty, loaded.noAddEmpty);
  edit.PutIfChangedOrMissing(key::kSaveLog, confirmed.saveLog, loaded.saveLog);
  edit.PutIfChangedOrMissing(key::kAddNewsOnly, confirmed.addNewsOnly, loaded.addNewsOnly);
  edit.PutIfChangedOrMissing(key::kNewWindowOnly, confirmed.newWindowOnly, loaded.newWindowOnly);
  edit.PutIfChangedOrMissing(key::kIESelect, confirmed.ieSelect, loaded.ieSelect);
  edit.PutIfChangedOrMissing(key::kIEPath, confirmed.iePath, loaded.iePath);
  edit.PutIfChangedOrMissing(key::kNNPath, confirmed.nnPath, loaded.nnPath);
  edit.PutIfChangedOrMissing(key::kTimerInterval, confirmed.timerInterval, loaded.timerInterval);
}

void MergeConnection(SettingsEdit& edit, const Connection& confirmed, const Connection& loaded) {
  for (size_t i = 0; i < confirmed.enabled.size(); ++i) {
    edit.PutIfChangedOrMissing(key::kCheckRouteOf[i], confirmed.enabled[i], loaded.enabled[i]);
  }
  edit.PutIfChangedOrMissing(key::kProxy, confirmed.proxy.address, loaded.proxy.address);
  edit.PutIfChangedOrMissing(key::kProxyUserName, confirmed.proxy.userName, loaded.proxy.userName);
  edit.PutIfChangedOrMissing(key::kProxyPassword, confirmed.proxy.password, loaded.proxy.password);
  const auto count = [](const Connection& c) { return static_cast<int>(c.proxyList.size()); };
  edit.PutIfChangedOrMissing(key::kProxyCount, count(confirmed), count(loaded));
  // Entries beyond the list loaded are new; keys of a longer list written
  // before stay in the file.
  for (size_t n = 0; n < confirmed.proxyList.size(); ++n) {
    const Proxy entry = SplitProxyEntry(confirmed.proxyList[n]);
    if (n >= loaded.proxyList.size()) {
      edit.Put(key::kProxyList[n], entry.address);
      edit.Put(key::kProxyListUserName[n], entry.userName);
      edit.Put(key::kProxyListPassword[n], entry.password);
      continue;
    }
    const Proxy before = SplitProxyEntry(loaded.proxyList[n]);
    edit.PutIfChangedOrMissing(key::kProxyList[n], entry.address, before.address);
    edit.PutIfChangedOrMissing(key::kProxyListUserName[n], entry.userName, before.userName);
    edit.PutIfChangedOrMissing(key::kProxyListPassword[n], entry.password, before.password);
  }
  // Written only when changed: a file without feeds gets no section for it.
  edit.PutIfChanged(key::kFeedsAtOnce, confirmed.feedsAtOnce, loaded.feedsAtOnce);
}

}  // namespace quillet::settings
