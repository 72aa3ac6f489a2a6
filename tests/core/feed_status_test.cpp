// A feed's state as the feed list shows it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/feeds/feed_status.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

using enum FeedResultKind;
constexpr std::time_t kNow = 1796644800;  // 2026-12-07 21:00 in Japan
constexpr std::time_t kMinute = 60;
constexpr std::time_t kDay = 24 * 60 * kMinute;
constexpr const char* kUrl = "http://a.test/rss";
const FeedResult kFetched20{kFetched, kNow - 30 * kMinute, 20, {}};
const FeedResult kFailed500{kFailed, kNow, 0, "HTTP 500"};

TEST(FeedStatus, ResultWaitAndMovesInOneLine) {
  // The times are read in Japan's zone, whatever the machine's.
  const char* savedZone = std::getenv("TZ");
  const std::string saved = savedZone ? savedZone : "";
  setenv("TZ", "JST-9", 1);
  tzset();
  const struct {
    void (*set)(FeedState&);
    std::time_t hostWait;  // of a.test; 0: none
    const char* text;
  } rows[] = {
      {[](FeedState&) {}, 0, "未取得"},
      {[](FeedState& s) { s.last = kFetched20; }, 0, "20:30 に取得 (20 件)"},
      {[](FeedState& s) {
         s.last = {kUnchanged, kNow, 7, {}};
       },
       0, "21:00 に確認、変更なし (304)"},
      {[](FeedState& s) {
         s.last = {kFetched, kNow - 365 * kDay, 0, {}};
       },
       0, "2025/12/07 21:00 に取得 (0 件)"},
      // A wait over is not told; one past midnight has its date.
      {[](FeedState& s) {
         s.last = {kFailed, kNow - kDay, 0, "HTTP 503"}, s.notBefore = kNow;
       },
       0, "12/06 21:00 に失敗: HTTP 503"},
      {[](FeedState& s) { s.last = kFailed500, s.notBefore = kNow + 120 * kMinute; }, 0,
       "21:00 に失敗: HTTP 500、23:00 まで待機"},
      {[](FeedState& s) {
         s.last = kFailed500, s.notBefore = kNow + 195 * kMinute;
         s.waitReason = WaitReason::kRetryAfter;
       },
       0, "21:00 に失敗: HTTP 500、12/08 00:15 まで待機 (サーバーの指示)"},
      // The host's longer wait is the feed's; the server's word was for the shorter one.
      {[](FeedState& s) {
         s.notBefore = kNow + kMinute;
         s.waitReason = WaitReason::kRetryAfter;
       },
       kNow + 60 * kMinute, "未取得、22:00 まで待機"},
      {[](FeedState& s) {
         s.last = {kFailed, kNow, 0, "a\tb\r\nc"};
       },
       0, "21:00 に失敗: a b  c"},
      // A move taken is told for a week; one pending, while the feed has the URL it left.
      {[](FeedState& s) {
         s.last = kFetched20, s.tookFrom = "http://o/", s.tookAt = kNow - 6 * kDay;
       },
       0, "20:30 に取得 (20 件)、URL を移転先に変更 (元 http://o/)"},
      {[](FeedState& s) {
         s.last = kFetched20, s.tookFrom = "http://o/", s.tookAt = kNow - 7 * kDay;
       },
       0, "20:30 に取得 (20 件)"},
      {[](FeedState& s) { s.last = kFailed500, s.movedFrom = kUrl, s.movedTo = "http://b/"; }, 0,
       "21:00 に失敗: HTTP 500、移転先 http://b/ を確認中"},
      {[](FeedState& s) {
         s.last = kFetched20, s.movedFrom = "http://o/", s.movedTo = "http://b/";
       },
       0, "20:30 に取得 (20 件)"},
  };
  for (const auto& row : rows) {
    FeedStates states;
    row.set(states.feeds[3]);
    if (row.hostWait != 0) states.hosts["a.test"] = row.hostWait;
    EXPECT_EQ(Cp932ToUtf8(FeedStatusText(states, 3, kUrl, kNow)), row.text);
  }
  savedZone ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace quillet
