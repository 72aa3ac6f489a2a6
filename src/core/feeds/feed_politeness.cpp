#include "core/feeds/feed_politeness.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quillet {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 7> kLongDays = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// Reads an HTTP-date from left to right; every step fails once one has.
class DateReader {
 public:
  explicit DateReader(std::string_view text) : rest_(text) {}

  DateReader& Literal(std::string_view literal) {
    ok_ = ok_ && rest_.starts_with(literal);
    if (ok_) rest_.remove_prefix(literal.size());
    return *this;
  }
  template <size_t N>
  DateReader& OneOf(const std::array<std::string_view, N>& words, int& index) {
    for (size_t i = 0; ok_ && i < N; ++i) {
      if (rest_.starts_with(words[i])) {
        index = static_cast<int>(i);
        rest_.remove_prefix(words[i].size());
        return *this;
      }
    }
    ok_ = false;
    return *this;
  }
  DateReader& Digits(size_t count, int& value) {
    value = 0;
    for (size_t i = 0; ok_ && i < count; ++i) {
      ok_ = !rest_.empty() && rest_[0] >= '0' && rest_[0] <= '9';
      if (ok_) {
        value = value * 10 + (rest_[0] - '0');
        rest_.remove_prefix(1);
      }
    }
    return *this;
  }
  // asctime's day: two digits, or a blank and one digit.
  DateReader& PaddedDay(int& day) {
    if (ok_ && rest_.starts_with(' ')) return Literal(" ").Digits(1, day);
    return Digits(2, day);
  }
  // hh:mm:ss
  DateReader& Time(int& hour, int& minute, int& second) {
    return Digits(2, hour).Literal(":").Digits(2, minute).Literal(":").Digits(2, second);
  }
  bool Done() const { return ok_ && rest_.empty(); }

 private:
  std::string_view rest_;
  bool ok_ = true;
};

struct Civil {
  int year = 0, month = 0, day = 0;  // month from 0
  int hour = 0, minute = 0, second = 0;
};

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// The time of a valid date; a leap second counts as the next second.
std::optional<std::time_t> TimeOf(const Civil& c) {
  constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int monthDays = kMonthDays[c.month] + (c.month == 1 && IsLeapYear(c.year) ? 1 : 0);
  if (c.day < 1 || c.day > monthDays || c.hour > 23 || c.minute > 59 || c.second > 60)
    return std::nullopt;
  const std::int64_t days =
      DaysFromCivil(c.year, static_cast<unsigned>(c.month + 1), static_cast<unsigned>(c.day));
  return static_cast<std::time_t>(days * 86400 + c.hour * 3600 + c.minute * 60 + c.second);
}

int YearOf(std::time_t now) {
  std::tm parts{};
  gmtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

// A two-digit year: the year with those digits at most 50 years after now's.
int FullYear(int twoDigits, std::time_t now) {
  const int current = YearOf(now);
  int year = current - current % 100 + twoDigits;
  if (year > current + 50) year -= 100;
  if (year + 100 <= current + 50) year += 100;
  return year;
}

std::optional<std::time_t> ParseHttpDate(std::string_view text, std::time_t now) {
  Civil c;
  int dayName = 0;
  // IMF-fixdate: Sun, 06 Nov 1994 08:49:37 GMT
  DateReader imf(text);
  imf.OneOf(kDays, dayName).Literal(", ").Digits(2, c.day).Literal(" ").OneOf(kMonths, c.month);
  imf.Literal(" ").Digits(4, c.year).Literal(" ").Time(c.hour, c.minute, c.second);
  if (imf.Literal(" GMT").Done()) return TimeOf(c);
  // RFC 850: Sunday, 06-Nov-94 08:49:37 GMT
  c = {};
  DateReader rfc850(text);
  rfc850.OneOf(kLongDays, dayName).Literal(", ").Digits(2, c.day).Literal("-");
  rfc850.OneOf(kMonths, c.month).Literal("-").Digits(2, c.year).Literal(" ");
  if (rfc850.Time(c.hour, c.minute, c.second).Literal(" GMT").Done()) {
    c.year = FullYear(c.year, now);
    return TimeOf(c);
  }
  // asctime: Sun Nov  6 08:49:37 1994
  c = {};
  DateReader asctime(text);
  asctime.OneOf(kDays, dayName).Literal(" ").OneOf(kMonths, c.month).Literal(" ");
  asctime.PaddedDay(c.day)
      .Literal(" ")
      .Time(c.hour, c.minute, c.second)
      .Literal(" ")
      .Digits(4, c.year);
  if (asctime.Done()) return TimeOf(c);
  return std::nullopt;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::time_t> ParseRetryAfter(std::string_view value, std::time_t now) {
  value = TrimBlanks(value);
  if (value.empty()) return std::nullopt;
  if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // A delay beyond any ceiling stays beyond it, without overflow.
    constexpr std::time_t kFar = std::time_t{1} << 40;
    std::time_t delay = 0;
    for (const char c : value)
      delay = std::min(kFar, delay * 10 + (c - '0'));
    return now + delay;
  }
  return ParseHttpDate(value, now);
}

NextTry NextTryAfterFailure(int failures, std::optional<std::time_t> retryAfter, std::time_t now) {
  std::time_t backoff = kBackoffBase;
  for (int n = 1; n < failures && backoff < kBackoffCeiling; ++n)
    backoff *= 2;
  NextTry next{now + std::min(backoff, kBackoffCeiling), WaitReason::kBackoff};
  if (retryAfter) {
    const std::time_t asked = std::min(*retryAfter, now + kRetryAfterCeiling);
    if (asked > next.at) next = {asked, WaitReason::kRetryAfter};
  }
  return next;
}

StatusRule RuleForStatus(int status) {
  static constexpr std::pair<int, StatusRule> kRules[] = {
      {301, StatusRule::kMovedPermanently},
      {308, StatusRule::kMovedPermanently},
      {302, StatusRule::kMovedTemporarily},
      {303, StatusRule::kMovedTemporarily},
      {307, StatusRule::kMovedTemporarily},
      {304, StatusRule::kUnchanged},
      {410, StatusRule::kGone},
      {429, StatusRule::kHostBusy},
      {503, StatusRule::kHostBusy},
  };
  for (const auto& [code, rule] : kRules) {
    if (code == status) return rule;
  }
  return status >= 200 && status <= 299 ? StatusRule::kFullAnswer : StatusRule::kFailure;
}

}  // namespace quillet
