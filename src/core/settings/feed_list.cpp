#include "core/settings/feed_list.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/sys/profile_file.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
namespace {

constexpr std::string_view kFeeds = "Feeds";
// The fields of an entry, lower case, and as they are written.
constexpr std::pair<std::string_view, std::string_view> kFields[] = {
    {"id", "Id"}, {"name", "Name"}, {"url", "Url"}, {"enabled", "Enabled"}};

// The field and number of a "<Field><n>" key (any case), or nullopt.
std::optional<std::pair<std::string_view, size_t>> FieldKey(std::string_view key) {
  const std::string lower = Cp932Lower(key);
  for (auto [field, keyName] : kFields) {
    if (lower.size() <= field.size() || lower.compare(0, field.size(), field) != 0) continue;
    const std::string_view digits = key.substr(field.size());
    size_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (error == std::errc() && end == digits.data() + digits.size()) return std::pair{field, n};
  }
  return std::nullopt;
}

bool IsFeedKey(std::string_view key) {
  const std::string lower = Cp932Lower(key);
  return lower == "count" || lower == "nextid" || FieldKey(key).has_value();
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
  return text.size() >= lowerPrefix.size() &&
         Cp932Lower(text.substr(0, lowerPrefix.size())) == lowerPrefix;
}

}  // namespace

std::optional<std::string> FeedNameProblem(std::string_view name) {
  if (name.empty()) return CP932("フィード名が空です");
  if (name.find_first_of("\t\r\n") != std::string_view::npos)
    return CP932("フィード名にタブや改行は使えません");
  if (name.size() > kFeedNameMax) return CP932("フィード名が長すぎます (255バイトまで)");
  if (Cp932EndsMidCharacter(name)) return CP932("フィード名の最後の文字が欠けています");
  return std::nullopt;
}

std::optional<std::string> FeedUrlProblem(std::string_view url) {
  size_t hostAt = 0;
  if (StartsWithNoCase(url, "http://")) {
    hostAt = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    hostAt = 8;
  } else {
    return CP932("URL は http:// か https:// で始めてください");
  }
  if (url.size() > kFeedUrlMax) return CP932("URL が長すぎます (2047バイトまで)");
  if (std::any_of(url.begin(), url.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b <= 0x20 || b == 0x7f;
      })) {
    return CP932("URL に空白や制御文字は使えません");
  }
  const std::string_view rest = url.substr(hostAt);
  const size_t hostEnd = std::min(rest.find_first_of("/?#"), rest.size());
  const std::string_view authority = rest.substr(0, hostEnd);
  const std::string_view host = authority.substr(authority.rfind('@') + 1);
  if (host.empty() || host[0] == ':') return CP932("URL にホスト名がありません");
  return std::nullopt;
}

namespace {

// A URL as FeedUrlClash compares it: scheme and host in lower case, "/" for
// an empty path.
std::string ComparableUrl(std::string_view url) {
  const size_t hostAt = url.find("://");
  if (hostAt == std::string_view::npos) return std::string(url);
  const size_t pathAt = std::min(url.find_first_of("/?#", hostAt + 3), url.size());
  std::string comparable = Cp932Lower(url.substr(0, pathAt));
  if (pathAt == url.size() || url[pathAt] != '/') comparable += '/';
  return comparable.append(url.substr(pathAt));
}

}  // namespace

std::optional<std::string> FeedUrlClash(const std::vector<FeedSource>& others,
                                        std::string_view url) {
  const std::string comparable = ComparableUrl(url);
  for (const FeedSource& other : others) {
    if (ComparableUrl(other.url) == comparable)
      return CP932("この URL のフィードは既にあります (「") + other.name + CP932("」)");
  }
  return std::nullopt;
}

namespace {

using Fields = std::map<std::string_view, std::string>;  // lower-case field -> value

std::string Value(const Fields& fields, std::string_view field) {
  const auto it = fields.find(field);
  return it == fields.end() ? std::string() : it->second;
}

struct StoredEntry {
  size_t number = 0;
  Fields fields;                                 // values whole, however long
  std::map<std::string_view, std::string> keys;  // lower-case field -> key as in the file
  std::optional<FeedSource> feed;                // nullopt: the entry cannot be used
  std::string unused;                            // why it cannot, for the user (CP932)
};

// The entries numbered below Count, in the order of their numbers; for a
// key given twice the first counts.
std::vector<StoredEntry> StoredEntries(const ProfileDocument& doc) {
  const int32_t count = ParseProfileInteger(doc.Get(kFeeds, "Count").value_or("0")).value_or(0);
  std::map<size_t, StoredEntry> numbered;
  for (auto& [key, value] : doc.Entries(kFeeds, std::string::npos)) {
    auto field = FieldKey(key);
    if (!field || field->second >= static_cast<size_t>(std::max(count, 0))) continue;
    StoredEntry& entry = numbered[field->second];
    entry.number = field->second;
    if (entry.fields.try_emplace(field->first, std::move(value)).second)
      entry.keys.emplace(field->first, key);
  }
  std::vector<StoredEntry> entries;
  std::set<int32_t> ids;
  for (auto& [number, stored] : numbered) {
    const size_t n = number;  // a lambda may not take a structured binding (clang 14)
    StoredEntry& entry = entries.emplace_back(std::move(stored));
    const auto unused = [&](std::string_view field, const std::string& why) {
      auto key = entry.keys.find(field);
      std::string keyName = key != entry.keys.end() ? key->second : "";
      if (keyName.empty()) {
        for (auto [lower, written] : kFields)
          if (lower == field) keyName = std::string(written) + std::to_string(n);
      }
      entry.unused = CP932("[Feeds] の ") + keyName + CP932(" は使われません: ") + why;
    };
    // A value longer than the file gives back could only be used cut short.
    const auto tooLong = std::find_if(entry.fields.begin(), entry.fields.end(), [](auto& field) {
      return field.second.size() > kProfileValueMax;
    });
    if (tooLong != entry.fields.end()) {
      unused(tooLong->first, CP932("値が長すぎます (2047バイトまで)"));
      continue;
    }
    const std::optional<int32_t> id = ParseProfileInteger(Value(entry.fields, "id"));
    if (!id || *id <= 0) {
      unused("id", entry.fields.contains("id") ? CP932("ID が正の整数ではありません")
                                               : CP932("ID がありません"));
      continue;
    }
    if (!ids.insert(*id).second) {
      unused("id", CP932("ID ") + std::to_string(*id) + CP932(" は前の項目にもあります"));
      continue;
    }
    FeedSource feed{*id, Value(entry.fields, "name"), Value(entry.fields, "url"),
                    ParseProfileInteger(Value(entry.fields, "enabled")).value_or(1) != 0};
    if (auto nameProblem = FeedNameProblem(feed.name)) {
      unused("name", *nameProblem);
    } else if (auto urlProblem = FeedUrlProblem(feed.url)) {
      unused("url", *urlProblem);
    } else {
      entry.feed = std::move(feed);
    }
  }
  return entries;
}

}  // namespace

std::vector<FeedSource> ReadFeeds() {
  std::vector<FeedSource> feeds;
  for (StoredEntry& entry : StoredEntries(ProfileLoad(SettingsFilePath()))) {
    if (entry.feed) feeds.push_back(std::move(*entry.feed));
  }
  return feeds;
}

std::vector<std::string> UnusedFeedEntries() {
  std::vector<std::string> unused;
  for (StoredEntry& entry : StoredEntries(ProfileLoad(SettingsFilePath()))) {
    if (!entry.feed) unused.push_back(std::move(entry.unused));
  }
  return unused;
}

void WriteFeeds(std::vector<FeedSource>& feeds) {
  const std::string path = SettingsFilePath();
  const ProfileDocument stored = ProfileLoad(path);
  int nextId =
      std::max(1, ParseProfileInteger(stored.Get(kFeeds, "NextId").value_or("1")).value_or(1));
  for (const auto& [key, value] : stored.Entries(kFeeds)) {
    auto field = FieldKey(key);
    if (!field || field->first != "id") continue;
    const int32_t id = ParseProfileInteger(value).value_or(0);
    if (id > 0 && id < INT32_MAX) nextId = std::max(nextId, id + 1);
  }
  for (const FeedSource& feed : feeds) {
    if (feed.id < INT32_MAX) nextId = std::max(nextId, feed.id + 1);
  }
  for (FeedSource& feed : feeds) {
    if (feed.id <= 0) feed.id = nextId++;
  }
  // Entries that cannot be used (a hand-made mistake, a repeated id, a value
  // too long to read, or a newer copy's) keep their lines and numbers as
  // they stand; the list's feeds take the other numbers, in order.
  std::set<size_t> kept;
  for (const StoredEntry& entry : StoredEntries(stored)) {
    if (!entry.feed) kept.insert(entry.number);
  }
  std::vector<size_t> numbers;
  for (size_t n = 0; numbers.size() < feeds.size(); ++n) {
    if (!kept.contains(n)) numbers.push_back(n);
  }
  size_t count = numbers.empty() ? 0 : numbers.back() + 1;
  if (!kept.empty()) count = std::max(count, *kept.rbegin() + 1);
  const bool written = ProfileEdit(path, [&](ProfileDocument& doc) {
    doc.EraseKeys(kFeeds, [&](std::string_view key) {
      const auto field = FieldKey(key);
      return IsFeedKey(key) && !(field && kept.contains(field->second));
    });
    doc.Set(kFeeds, "Count", std::to_string(count));
    doc.Set(kFeeds, "NextId", std::to_string(nextId));
    for (size_t i = 0; i < feeds.size(); ++i) {
      const std::string number = std::to_string(numbers[i]);
      doc.Set(kFeeds, "Id" + number, std::to_string(feeds[i].id));
      doc.Set(kFeeds, "Name" + number, feeds[i].name);
      doc.Set(kFeeds, "Url" + number, feeds[i].url);
      doc.Set(kFeeds, "Enabled" + number, feeds[i].enabled ? "1" : "0");
    }
  });
  if (!written) throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

std::string FeedLogFile(int id) {
  return "Feeds/" + std::to_string(id) + ".log";
}

const std::string& FeedGenre() {
  return CP932("フィード");
}

}  // namespace quillet::settings
