// A feed's request made from what the program keeps of it, and the answer
// recorded into it by the politeness rules (feed_politeness.h).
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/feeds/feed_state.h"
#include "core/headlines/feed.h"

namespace quillet {

// The host an answer to `url` comes from, as the host waits name it: host in
// lower case, with its port unless it is the scheme's own; "" when `url` has
// no "scheme://".
std::string RequestHost(std::string_view url);

struct FeedRequest {
  std::string url;            // a permanent redirect's target not yet taken, else the feed's
  std::string etag;           // to send as If-None-Match; "" for none
  std::string lastModified;   // to send as If-Modified-Since; "" for none
  std::time_t notBefore = 0;  // the later of the feed's wait and its host's
};

FeedRequest RequestFor(const FeedStates& states, int feedId, std::string_view feedUrl);

struct Redirect {
  int status = 0;
  std::string location;  // absolute
};

// The URL the feed has moved to for good: the last target of the redirects'
// leading run of permanent ones (A -301-> B -302-> C: B); nullopt when the
// first is not permanent.
std::optional<std::string> PermanentTarget(const std::vector<Redirect>& redirects);

struct FeedAnswer {
  std::string url;                  // the URL asked
  std::vector<Redirect> redirects;  // answered on the way, in order, one not followed too
  int status = 0;                   // the last answer's; 0 when none came
  // Why the answer cannot be used (CP932): no answer, an HTTP error, a body
  // that is no feed. Set, it makes even a 2xx a failure.
  std::string error;
  std::string etag;
  std::string lastModified;
  std::string retryAfter;       // the header's value as it came
  std::vector<FeedItem> items;  // a full answer's
};

// What the caller does beyond the state.
struct AnswerEffects {
  std::string takenUrl;     // "" or the URL to store as the feed's
  std::string switchedOff;  // "" or why the feed is to be switched off (CP932)
};

// Records the answer to the feed's request at `now` into `states`: its
// result, validators and rows, failures and next try, a host's wait, a
// permanent redirect not yet taken.
AnswerEffects RecordAnswer(FeedStates& states, int feedId, const FeedAnswer& answer,
                           std::time_t now);

}  // namespace quillet
