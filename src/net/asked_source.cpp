#include "net/asked_source.h"

#include "core/text/text_codec.h"

namespace quillet {

std::string FirstSentence(const std::string& text) {
  const std::string stop = CP932("。");
  return text.substr(0, text.find(stop));
}

void AskedSource::Start(ProgressCall progress, EndedCall ended) {
  Begin(std::move(progress), std::move(ended));
  if (aborted_) return;  // Skip or Cancel while it was shown: it is not asked for
  // Waiting, for its own failures or its host's request: not asked this time.
  // One with no rows kept lists nothing, as when it fails.
  if (request_.notBefore > now_) return EndSoon(rowsKept_ ? KeptRows() : SourceOutcome::Items({}));
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

// A source that fails ends with its message and the run goes on; one whose
// download Skip or Cancel ended has not failed.
void AskedSource::OnReceived() {
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
    const std::string explanation = DownloadProblemText(download_.Problem(), Kind());
    SourceOutcome outcome =
        SourceOutcome::Failed(SourceFailureText(Name(), explanation, reason), true);
    answer.error = FirstSentence(explanation);
    outcome.feedAnswer = std::move(answer);
    return End(std::move(outcome));
  }
  RunWork(ReadBody(std::move(download_.Body()), download_.FinalUrl(), download_.ContentType(),
                   std::move(answer)));
}

}  // namespace quillet
