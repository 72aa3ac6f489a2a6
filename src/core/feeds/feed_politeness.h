// The rules that keep the feeds' patrol polite: when a server asked to be
// left alone (Retry-After), how long a failing feed waits, and what each HTTP
// status means for a feed. Pure functions of their arguments.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/feeds/feed_state.h"

namespace quillet {

// The first wait after a failure, doubled with each further one up to the
// ceiling; a server's Retry-After counts up to its own ceiling.
inline constexpr std::time_t kBackoffBase = 15 * 60;
inline constexpr std::time_t kBackoffCeiling = 24 * 60 * 60;
inline constexpr std::time_t kRetryAfterCeiling = 7 * 24 * 60 * 60;

// The time a Retry-After value names: `now` plus delta-seconds, or an
// HTTP-date in any of its three forms (IMF-fixdate "Sun, 06 Nov 1994 08:49:37
// GMT", the obsolete "Sunday, 06-Nov-94 08:49:37 GMT", whose year is the one
// not more than 50 years after `now`, and asctime's "Sun Nov  6 08:49:37
// 1994"), blanks around it allowed. Anything else, an impossible date
// included: nullopt. A date may lie before `now`.
std::optional<std::time_t> ParseRetryAfter(std::string_view value, std::time_t now);

struct NextTry {
  std::time_t at = 0;
  WaitReason why = WaitReason::kBackoff;
};

// When a feed that failed `failures` times in a row (1 or more) is asked
// again: kBackoffBase after the first failure, twice as long after each
// further one, never more than kBackoffCeiling; a Retry-After later than
// that wins, though never more than kRetryAfterCeiling after `now`.
NextTry NextTryAfterFailure(int failures, std::optional<std::time_t> retryAfter, std::time_t now);

// What an answer's status means for the feed.
enum class StatusRule {
  kFullAnswer,        // 2xx: the body is the feed
  kUnchanged,         // 304: the last full answer's rows again, none new
  kMovedPermanently,  // 301, 308: followed; the new URL is taken once it answers
  kMovedTemporarily,  // 302, 303, 307: followed; nothing remembered
  kGone,              // 410: the feed is switched off
  kHostBusy,          // 429, 503: the whole host is left alone for a while
  kFailure,           // anything else: a failure, tried again after a wait
};

StatusRule RuleForStatus(int status);

}  // namespace quillet
