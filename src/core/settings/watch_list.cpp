#include "core/settings/watch_list.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "core/settings/settings.h"
#include "core/sys/profile_file.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
namespace {

// The number of a "Keyword<n>" key (any case), or nullopt.
std::optional<size_t> KeywordNumber(std::string_view key) {
  return NumberOfKey(key, key::kKeyword.first.name);
}

bool IsBlanks(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    if (text.substr(i, 2) == "\x81\x40") {  // the ideographic space
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> WatchKeywordProblem(std::string_view keyword) {
  if (keyword.empty()) return CP932("キーワードが空です");
  if (IsBlanks(keyword)) return CP932("キーワードが空白だけです");
  if (keyword.find_first_of("\t\r\n") != std::string_view::npos)
    return CP932("キーワードにタブや改行は使えません");
  if (keyword.size() > kWatchKeywordMax) return CP932("キーワードが長すぎます (255バイトまで)");
  if (Cp932EndsMidCharacter(keyword)) return CP932("キーワードの最後の文字が欠けています");
  return std::nullopt;
}

std::optional<std::string> WatchKeywordClash(const std::vector<std::string>& keywords,
                                             std::string_view keyword) {
  const std::string folded = Cp932Lower(keyword);
  for (const std::string& other : keywords) {
    if (other == keyword) return CP932("「") + other + CP932("」は既にウォッチリストにあります");
    if (Cp932Lower(other) == folded)
      return CP932("「") + std::string(keyword) + CP932("」は「") + other +
             CP932("」と同じです (英字の大文字と小文字は区別しません)");
  }
  return std::nullopt;
}

namespace {

struct StoredKeyword {
  size_t number;
  std::string key;    // as in the file
  std::string value;  // whole
};

// The Keyword<n> lines in the order of their numbers; for a number given
// twice the first counts.
std::vector<StoredKeyword> StoredKeywords(const ProfileValues& values) {
  std::map<size_t, StoredKeyword> numbered;
  for (const auto& [key, value] : values.Entries(key::kWatch)) {
    if (auto n = KeywordNumber(key))
      numbered.try_emplace(*n, StoredKeyword{*n, std::string(key), std::string(value)});
  }
  std::vector<StoredKeyword> stored;
  for (auto& [n, keyword] : numbered)
    stored.push_back(std::move(keyword));
  return stored;
}

// Why a stored keyword is passed over, or nullopt when it is watched.
std::optional<std::string> Unusable(const std::vector<std::string>& before,
                                    const std::string& keyword) {
  if (auto problem = WatchKeywordProblem(keyword)) return problem;
  return WatchKeywordClash(before, keyword);
}

}  // namespace

WatchSettings ReadWatchSettings(const ProfileValues& values) {
  WatchSettings watch;
  for (const StoredKeyword& stored : StoredKeywords(values)) {
    if (auto why = Unusable(watch.keywords, stored.value)) {
      watch.unused.push_back("[" + std::string(key::kWatch) + CP932("] の ") + stored.key +
                             CP932(" は使われません: ") + *why);
    } else {
      watch.keywords.push_back(stored.value);
    }
  }
  watch.foldWidth = ReadValue(values, key::kWatchFoldWidth);
  const int notify = ReadValue(values, key::kNotify);
  const bool known = notify >= key::kNotify.least && notify <= key::kNotify.most;
  watch.notify = static_cast<Notify>(known ? notify : key::kNotify.byDefault);
  return watch;
}

void PutWatchList(SettingsEdit& edit, const std::vector<std::string>& keywords) {
  if (edit.Stored().watch.keywords == keywords) return;
  // Keywords that cannot be watched keep their lines; one that only repeats
  // another adds nothing and goes with the list's old keys.
  std::set<size_t> kept;
  for (const StoredKeyword& stored : StoredKeywords(edit.StoredValues())) {
    if (WatchKeywordProblem(stored.value)) kept.insert(stored.number);
  }
  ProfileDocument& doc = edit.Document();
  doc.EraseKeys(key::kWatch, [&](std::string_view key) {
    const auto n = KeywordNumber(key);
    return n && !kept.contains(*n);
  });
  std::vector<std::pair<std::string, std::string>> lines;
  size_t n = 0;
  for (const std::string& keyword : keywords) {
    while (kept.contains(n))
      ++n;
    lines.emplace_back(NameInFile(key::kKeyword[n++]), keyword);
  }
  doc.SetAll(key::kWatch, lines);
}

std::vector<std::string> MergeWatchEdits(const std::vector<std::string>& loaded,
                                         const std::vector<std::string>& edited,
                                         const std::vector<std::string>& current) {
  if (current == loaded) return edited;
  const auto holds = [](const std::vector<std::string>& list, const std::string& keyword) {
    return std::find(list.begin(), list.end(), keyword) != list.end();
  };
  std::vector<std::string> merged;
  for (const std::string& keyword : edited) {
    const bool added = !holds(loaded, keyword);
    if (added ? !WatchKeywordClash(current, keyword) && !WatchKeywordClash(merged, keyword)
              : holds(current, keyword))
      merged.push_back(keyword);
  }
  for (const std::string& keyword : current) {
    if (!holds(loaded, keyword) && !WatchKeywordClash(merged, keyword)) merged.push_back(keyword);
  }
  return merged;
}

void MergeWatch(SettingsEdit& edit, const WatchSettings& confirmed, const WatchSettings& loaded) {
  PutWatchList(edit,
               MergeWatchEdits(loaded.keywords, confirmed.keywords, edit.Stored().watch.keywords));
  edit.PutIfChanged(key::kWatchFoldWidth, confirmed.foldWidth, loaded.foldWidth);
  edit.PutIfChanged(key::kNotify, static_cast<int>(confirmed.notify),
                    static_cast<int>(loaded.notify));
}

}  // namespace quillet::settings
