#include "core/feeds/feed_status.h"

#include <cstdio>

#include "core/feeds/feed_answer.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// How long the list tells that a feed took a permanent redirect's target.
constexpr std::time_t kTookShownFor = 7 * 24 * 60 * 60;

// "13:15" on the day of `now`, "12/09 13:15" on another day of its year,
// "2025/12/09 13:15" in another year.
std::string LocalTime(std::time_t at, std::time_t now) {
  std::tm when{};
  std::tm today{};
  localtime_r(&at, &when);
  localtime_r(&now, &today);
  char text[64];
  if (when.tm_year != today.tm_year) {
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", when.tm_year + 1900,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min);
  } else if (when.tm_yday != today.tm_yday) {
    std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", when.tm_mon + 1, when.tm_mday,
                  when.tm_hour, when.tm_min);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", when.tm_hour, when.tm_min);
  }
  return text;
}

std::string ResultText(const FeedResult& last, std::time_t now) {
  switch (last.kind) {
    case FeedResultKind::kNone:
      break;
    case FeedResultKind::kFetched:
      return LocalTime(last.at, now) + CP932(" に取得 (") + std::to_string(last.itemCount) +
             CP932(" 件)");
    case FeedResultKind::kUnchanged:
      return LocalTime(last.at, now) + CP932(" に確認、変更なし (304)");
    case FeedResultKind::kFailed:
      return LocalTime(last.at, now) + CP932(" に失敗") +
             (last.error.empty() ? "" : ": " + last.error);
  }
  return CP932("未取得");
}

}  // namespace

std::string FeedStatusText(const FeedStates& states, int feedId, std::string_view feedUrl,
                           std::time_t now) {
  const auto found = states.feeds.find(feedId);
  const FeedState none;
  const FeedState& s = found == states.feeds.end() ? none : found->second;
  std::string text = ResultText(s.last, now);
  // The host's wait counts as the feed's own: the run asks neither earlier.
  const FeedRequest request = RequestFor(states, feedId, feedUrl);
  if (request.notBefore > now) {
    text += CP932("、") + LocalTime(request.notBefore, now) + CP932(" まで待機");
    if (s.notBefore == request.notBefore && s.waitReason == WaitReason::kRetryAfter)
      text += CP932(" (サーバーの指示)");
  }
  if (!s.tookFrom.empty() && now - s.tookAt < kTookShownFor)
    text += CP932("、URL を移転先に変更 (元 ") + s.tookFrom + ")";
  if (!s.movedTo.empty() && s.movedFrom == feedUrl)
    text += CP932("、移転先 ") + s.movedTo + CP932(" を確認中");
  // A control character would break the list's line or the terminal's columns.
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = ' ';
  }
  return text;
}

}  // namespace quillet
