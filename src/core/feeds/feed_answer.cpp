#include "core/feeds/feed_answer.h"

#include <algorithm>

#include "core/feeds/feed_politeness.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// Enough to reach every ceiling; a count in the file is never raised past it.
constexpr int kMaxCountedFailures = 1000;

}  // namespace

std::string RequestHost(std::string_view url) {
  const size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) return {};
  std::string scheme = Cp932Lower(url.substr(0, schemeEnd));
  std::string_view authority = url.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  authority.remove_prefix(authority.rfind('@') + 1);  // npos + 1 == 0
  std::string host = Cp932Lower(authority);
  const std::string_view ownPort = scheme == "https" ? ":443" : scheme == "http" ? ":80" : "";
  if (!ownPort.empty() && host.ends_with(ownPort)) host.resize(host.size() - ownPort.size());
  return host;
}

FeedRequest RequestFor(const FeedStates& states, int feedId, std::string_view feedUrl) {
  FeedRequest request{std::string(feedUrl), {}, {}, 0};
  const auto feed = states.feeds.find(feedId);
  if (feed != states.feeds.end()) {
    const FeedState& s = feed->second;
    if (!s.movedTo.empty() && s.movedFrom == feedUrl) request.url = s.movedTo;
    if (s.url == request.url) {
      request.etag = s.etag;
      request.lastModified = s.lastModified;
    }
    request.notBefore = s.notBefore;
  }
  if (const auto host = states.hosts.find(RequestHost(request.url)); host != states.hosts.end())
    request.notBefore = std::max(request.notBefore, host->second);
  return request;
}

std::optional<std::string> PermanentTarget(const std::vector<Redirect>& redirects) {
  std::optional<std::string> target;
  for (const Redirect& redirect : redirects) {
    if (RuleForStatus(redirect.status) != StatusRule::kMovedPermanently) break;
    target = redirect.location;
  }
  return target;
}

AnswerEffects RecordAnswer(FeedStates& states, int feedId, const FeedAnswer& answer,
                           std::time_t now) {
  FeedState& s = states.feeds[feedId];
  AnswerEffects effects;
  StatusRule rule = answer.status == 0 ? StatusRule::kFailure : RuleForStatus(answer.status);
  if (rule == StatusRule::kFullAnswer && !answer.error.empty()) rule = StatusRule::kFailure;
  const bool askedMoved = !s.movedTo.empty() && answer.url == s.movedTo;
  const std::optional<std::string> target = PermanentTarget(answer.redirects);

  if (rule == StatusRule::kFullAnswer || rule == StatusRule::kUnchanged) {
    // The new URL answered: the feed takes it.
    effects.takenUrl = target ? *target : askedMoved ? s.movedTo : std::string();
    if (!effects.takenUrl.empty()) {
      s.tookFrom = askedMoved ? s.movedFrom : answer.url;
      s.tookAt = now;
    }
    s.movedFrom.clear();
    s.movedTo.clear();
    s.failures = 0;
    s.notBefore = 0;
    s.waitReason = WaitReason::kBackoff;
    const std::string& asked = effects.takenUrl.empty() ? answer.url : effects.takenUrl;
    if (rule == StatusRule::kFullAnswer) {
      s.url = asked;
      s.etag = answer.etag;
      s.lastModified = answer.lastModified;
      s.rows = answer.items;
      s.last = {FeedResultKind::kFetched, now, answer.items.size(), {}};
    } else {
      // A 304 may bring validators of its own.
      if (!answer.etag.empty()) s.etag = answer.etag;
      if (!answer.lastModified.empty()) s.lastModified = answer.lastModified;
      if (s.url == answer.url) s.url = asked;
      s.last = {FeedResultKind::kUnchanged, now, s.rows.size(), {}};
    }
    return effects;
  }

  std::string error = answer.error;
  if (error.empty()) error = "HTTP " + std::to_string(answer.status);
  s.last = {FeedResultKind::kFailed, now, 0, error};
  s.failures = std::min(s.failures, kMaxCountedFailures - 1) + 1;
  // A remembered target that fails is forgotten: the next try asks the
  // feed's own URL again. One first seen here is remembered.
  const std::string from = askedMoved ? s.movedFrom : answer.url;
  if (askedMoved) {
    s.movedFrom.clear();
    s.movedTo.clear();
  }
  if (target) {
    s.movedFrom = from;
    s.movedTo = *target;
  }

  if (rule == StatusRule::kGone) {
    s.notBefore = 0;
    effects.switchedOff = CP932(
        "サーバーがこのフィードは無くなったと答えました (410 Gone)。"
        "フィードを無効にします");
    return effects;
  }
  const NextTry next =
      NextTryAfterFailure(s.failures, ParseRetryAfter(answer.retryAfter, now), now);
  s.notBefore = next.at;
  s.waitReason = next.why;
  if (rule == StatusRule::kHostBusy) {
    const std::string& answered =
        answer.redirects.empty() ? answer.url : answer.redirects.back().location;
    std::time_t& until = states.hosts[RequestHost(answered)];
    until = std::max(until, next.at);
  }
  return effects;
}

}  // namespace quillet
