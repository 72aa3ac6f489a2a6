// What the program keeps of each feed between runs, its file, and the rules
// that decide when a feed or a host is asked again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "core/feeds/feed_answer.h"
#include "core/feeds/feed_politeness.h"
#include "core/feeds/feed_state.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/settings_edits.h"
#include "support/temp_home.h"

namespace quillet {

namespace {

constexpr std::time_t kNow = 1796644800;  // 2026-12-07 12:00:00 UTC
constexpr std::time_t kMinute = 60;
constexpr std::time_t kHour = 60 * kMinute;
constexpr std::time_t kDay = 24 * kHour;

TEST(FeedPoliteness, RetryAfterIsSecondsOrAnHttpDateInAnyOfItsThreeForms) {
  constexpr std::time_t k1994 = 784111777;  // 1994-11-06 08:49:37 UTC
  const struct {
    const char* value;
    std::optional<std::time_t> at;
  } rows[] = {
      {"120", kNow + 120},
      {" \t 30 \t", kNow + 30},
      {"99999999999999999999999", kNow + (std::time_t{1} << 40)},  // beyond every ceiling
      {"Sun, 06 Nov 1994 08:49:37 GMT", k1994},
      {"Sunday, 06-Nov-94 08:49:37 GMT", k1994},
      {"Sun Nov  6 08:49:37 1994", k1994},
      {"Wed, 01 Mar 2000 00:00:00 GMT", 951868800},
      {"Mon, 07 Dec 2026 12:00:60 GMT", kNow + 60},  // a leap second
      // Two digits: the year at most 50 years after now's.
      {"Monday, 07-Dec-76 00:00:00 GMT", 3374524800},
      {"Saturday, 01-Jan-77 00:00:00 GMT", 220924800},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ParseRetryAfter(row.value, kNow), row.at) << '"' << row.value << '"';
  // Garbage, impossible dates among it; the long form takes the long day name.
  // clang-format off
  const char* garbage[] = {
      "", "-5", "1.5", "12 s", "soon", "Sun, 31 Nov 1994 08:49:37 GMT",
      "Wed, 29 Feb 1995 08:49:37 GMT", "Thu, 29 Feb 1900 08:49:37 GMT",
      "Sun, 06 Nov 1994 24:00:00 GMT", "Sun, 06 Nov 1994 08:49:37 UTC",
      "Sun, 06 Nov 1994 08:49:37 GMT x", "Sun, 06 nov 1994 08:49:37 GMT", "Sun, 06-Nov-94 08:49:37 GMT",
      "Sunday, 06-Nov-1994 08:49:37 GMT", "Sun Nov 6 08:49:37 1994"};
  // clang-format on
  for (const char* value : garbage)
    EXPECT_EQ(ParseRetryAfter(value, kNow), std::nullopt) << '"' << value << '"';
}

TEST(FeedPoliteness, BackoffDoublesToADayAndALaterRetryAfterWinsUpToAWeek) {
  const std::time_t minutes[] = {15, 30, 60, 120, 240, 480, 960, 1440, 1440};
  for (int n = 1; n <= 9; ++n) {
    const NextTry next = NextTryAfterFailure(n, std::nullopt, kNow);
    EXPECT_EQ(next.at, kNow + minutes[n - 1] * kMinute) << n << " failures";
    EXPECT_EQ(next.why, WaitReason::kBackoff);
  }
  EXPECT_EQ(NextTryAfterFailure(INT_MAX, std::nullopt, kNow).at, kNow + kDay);
  // A later Retry-After wins, up to a week; an earlier one does not.
  EXPECT_EQ(NextTryAfterFailure(3, kNow + kHour + 1, kNow).why, WaitReason::kRetryAfter);
  EXPECT_EQ(NextTryAfterFailure(3, kNow + kHour, kNow).why, WaitReason::kBackoff);
  EXPECT_EQ(NextTryAfterFailure(1, kNow + 30 * kDay, kNow).at, kNow + 7 * kDay);
}

const std::vector<FeedItem> kRows = {{CP932("見出し1"), "http://a.example/1", CP932("経済")},
                                     {CP932("見出し2"), "http://a.example/2", ""}};

FeedAnswer Full(std::string url, std::string etag = "\"v1\"") {
  FeedAnswer answer;
  answer.url = std::move(url);
  answer.status = 200;
  answer.etag = std::move(etag);
  answer.lastModified = "Mon, 07 Dec 2026 11:00:00 GMT";
  answer.items = kRows;
  return answer;
}

FeedAnswer Status(std::string url, int status, std::string retryAfter = "") {
  FeedAnswer answer;
  answer.url = std::move(url);
  answer.status = status;
  answer.retryAfter = std::move(retryAfter);
  return answer;
}

// Each status in turn after a full answer: what the feed keeps, when it and
// its host are asked again, what the caller is told to do.
TEST(FeedAnswer, EachStatusLeavesItsResultWaitsAndEffects) {
  const std::string url = "http://a.example/rss";
  const struct {
    int status;
    std::string error;
    std::string retryAfter;
    FeedResultKind kind;
    int failures;
    std::time_t feedWait;  // after kNow; 0: none
    std::time_t hostWait;
    bool switchedOff;
  } rows[] = {
      {304, "", "", FeedResultKind::kUnchanged, 0, 0, 0, false},
      {200, "", "", FeedResultKind::kFetched, 0, 0, 0, false},
      {200, CP932("XML が壊れています"), "", FeedResultKind::kFailed, 1, 15 * kMinute, 0, false},
      {0, CP932("接続できません"), "", FeedResultKind::kFailed, 1, 15 * kMinute, 0, false},
      {500, "", "3600", FeedResultKind::kFailed, 1, kHour, 0, false},
      {503, "", "", FeedResultKind::kFailed, 1, 15 * kMinute, 15 * kMinute, false},
      {503, "", "7200", FeedResultKind::kFailed, 1, 2 * kHour, 2 * kHour, false},
      {429, "", "Mon, 07 Dec 2026 13:00:00 GMT", FeedResultKind::kFailed, 1, kHour, kHour, false},
      {410, "", "", FeedResultKind::kFailed, 1, 0, 0, true},
      {302, "", "", FeedResultKind::kFailed, 1, 15 * kMinute, 0, false},  // not followed
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.status << " " << row.error);
    FeedStates states;
    RecordAnswer(states, 7, Full(url), kNow - kHour);
    FeedAnswer answer = row.status == 200 ? Full(url, "\"v2\"") : Status(url, row.status);
    answer.retryAfter = row.retryAfter;
    answer.error = row.error;
    const AnswerEffects effects = RecordAnswer(states, 7, answer, kNow);
    const FeedState& s = states.feeds.at(7);
    EXPECT_EQ(s.last.kind, row.kind);
    EXPECT_EQ(s.last.at, kNow);
    EXPECT_EQ(s.failures, row.failures);
    EXPECT_EQ(s.notBefore, row.feedWait == 0 ? 0 : kNow + row.feedWait);
    EXPECT_EQ(RequestFor(states, 7, url).notBefore, s.notBefore);
    // Another feed of the host waits as long as the host asked.
    EXPECT_EQ(RequestFor(states, 8, "http://A.example:80/other").notBefore,
              row.hostWait == 0 ? 0 : kNow + row.hostWait);
    EXPECT_EQ(RequestFor(states, 8, "http://b.example/other").notBefore, 0);
    EXPECT_EQ(!effects.switchedOff.empty(), row.switchedOff);
    EXPECT_EQ(effects.takenUrl, "");
    // The last full answer's rows and validators stay through everything.
    EXPECT_EQ(s.rows, kRows);
    EXPECT_EQ(s.etag, row.kind == FeedResultKind::kFetched ? "\"v2\"" : "\"v1\"");
    if (row.kind == FeedResultKind::kFailed) {
      EXPECT_EQ(s.last.error, row.error.empty() ? "HTTP " + std::to_string(row.status) : row.error);
    } else {
      EXPECT_EQ(s.last.itemCount, 2u);
    }
  }
}

TEST(FeedAnswer, APermanentRedirectIsTakenOnceTheNewUrlAnswers) {
  const std::string a = "http://a.example/rss", b = "https://b.example/rss",
                    c = "http://c.example/rss";
  const auto via = [](FeedAnswer answer, std::vector<Redirect> redirects) {
    answer.redirects = std::move(redirects);
    return answer;
  };
  {  // Followed and answered at once.
    FeedStates states;
    EXPECT_EQ(RecordAnswer(states, 1, via(Full(a), {{301, b}}), kNow).takenUrl, b);
    EXPECT_EQ(RequestFor(states, 1, b).etag, "\"v1\"");
    EXPECT_EQ(states.feeds[1].tookFrom, a);
    EXPECT_EQ(RecordAnswer(states, 1, via(Status(a, 304), {{308, b}, {301, c}}), kNow).takenUrl, c);
    // A temporary redirect first: the feed stays; its validators are the URL asked's.
    EXPECT_EQ(RecordAnswer(states, 2, via(Full(a), {{302, b}, {301, c}}), kNow).takenUrl, "");
    EXPECT_EQ(RecordAnswer(states, 2, via(Full(a), {{307, c}}), kNow).takenUrl, "");
    EXPECT_EQ(RequestFor(states, 2, a).etag, "\"v1\"");
    EXPECT_EQ(RequestFor(states, 2, c).etag, "");
  }
  {  // The new URL failed: remembered, asked next, taken when it answers.
    FeedStates states;
    RecordAnswer(states, 1, Full(a), kNow);
    EXPECT_EQ(RecordAnswer(states, 1, via(Status(a, 500), {{301, b}}), kNow).takenUrl, "");
    FeedRequest request = RequestFor(states, 1, a);
    EXPECT_EQ(request.url, b);
    EXPECT_EQ(request.etag, "");  // a's validators are not b's
    // Not a redirect of the feed's URL as it stands now.
    EXPECT_EQ(RequestFor(states, 1, c).url, c);
    EXPECT_EQ(RecordAnswer(states, 1, Full(b), kNow + 1).takenUrl, b);
    EXPECT_EQ(RequestFor(states, 1, b).etag, "\"v1\"");
    EXPECT_EQ(states.feeds[1].movedTo, "");
  }
}

// Every field written, and read back the same.
FeedStates SampleStates() {
  FeedStates states;
  states.hosts["a.example"] = kNow + kHour;
  states.hosts["b.example:8080"] = kNow + 2 * kHour;
  FeedState& one = states.feeds[3];
  one.url = "http://a.example/rss";
  one.etag = "W/\"x y\"";
  one.lastModified = "Mon, 07 Dec 2026 11:00:00 GMT";
  one.rows = kRows;
  one.last = {FeedResultKind::kFetched, kNow, 2, ""};
  FeedState& two = states.feeds[12];
  two.last = {FeedResultKind::kFailed, kNow, 0, CP932("接続できません: 時間切れ")};
  two.failures = 2;
  two.notBefore = kNow + 7200;
  two.waitReason = WaitReason::kRetryAfter;
  two.movedFrom = "http://c.example/";
  two.movedTo = "https://c.example/feed";
  two.tookFrom = "http://old.example/";
  two.tookAt = kNow - kDay;
  FeedState& three = states.feeds[20];
  three.url = "http://d.example/";
  three.last = {FeedResultKind::kUnchanged, kNow, 0, ""};
  three.notBefore = kNow + 60;
  return states;
}

const std::string kSampleText = CP932(
    "QuilletFeedState 1\r\n"
    "host\ta.example\t1796648400\r\n"
    "host\tb.example:8080\t1796652000\r\n"
    "feed\t3\turl\thttp://a.example/rss\r\n"
    "feed\t3\tetag\tW/\"x y\"\r\n"
    "feed\t3\tmodified\tMon, 07 Dec 2026 11:00:00 GMT\r\n"
    "feed\t3\tresult\tfetched\t1796644800\t2\r\n"
    "feed\t3\titem\t見出し1\thttp://a.example/1\t経済\r\n"
    "feed\t3\titem\t見出し2\thttp://a.example/2\t\r\n"
    "feed\t12\tresult\tfailed\t1796644800\t接続できません: 時間切れ\r\n"
    "feed\t12\tfailures\t2\r\n"
    "feed\t12\twait\t1796652000\tretry-after\r\n"
    "feed\t12\tmoved\thttp://c.example/\thttps://c.example/feed\r\n"
    "feed\t12\ttook\t1796558400\thttp://old.example/\r\n"
    "feed\t20\turl\thttp://d.example/\r\n"
    "feed\t20\tresult\tunchanged\t1796644800\t0\r\n"
    "feed\t20\twait\t1796644860\tbackoff\r\n");

TEST(FeedStateFile, EveryFieldIsWrittenAndReadBackByteForByte) {
  EXPECT_EQ(FormatFeedStates(SampleStates()), kSampleText);
  EXPECT_EQ(ParseFeedStates(kSampleText), SampleStates());
  EXPECT_EQ(FormatFeedStates({}), "QuilletFeedState 1\r\n");
}

class FeedStateSave : public testing::Test {
 protected:
  void SetUp() override {
    feeds_ = test::PutFeeds({{0, "A", "http://a.example/rss", true},
                             {0, "B", "http://b.example/rss", true},
                             {0, "C", "http://c.example/rss", true}});
  }
  std::string Text() const { return test::ReadBytes(FeedStateFilePath()); }
  bool Refused(const FeedStates& updates) const {
    try {
      SaveFeedStates(updates, kNow);
    } catch (const QuilletError& e) {
      return Cp932ToUtf8(e.what()).ends_with(" に書き込めません");
    }
    return false;
  }

  test::TempHome home_;
  std::vector<settings::FeedSource> feeds_;
};

// Two runs that read the file before either wrote keep each other's feeds and
// the later result of one; feeds no longer listed and waits over are dropped;
// what cannot be read or written is an error that loses nothing.
TEST_F(FeedStateSave, RunsMergeUnderTheLockAndAFileThatCannotBeWrittenStaysAsItWas) {
  EXPECT_EQ(ReadFeedStates(), FeedStates{});
  FeedStates first, second;
  RecordAnswer(first, 1, Full(feeds_[0].url), kNow);
  RecordAnswer(first, 2, Status(feeds_[1].url, 503, "600"), kNow + 20);
  RecordAnswer(first, 99, Full("http://gone.example/"), kNow);  // never listed
  RecordAnswer(second, 2, Full(feeds_[1].url), kNow + 10);
  RecordAnswer(second, 3, Status(feeds_[2].url, 429, "60"), kNow + 10);
  SaveFeedStates(second, kNow + 30);
  SaveFeedStates(first, kNow + 30);
  SaveFeedStates(second, kNow + 40);  // an older result saved later undoes nothing
  FeedStates stored = ReadFeedStates();
  EXPECT_EQ(stored.feeds, (std::map<int, FeedState>{
                              {1, first.feeds[1]}, {2, first.feeds[2]}, {3, second.feeds[3]}}));
  EXPECT_EQ(stored.hosts, (std::map<std::string, std::time_t>{{"b.example", kNow + 20 + 900},
                                                              {"c.example", kNow + 10 + 900}}));
  EXPECT_EQ(Text(), FormatFeedStates(stored));
  EXPECT_EQ(
      std::filesystem::status(FeedStateFilePath()).permissions() & std::filesystem::perms::all,
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  test::PutFeeds({feeds_[0], feeds_[2]});
  const std::string before = Text();
  chmod(FeedStateFilePath().c_str(), 0444);
  EXPECT_TRUE(Refused({}));
  EXPECT_EQ(Text(), before);
  chmod(FeedStateFilePath().c_str(), 0600);
  // A folder in place of the file cannot be read: not written over.
  std::filesystem::rename(FeedStateFilePath(), home_.Path("saved"));
  ForceDirectories(FeedStateFilePath());
  EXPECT_TRUE(Refused({}));
  EXPECT_THROW(ReadFeedStates(), QuilletError);
  std::filesystem::remove(FeedStateFilePath());
  std::filesystem::rename(home_.Path("saved"), FeedStateFilePath());
  SaveFeedStates({}, kNow + 30 * kMinute);
  stored = ReadFeedStates();
  EXPECT_EQ(stored.feeds.size(), 2u);
  EXPECT_FALSE(stored.feeds.contains(2));
  EXPECT_TRUE(stored.hosts.empty());
}

}  // namespace
}  // namespace quillet
