#include "net/feed_fetch.h"

#include "core/headlines/feed_items.h"
#include "net/feed_parser.h"

namespace quillet {
namespace {

// "404 Not Found": the status of an answer that holds no feed.
std::string StatusFailure(const HttpClient& client) {
  const std::string& text = client.ResponseText();
  return std::to_string(client.ResponseCode()) + (text.empty() ? "" : " " + text);
}

}  // namespace

void FeedFetch::Start(ProgressCall progress, EndedCall ended) {
  Begin(feed_.url, std::move(progress), std::move(ended));
  http_.maxDocumentSize = static_cast<int64_t>(kMaxFeedBytes);
  http_.BeginGet([this] { OnReceived(); });
}

// A feed that fails ends with its message and the run goes on; one whose
// download Skip or Cancel ended has not failed.
void FeedFetch::OnReceived() {
  if (aborted_) return End({});
  const int status = http_.ResponseCode();
  if (http_.Failed() || status < 200 || status > 299) {
    const std::string reason = http_.Failed() ? http_.ResponseText() : StatusFailure(http_);
    return End(SourceOutcome::Failed(
        SourceFailureText(Name(), DownloadProblemText(http_, SourceKind::kFeed), reason), true));
  }
  RunWork([feed = feed_, body = std::move(body_), url = http_.DocumentUrl(),
           type = http_.DocumentType()] {
    try {
      const Feed parsed = ParseFeed(body, {url, type});
      std::string warning = parsed.warning.empty() ? "" : feed.name + ": " + parsed.warning;
      return SourceOutcome::Items(FeedItems(feed, parsed), std::move(warning));
    } catch (const std::exception& e) {
      const ContentProblem problem =
          body.empty() ? ContentProblem::kEmptyFeed : ContentProblem::kNotAFeed;
      return SourceOutcome::Failed(
          SourceFailureText(feed.name, ContentProblemText(problem), e.what()), false);
    }
  });
}

}  // namespace quillet
