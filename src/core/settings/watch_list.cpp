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

}  // namespace

std::optional<std::string> WatchKeywordProblem(std::string_view keyword) {
  if (keyword.empty()) return CP932("キーワードが空です");
  if (keyword.find_first_of("\t\r\n") != std::string_view::npos)
    return CP932("キーワードにタブや改行は使えません");
  if (keyword.size() > kWatchKeywordMax) return CP932("キーワードが長すぎます (255バイトまで)");
  if (Cp932EndsMidCharacter(keyword)) return CP932("キーワードの最後の文字が欠けています");
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
    if (std::find(keywords.begin(), keywords.end(), keyword) != keywords.end()) continue;
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

Notify ReadNotify() {
  const int value = ReadInteger(kWatch, "Notify", static_cast<int>(Notify::kNew));
  return value == 1 ? Notify::kWatchOnly : value == 2 ? Notify::kNever : Notify::kNew;
}

void WriteNotify(Notify notify) {
  if (ReadNotify() != notify) WriteInteger(kWatch, "Notify", static_cast<int>(notify));
}

}  // namespace quillet::settings
