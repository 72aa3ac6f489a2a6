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

// A failed comparison shows the states as the file would hold them.
void PrintTo(const FeedStates& states, std::ostream* out) {
  *out << '\n' << FormatFeedStates(states);
}
void PrintTo(const FeedState& state, std::ostream* out) {
  PrintTo(FeedStates{{{1, state}}, {}}, out);
}

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
      {"Thu, 29 Feb 1996 00:00:00 GMT", 825552000},
      {"Tue, 29 Feb 2000 23:59:59 GMT", 951868799},
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
  // The century follows now: in 2090, "40" is 2140 and "41" 2041.
  constexpr std::time_t k2090 = 3786912000;  // 2090-01-01 00:00:00 UTC
  EXPECT_EQ(ParseRetryAfter("Monday, 01-Jan-40 00:00:00 GMT", k2090), 5364662400);
  EXPECT_EQ(ParseRetryAfter("Tuesday, 01-Jan-41 00:00:00 GMT", k2090), 2240611200);
}

TEST(FeedPoliteness, BackoffDoublesToADayAndALaterRetryAfterWinsUpToAWeek) {
  const std::time_t minutes[] = {15, 30, 60, 120, 240, 480, 960, 1440, 1440};
  for (int n = 1; n <= 9; ++n) {
    const NextTry next = NextTryAfterFailure(n, std::nullopt, kNow);
    EXPECT_EQ(next.at, kNow + minutes[n - 1] * kMinute) << n << " failures";
    EXPECT_EQ(next.why, WaitReason::kBackoff);
  }
  EXPECT_EQ(NextTryAfterFailure(INT_MAX, std::nullopt, kNow).at, kNow + kDay);
  const struct {
    int failures;
    std::time_t retryAfter, wait;
    WaitReason why;
  } rows[] = {
      {3, kNow + kHour + 1, kHour + 1, WaitReason::kRetryAfter},
      {3, kNow + kHour, kHour, WaitReason::kBackoff},  // not later
      {1, kNow - kDay, 15 * kMinute, WaitReason::kBackoff},
      {1, kNow + 7 * kDay, 7 * kDay, WaitReason::kRetryAfter},
      {1, kNow + 30 * kDay, 7 * kDay, WaitReason::kRetryAfter},
  };
  for (const auto& row : rows) {
    const NextTry next = NextTryAfterFailure(row.failures, row.retryAfter, kNow);
    EXPECT_EQ(next.at, kNow + row.wait) << row.retryAfter - kNow;
    EXPECT_EQ(next.why, row.why) << row.retryAfter - kNow;
  }
}

TEST(FeedPoliteness, HostsAreNamedInLowerCaseWithoutTheirSchemesOwnPort) {
  const std::pair<const char*, const char*> rows[] = {
      {"http://Example.JP/rss", "example.jp"},
      {"HTTP://example.jp:80/rss", "example.jp"},
      {"https://example.jp:443?q", "example.jp"},
      {"https://example.jp:80/", "example.jp:80"},
      {"http://example.jp:8080#x", "example.jp:8080"},
      {"https://user:p@ss@Feeds.example.jp/a@b", "feeds.example.jp"},
      {"example.jp/rss", ""},
  };
  for (const auto& [url, host] : rows)
    EXPECT_EQ(RequestHost(url), host) << url;
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
      {404, "", "", FeedResultKind::kFailed, 1, 15 * kMinute, 0, false},
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

TEST(FeedAnswer, FailuresCountUpUntilAnAnswerAndA304ShowsTheLastRowsWithItsValidators) {
  const std::string url = "http://a.example/rss";
  FeedStates states;
  EXPECT_EQ(RequestFor(states, 1, url).etag, "");
  RecordAnswer(states, 1, Full(url), kNow);
  for (int n = 1; n <= 3; ++n)
    RecordAnswer(states, 1, Status(url, 500), kNow + n);
  EXPECT_EQ(states.feeds[1].failures, 3);
  EXPECT_EQ(states.feeds[1].notBefore, kNow + 3 + kHour);
  // A 304 with a new ETag of its own: the rows of the last full answer.
  FeedAnswer unchanged = Status(url, 304);
  unchanged.etag = "\"v1b\"";
  RecordAnswer(states, 1, unchanged, kNow + 10);
  EXPECT_EQ(states.feeds[1].failures, 0);
  EXPECT_EQ(states.feeds[1].notBefore, 0);
  EXPECT_EQ(states.feeds[1].rows, kRows);
  EXPECT_EQ(RequestFor(states, 1, url).etag, "\"v1b\"");
  EXPECT_EQ(RequestFor(states, 1, url).lastModified, "Mon, 07 Dec 2026 11:00:00 GMT");
  // The feed's URL edited: the old validators are not sent to the new one.
  EXPECT_EQ(RequestFor(states, 1, "http://a.example/new").etag, "");
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
  {  // The remembered URL failed too: forgotten, the feed's own asked again.
    FeedStates states;
    RecordAnswer(states, 1, via(Status(a, 0), {{301, b}}), kNow);
    RecordAnswer(states, 1, Status(b, 404), kNow + 1);
    EXPECT_EQ(RequestFor(states, 1, a).url, a);
    EXPECT_EQ(states.feeds[1].failures, 2);
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
  // A control character in a value never splits its line or fields.
  FeedStates states;
  states.feeds[1].rows = {{"a\tb\r\nc", "http://x/\x7f", "\x01"}};
  EXPECT_EQ(FormatFeedStates(states),
            "QuilletFeedState 1\r\nfeed\t1\titem\ta b  c\thttp://x/ \t \r\n");
}

// Each broken or unknown line put into the sample: passed over, the rest read.
TEST(FeedStateFile, ALineThatDoesNotReadIsPassedOverAndTheRestKept) {
  // Among them keys of a later version, for a feed the file has nothing else of too.
  // clang-format off
  const char* lines[] = {
      "garbage", "host\ta.example", "host\tc.example\t-5", "feed\t3", "feed\t0\tetag\t\"e\"",
      "feed\t99999999999\tetag\t\"e\"", "feed\t3\tetag\t\"a\"\t\"b\"",
      "feed\t3\tresult\tfetched\t1796644800\t5 ", "feed\t3\tresult\tlost\t1796644800\t2",
      "feed\t12\tfailures\t7x", "feed\t12\twait\t1796652000\tlater",
      "feed\t12\tmoved\thttp://c.example/\t", "feed\t12\ttook\tthen\thttp://x/",
      "feed\t3\titem\ttitle\tlink", "feed\t5\tcolour\tblue"};
  // clang-format on
  const size_t feedEnd = kSampleText.find("feed\t12");
  for (const char* line : lines) {
    for (const size_t at : {feedEnd, kSampleText.size()}) {
      SCOPED_TRACE(testing::Message() << '"' << line << "\" at " << at);
      std::string text = kSampleText;
      text.insert(at, std::string(line) + "\r\n");
      EXPECT_EQ(ParseFeedStates(text), SampleStates());
    }
  }
  // Lines may end in LF alone; a file without its first line, or one of a
  // later version, is read all the same.
  std::string bare = kSampleText;
  std::erase(bare, '\r');
  EXPECT_EQ(ParseFeedStates(bare), SampleStates());
  EXPECT_EQ(
      ParseFeedStates("QuilletFeedState 2\r\n" + kSampleText.substr(kSampleText.find("host"))),
      SampleStates());
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
