#include "net/feed_fetch.h"

#include "core/headlines/feed_items.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"

namespace quillet {

void FeedFetch::Start(ProgressCall progress, EndedCall ended) {
  Begin(std::move(progress), std::move(ended));
  if (aborted_) return;  // Skip or Cancel while it was shown: it is not asked for
  download_.onBodyData = [this] {
    bodyCame_ = true;
    progress_.status = CP932(" のヘッドラインを取得しています...");
    progress_.received = static_cast<int32_t>(download_.Received());
    Report();
  };
  download_.Begin(feed_.url, [this] { OnReceived(); });
}

// A feed that fails ends with its message and the run goes on; one whose
// download Skip or Cancel ended has not failed.
void FeedFetch::OnReceived() {
  if (aborted_) return End({});
  if (bodyCame_) {
    progress_.status = CP932(" の取得が終了しました");
    Report();
  }
  const int status = download_.Status();
  if (download_.Failed() || status < 200 || status > 299) {
    const std::string reason =
        download_.Failed() ? download_.FailureText() : download_.StatusLine();
    return End(SourceOutcome::Failed(
        SourceFailureText(Name(), DownloadProblemText(download_.Problem(), SourceKind::kFeed),
                          reason),
        true));
  }
  RunWork([feed = feed_, body = std::move(download_.Body()), url = download_.FinalUrl(),
           type = download_.ContentType()] {
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
