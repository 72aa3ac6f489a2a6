#include "core/feeds/feed_state.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "core/pages/page_store.h"
#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/sys/profile_file.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kHeader = "QuilletFeedState 1";

constexpr std::pair<FeedResultKind, std::string_view> kResultWords[] = {
    {FeedResultKind::kFetched, "fetched"},
    {FeedResultKind::kUnchanged, "unchanged"},
    {FeedResultKind::kFailed, "failed"},
};
constexpr std::pair<WaitReason, std::string_view> kWaitWords[] = {
    {WaitReason::kBackoff, "backoff"},
    {WaitReason::kRetryAfter, "retry-after"},
};

template <class Enum, size_t N>
std::string_view WordOf(const std::pair<Enum, std::string_view> (&words)[N], Enum value) {
  for (const auto& [v, word] : words) {
    if (v == value) return word;
  }
  return {};
}

template <class Enum, size_t N>
std::optional<Enum> ValueOf(const std::pair<Enum, std::string_view> (&words)[N],
                            std::string_view word) {
  for (const auto& [v, w] : words) {
    if (w == word) return v;
  }
  return std::nullopt;
}

// A whole field of decimal digits, nothing else.
template <class Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number n{};
  if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return n;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

// One line of TAB-separated fields; a value never splits its line nor its
// fields.
void AppendLine(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (const std::string_view field : fields) {
    if (!first) out += '\t';
    first = false;
    for (const char c : field) {
      const auto b = static_cast<unsigned char>(c);
      out += b < 0x20 || b == 0x7f ? ' ' : c;
    }
  }
  out += "\r\n";
}

void AppendFeed(std::string& out, int id, const FeedState& s) {
  // A page's state is kept under its id made negative, and written as its own.
  const std::string_view kind = id < 0 ? "page" : "feed";
  const std::string n = std::to_string(id < 0 ? -id : id);
  if (!s.url.empty()) AppendLine(out, {kind, n, "url", s.url});
  if (!s.etag.empty()) AppendLine(out, {kind, n, "etag", s.etag});
  if (!s.lastModified.empty()) AppendLine(out, {kind, n, "modified", s.lastModified});
  if (s.last.kind != FeedResultKind::kNone) {
    const std::string detail =
        s.last.kind == FeedResultKind::kFailed ? s.last.error : std::to_string(s.last.itemCount);
    AppendLine(out, {kind, n, "result", WordOf(kResultWords, s.last.kind),
                     std::to_string(s.last.at), detail});
  }
  if (s.failures > 0) AppendLine(out, {kind, n, "failures", std::to_string(s.failures)});
  if (s.notBefore > 0) {
    AppendLine(out,
               {kind, n, "wait", std::to_string(s.notBefore), WordOf(kWaitWords, s.waitReason)});
  }
  if (!s.movedTo.empty()) AppendLine(out, {kind, n, "moved", s.movedFrom, s.movedTo});
  if (!s.tookFrom.empty()) AppendLine(out, {kind, n, "took", std::to_string(s.tookAt), s.tookFrom});
  for (const FeedItem& item : s.rows)
    AppendLine(out, {kind, n, "item", item.title, item.link, item.category});
}

// One "feed" line's key and values into the feed's state; false when they do
// not read (the state is then as it was).
bool ReadFeedLine(FeedState& s, std::string_view key, const std::vector<std::string_view>& v) {
  const auto one = [&](std::string& field) {
    if (v.size() != 1) return false;
    field = v[0];
    return true;
  };
  if (key == "url") return one(s.url);
  if (key == "etag") return one(s.etag);
  if (key == "modified") return one(s.lastModified);
  if (key == "result") {
    if (v.size() != 3) return false;
    const auto kind = ValueOf(kResultWords, v[0]);
    const auto at = ParseNumber<std::time_t>(v[1]);
    if (!kind || !at) return false;
    FeedResult result{*kind, *at, 0, {}};
    if (*kind == FeedResultKind::kFailed) {
      result.error = v[2];
    } else if (const auto count = ParseNumber<size_t>(v[2])) {
      result.itemCount = *count;
    } else {
      return false;
    }
    s.last = std::move(result);
    return true;
  }
  if (key == "failures") {
    const auto n = v.size() == 1 ? ParseNumber<int>(v[0]) : std::nullopt;
    if (n) s.failures = *n;
    return n.has_value();
  }
  if (key == "wait") {
    if (v.size() != 2) return false;
    const auto until = ParseNumber<std::time_t>(v[0]);
    const auto reason = ValueOf(kWaitWords, v[1]);
    if (!until || !reason) return false;
    s.notBefore = *until;
    s.waitReason = *reason;
    return true;
  }
  if (key == "moved") {
    if (v.size() != 2 || v[1].empty()) return false;
    s.movedFrom = v[0];
    s.movedTo = v[1];
    return true;
  }
  if (key == "took") {
    const auto at = v.size() == 2 ? ParseNumber<std::time_t>(v[0]) : std::nullopt;
    if (!at || v[1].empty()) return false;
    s.tookAt = *at;
    s.tookFrom = v[1];
    return true;
  }
  if (key == "item") {
    if (v.size() != 3) return false;
    s.rows.push_back({std::string(v[0]), std::string(v[1]), std::string(v[2])});
    return true;
  }
  return false;  // a key of a later version
}

void ReadLine(FeedStates& states, std::string_view line) {
  const std::vector<std::string_view> fields = SplitTabs(line);
  if (fields[0] == "host") {
    const auto until = fields.size() == 3 ? ParseNumber<std::time_t>(fields[2]) : std::nullopt;
    if (until && !fields[1].empty()) states.hosts[std::string(fields[1])] = *until;
    return;
  }
  if ((fields[0] != "feed" && fields[0] != "page") || fields.size() < 3) return;
  auto id = ParseNumber<int>(fields[1]);
  if (!id || *id <= 0) return;
  if (fields[0] == "page") id = -*id;
  FeedState state = states.feeds.contains(*id) ? states.feeds[*id] : FeedState{};
  const std::vector<std::string_view> values(fields.begin() + 3, fields.end());
  if (ReadFeedLine(state, fields[2], values)) states.feeds[*id] = std::move(state);
}

[[noreturn]] void ThrowCannotWrite(const std::string& path) {
  throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

}  // namespace

std::string FormatFeedStates(const FeedStates& states) {
  std::string out;
  AppendLine(out, {kHeader});
  for (const auto& [host, until] : states.hosts)
    AppendLine(out, {"host", host, std::to_string(until)});
  for (const auto& [id, state] : states.feeds)
    AppendFeed(out, id, state);
  return out;
}

FeedStates ParseFeedStates(std::string_view bytes) {
  // The first line names the format and its version; it reads as no state,
  // and a later version's lines are read as far as they are known.
  FeedStates states;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ReadLine(states, line);
  }
  return states;
}

FeedStates MergeFeedStates(FeedStates stored, const FeedStates& updates,
                           const std::set<int>& listed, std::time_t now) {
  for (const auto& [id, update] : updates.feeds) {
    auto [it, added] = stored.feeds.try_emplace(id, update);
    if (!added && update.last.at >= it->second.last.at) it->second = update;
  }
  for (const auto& [host, until] : updates.hosts) {
    std::time_t& merged = stored.hosts[host];
    merged = std::max(merged, until);
  }
  std::erase_if(stored.feeds, [&](const auto& entry) { return !listed.contains(entry.first); });
  std::erase_if(stored.hosts, [&](const auto& entry) { return entry.second <= now; });
  return stored;
}

std::string FeedStateFilePath() {
  return DataDirectory() + "Feeds/state.txt";
}

FeedStates ReadFeedStates() {
  const std::string path = FeedStateFilePath();
  std::string bytes;
  if (ReadWholeFile(path, bytes) == ReadResult::kFailed)
    throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" は開けません"));
  return ParseFeedStates(bytes);
}

void SaveFeedStates(const FeedStates& updates, std::time_t now) {
  const std::string path = FeedStateFilePath();
  // The feed list and this file change together: a feed removed meanwhile
  // loses its state here, and one added meanwhile keeps what a run wrote.
  const settings::SettingsLock lock;
  std::string settingsBytes;
  if (!ProfileLoad(settings::SettingsFilePath(), settingsBytes))
    ThrowCannotWrite(settings::SettingsFilePath());
  std::set<int> listed;
  for (const settings::FeedSource& feed :
       settings::ReadFeedList(ProfileValues(std::move(settingsBytes))).feeds)
    listed.insert(feed.id);
  // A file that exists but cannot be read is never overwritten blindly.
  std::string bytes;
  if (ReadWholeFile(path, bytes) == ReadResult::kFailed) ThrowCannotWrite(path);
  FeedStates stored = ParseFeedStates(bytes);
  // The pages likewise; while their file cannot be read, their states stay.
  try {
    for (const PageSource& page : ReadPages().pages)
      listed.insert(-page.id);
  } catch (const QuilletError&) {
    for (const auto& [id, state] : stored.feeds) {
      if (id < 0) listed.insert(id);
    }
  }
  const FeedStates merged = MergeFeedStates(std::move(stored), updates, listed, now);
  if (!ForceDirectories(DirectoryOf(path)) ||
      !WriteFileAtomic(path, FormatFeedStates(merged), 0600))
    ThrowCannotWrite(path);
}

}  // namespace quillet
