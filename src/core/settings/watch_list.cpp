#include "core/settings/watch_list.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/sys/profile_file.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet::settings {
namespace {

constexpr std::string_view kWatch = "Watch";
constexpr std::string_view kKeyword = "Keyword";

// The number of a "Keyword<n>" key (any case), or nullopt.
std::optional<size_t> KeywordNumber(std::string_view key) {
  if (key.size() <= kKeyword.size() || Cp932Lower(key.substr(0, kKeyword.size())) != "keyword")
    return std::nullopt;
  const std::string_view digits = key.substr(kKeyword.size());
  size_t n = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
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

std::vector<std::string> ReadWatchList() {
  std::map<size_t, std::string> numbered;  // the first key of a number counts
  for (auto& [key, value] : ProfileLoad(SettingsFilePath()).Entries(kWatch)) {
    if (auto n = KeywordNumber(key)) numbered.try_emplace(*n, std::move(value));
  }
  std::vector<std::string> keywords;
  for (auto& [n, keyword] : numbered) {
    if (WatchKeywordProblem(keyword)) continue;
    if (WatchKeywordClash(keywords, keyword)) continue;
    keywords.push_back(std::move(keyword));
  }
  return keywords;
}

void WriteWatchList(const std::vector<std::string>& keywords) {
  if (ReadWatchList() == keywords) return;
  const std::string path = SettingsFilePath();
  const bool written = ProfileEdit(path, [&](ProfileDocument& doc) {
    doc.EraseKeys(kWatch, [](std::string_view key) { return KeywordNumber(key).has_value(); });
    for (size_t n = 0; n < keywords.size(); ++n)
      doc.Set(kWatch, std::string(kKeyword) + std::to_string(n), keywords[n]);
  });
  if (!written) throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

bool WatchFoldsWidth() {
  return ReadBool(kWatch, "FoldWidth", false);
}

void WriteWatchFoldsWidth(bool fold) {
  if (WatchFoldsWidth() != fold) WriteBool(kWatch, "FoldWidth", fold);
}

Notify ReadNotify() {
  const int value = ReadInteger(kWatch, "Notify", static_cast<int>(Notify::kNew));
  return value == 1 ? Notify::kWatchOnly : value == 2 ? Notify::kNever : Notify::kNew;
}

void WriteNotify(Notify notify) {
  if (ReadNotify() != notify) WriteInteger(kWatch, "Notify", static_cast<int>(notify));
}

}  // namespace quillet::settings
