#include "net/feed_fetch.h"

#include "core/headlines/feed_items.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"

namespace quillet {
namespace {

// The first sentence of a failure's explanation, for the feed list.
std::string FirstSentence(const std::string& text) {
  const std::string stop = CP932("。");
  return text.substr(0, text.find(stop));
}

}  // namespace

void FeedFetch::Start(ProgressCall progress, EndedCall ended) {
  Begin(std::move(progress), std::move(ended));
  if (aborted_) return;  // Skip or Cancel while it was shown: it is not asked for
  // Waiting, for its own failures or its host's request: not asked this time.
  // A feed with no rows kept lists nothing, as when it fails.
  if (request_.notBefore > now_)
    return EndSoon(keptRows_.empty() ? SourceOutcome::Items({}) : KeptRows());
  download_.etag = request_.etag;
  download_.lastModified = request_.lastModified;
  download_.onBodyData = [this] {
    bodyCame_ = true;
    progress_.status = CP932(" のヘッドラインを取得しています...");
    progress_.received = static_cast<int32_t>(download_.Received());
    Report();
  };
  download_.Begin(request_.url, [this] { OnReceived(); });
}

SourceOutcome FeedFetch::KeptRows() const {
  SourceOutcome outcome = SourceOutcome::Items(FeedItems(feed_, Feed{{}, keptRows_, {}}));
  outcome.unchanged = true;
  return outcome;
}

// A feed that fails ends with its message and the run goes on; one whose
// download Skip or Cancel ended has not failed. Every answer is handed on
// for what is kept of the feed.
void FeedFetch::OnReceived() {
  if (aborted_) return End({});
  if (bodyCame_) {
    progress_.status = CP932(" の取得が終了しました");
    Report();
  }
  FeedAnswer answer{request_.url,     download_.Redirects(),    download_.Status(),     {},
                    download_.ETag(), download_.LastModified(), download_.RetryAfter(), {}};
  const int status = download_.Status();
  if (!download_.Failed() && status == 304) {
    SourceOutcome outcome = KeptRows();
    outcome.feedAnswer = std::move(answer);
    return End(std::move(outcome));
  }
  if (download_.Failed() || status < 200 || status > 299) {
    const std::string reason =
        download_.Failed() ? download_.FailureText() : download_.StatusLine();
    const std::string explanation = DownloadProblemText(download_.Problem(), SourceKind::kFeed);
    SourceOutcome outcome =
        SourceOutcome::Failed(SourceFailureText(Name(), explanation, reason), true);
    answer.error = FirstSentence(explanation);
    outcome.feedAnswer = std::move(answer);
    return End(std::move(outcome));
  }
  RunWork([feed = feed_, body = std::move(download_.Body()), url = download_.FinalUrl(),
           type = download_.ContentType(), answer = std::move(answer)]() mutable {
    try {
      Feed parsed = ParseFeed(body, {url, type});
      std::string warning = parsed.warning.empty() ? "" : feed.name + ": " + parsed.warning;
      SourceOutcome outcome = SourceOutcome::Items(FeedItems(feed, parsed), std::move(warning));
      answer.items = std::move(parsed.items);
      outcome.feedAnswer = std::move(answer);
      return outcome;
    } catch (const std::exception& e) {
      const ContentProblem problem =
          body.empty() ? ContentProblem::kEmptyFeed : ContentProblem::kNotAFeed;
      const std::string explanation = ContentProblemText(problem);
      SourceOutcome outcome =
          SourceOutcome::Failed(SourceFailureText(feed.name, explanation, e.what()), false);
      answer.error = FirstSentence(explanation);
      outcome.feedAnswer = std::move(answer);
      return outcome;
    }
  });
}

}  // namespace quillet
