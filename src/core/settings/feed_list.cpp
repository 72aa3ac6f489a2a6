#include "core/settings/feed_list.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <map>
#include <set>

#include "core/settings/settings.h"
#include "core/sys/profile_file.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
namespace {

enum class Field { kId, kName, kUrl, kEnabled };
constexpr size_t kFieldCount = 4;
// The names of an entry's keys, before its number.
constexpr std::string_view kFieldNames[kFieldCount] = {
    key::kFeedId.first.name, key::kFeedName.first.name, key::kFeedUrl.first.name,
    key::kFeedEnabled.first.name};

// The field and number of a "<Field><n>" key (any case), or nullopt.
std::optional<std::pair<Field, size_t>> FieldKey(std::string_view key) {
  for (size_t f = 0; f < kFieldCount; ++f) {
    if (auto n = NumberOfKey(key, kFieldNames[f])) return std::pair{static_cast<Field>(f), *n};
  }
  return std::nullopt;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameKeyName(text.substr(0, prefix.size()), prefix);
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

// Scheme and host in lower case, "/" for an empty path.
std::string ComparableFeedUrl(std::string_view url) {
  const size_t hostAt = url.find("://");
  if (hostAt == std::string_view::npos) return std::string(url);
  const size_t pathAt = std::min(url.find_first_of("/?#", hostAt + 3), url.size());
  std::string comparable = Cp932Lower(url.substr(0, pathAt));
  if (pathAt == url.size() || url[pathAt] != '/') comparable += '/';
  return comparable.append(url.substr(pathAt));
}

std::optional<std::string> FeedUrlClash(const std::vector<FeedSource>& others,
                                        std::string_view url) {
  const std::string comparable = ComparableFeedUrl(url);
  for (const FeedSource& other : others) {
    if (ComparableFeedUrl(other.url) == comparable)
      return CP932("この URL のフィードは既にあります (「") + other.name + CP932("」)");
  }
  return std::nullopt;
}

namespace {

using Line = ProfileValues::Entry;

struct StoredEntry {
  size_t number = 0;
  std::array<const Line*, kFieldCount> lines{};  // each field's first line, or null
  std::optional<FeedSource> feed;                // nullopt: the entry cannot be used
  std::string unused;                            // why it cannot, for the user (CP932)

  std::string Value(Field field) const {
    const Line* line = lines[static_cast<size_t>(field)];
    return line != nullptr ? std::string(line->second) : std::string();
  }
};

int32_t StoredCount(const ProfileValues& values) {
  return std::max(0, ReadValue(values, key::kFeedCount));
}

// The section's entries in the order of their numbers; for a key given
// twice the first counts.
std::vector<StoredEntry> StoredEntries(const ProfileValues& values) {
  const auto count = static_cast<size_t>(StoredCount(values));
  std::map<size_t, StoredEntry> numbered;
  for (const Line& line : values.Entries(key::kFeeds)) {
    const auto field = FieldKey(line.first);
    if (!field) continue;
    StoredEntry& entry = numbered[field->second];
    entry.number = field->second;
    const Line*& first = entry.lines[static_cast<size_t>(field->first)];
    if (first == nullptr) first = &line;
  }
  std::vector<StoredEntry> entries;
  std::set<int32_t> ids;
  for (auto& [number, stored] : numbered) {
    const size_t n = number;  // a lambda may not take a structured binding (clang 14)
    StoredEntry& entry = entries.emplace_back(std::move(stored));
    const auto unused = [&](Field field, const std::string& why) {
      const Line* line = entry.lines[static_cast<size_t>(field)];
      const std::string keyName =
          line != nullptr
              ? std::string(line->first)
              : std::string(kFieldNames[static_cast<size_t>(field)]) + std::to_string(n);
      entry.unused = "[" + std::string(key::kFeeds) + CP932("] の ") + keyName +
                     CP932(" は使われません: ") + why;
    };
    const auto firstField = [&](const std::function<bool(const Line&)>& which) {
      for (size_t f = 0; f < kFieldCount; ++f) {
        if (entry.lines[f] != nullptr && which(*entry.lines[f])) return std::optional(Field(f));
      }
      return std::optional<Field>();
    };
    if (n >= count) {
      unused(*firstField([](const Line&) { return true; }),
             CP932("Count (") + std::to_string(count) + CP932(") より後の番号です"));
      continue;
    }
    // A value longer than the file gives back could only be used cut short.
    if (auto tooLong =
            firstField([](const Line& line) { return line.second.size() > kProfileValueMax; })) {
      unused(*tooLong, CP932("値が長すぎます (2047バイトまで)"));
      continue;
    }
    const std::optional<int32_t> id = ParseProfileInteger(entry.Value(Field::kId));
    if (!id || *id <= 0) {
      unused(Field::kId, entry.lines[0] != nullptr ? CP932("ID が正の整数ではありません")
                                                   : CP932("ID がありません"));
      continue;
    }
    if (!ids.insert(*id).second) {
      unused(Field::kId, CP932("ID ") + std::to_string(*id) + CP932(" は前の項目にもあります"));
      continue;
    }
    FeedSource feed{*id, entry.Value(Field::kName), entry.Value(Field::kUrl),
                    ParseProfileInteger(entry.Value(Field::kEnabled))
                            .value_or(key::kFeedEnabled.first.byDefault) != 0};
    if (auto nameProblem = FeedNameProblem(feed.name)) {
      unused(Field::kName, *nameProblem);
    } else if (auto urlProblem = FeedUrlProblem(feed.url)) {
      unused(Field::kUrl, *urlProblem);
    } else {
      entry.feed = std::move(feed);
    }
  }
  return entries;
}

}  // namespace

FeedList ReadFeedList(const ProfileValues& values) {
  FeedList list;
  list.count = static_cast<size_t>(StoredCount(values));
  list.nextId = std::max(1, ReadValue(values, key::kNextFeedId));
  for (StoredEntry& entry : StoredEntries(values)) {
    // Ids of unusable entries too: a log file is never taken over.
    const int32_t id = ParseProfileInteger(entry.Value(Field::kId)).value_or(0);
    if (id > 0 && id < INT32_MAX) list.nextId = std::max(list.nextId, id + 1);
    if (entry.feed) {
      list.feeds.push_back(std::move(*entry.feed));
    } else {
      list.unused.push_back(std::move(entry.unused));
      list.unusedNumbers.insert(entry.number);
    }
  }
  return list;
}

void PutFeeds(SettingsEdit& edit, std::vector<FeedSource>& feeds) {
  const FeedList& stored = edit.Stored().feeds;
  int nextId = stored.nextId;
  for (const FeedSource& feed : feeds) {
    if (feed.id < INT32_MAX) nextId = std::max(nextId, feed.id + 1);
  }
  for (FeedSource& feed : feeds) {
    if (feed.id <= 0) feed.id = nextId++;
  }
  // Entries that cannot be used (a hand-made mistake, a repeated id, a value
  // too long to read, or a newer copy's) keep their lines and numbers as
  // they stand; the list's feeds take the other numbers, in order.
  const std::set<size_t>& kept = stored.unusedNumbers;
  const auto belowCount = kept.lower_bound(stored.count);
  std::vector<size_t> numbers;
  for (size_t n = 0; numbers.size() < feeds.size(); ++n) {
    if (!kept.contains(n)) numbers.push_back(n);
  }
  size_t newCount = numbers.empty() ? 0 : numbers.back() + 1;
  if (belowCount != kept.begin()) newCount = std::max(newCount, *std::prev(belowCount) + 1);
  ProfileDocument& doc = edit.Document();
  doc.EraseKeys(key::kFeeds, [&](std::string_view key) {
    if (const auto field = FieldKey(key)) return !kept.contains(field->second);
    return SameKeyName(key, key::kFeedCount.name) || SameKeyName(key, key::kNextFeedId.name);
  });
  std::vector<std::pair<std::string, std::string>> lines;
  lines.reserve(2 + 4 * feeds.size());
  lines.emplace_back(NameInFile(key::kFeedCount), std::to_string(newCount));
  lines.emplace_back(NameInFile(key::kNextFeedId), std::to_string(nextId));
  for (size_t i = 0; i < feeds.size(); ++i) {
    lines.emplace_back(NameInFile(key::kFeedId[numbers[i]]), std::to_string(feeds[i].id));
    lines.emplace_back(NameInFile(key::kFeedName[numbers[i]]), feeds[i].name);
    lines.emplace_back(NameInFile(key::kFeedUrl[numbers[i]]), feeds[i].url);
    lines.emplace_back(NameInFile(key::kFeedEnabled[numbers[i]]), feeds[i].enabled ? "1" : "0");
  }
  doc.SetAll(key::kFeeds, lines);
}

std::vector<FeedSource> MergeFeedEdits(const std::vector<FeedSource>& loaded,
                                       const std::vector<FeedSource>& edited,
                                       const std::vector<FeedSource>& current) {
  if (current == loaded) return edited;
  const auto byId = [](const std::vector<FeedSource>& feeds) {
    std::map<int, const FeedSource*> index;
    for (const FeedSource& feed : feeds)
      index.emplace(feed.id, &feed);
    return index;
  };
  const auto loadedById = byId(loaded), currentById = byId(current);
  std::vector<FeedSource> merged;
  for (const FeedSource& feed : edited) {
    if (feed.id <= 0) {
      if (!FeedUrlClash(current, feed.url) && !FeedUrlClash(merged, feed.url))
        merged.push_back(feed);
      continue;
    }
    const auto now = currentById.find(feed.id);
    if (now == currentById.end()) continue;  // removed meanwhile
    const auto before = loadedById.find(feed.id);
    const bool editedHere = before == loadedById.end() || !(*before->second == feed);
    merged.push_back(editedHere ? feed : *now->second);
  }
  for (const FeedSource& feed : current) {
    if (!loadedById.contains(feed.id)) merged.push_back(feed);  // added meanwhile
  }
  return merged;
}

std::string FeedLogFile(int id) {
  return "Feeds/" + std::to_string(id) + ".log";
}

const std::string& FeedGenre() {
  return CP932("フィード");
}

}  // namespace quillet::settings
