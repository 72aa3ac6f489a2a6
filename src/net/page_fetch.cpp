#include "net/page_fetch.h"

#include "core/headlines/page_items.h"
#include "core/pages/page_document.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The page cut by each section's rule: its rows, each with the section's
// number as category, and why sections that cut nothing did not.
SourceOutcome CutPage(const PageSource& page, const std::string& body, const std::string& url,
                      const std::string& type, FeedAnswer answer) {
  PageDocument document(body, type, url);
  std::string warning;
  for (size_t n = 1; n <= page.sections.size(); ++n) {
    const SectionCut cut = document.Cut(page.sections[n - 1]);
    for (const PageLink& link : cut.links)
      answer.items.push_back({link.text, link.url, std::to_string(n)});
    if (!cut.problem.empty()) {
      warning += (warning.empty() ? page.name + ": " : std::string(CP932("、"))) +
                 page.sections[n - 1].name + ": " + cut.problem;
    }
  }
  SourceOutcome outcome = SourceOutcome::Items(PageItems(page, answer.items), std::move(warning));
  outcome.feedAnswer = std::move(answer);
  return outcome;
}

}  // namespace

void PageFetch::Start(ProgressCall progress, EndedCall ended) {
  Begin(std::move(progress), std::move(ended));
  if (aborted_) return;
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

SourceOutcome PageFetch::KeptRows() const {
  SourceOutcome outcome = SourceOutcome::Items(PageItems(page_, keptRows_));
  outcome.unchanged = true;
  return outcome;
}

void PageFetch::OnReceived() {
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
    const std::string explanation = DownloadProblemText(download_.Problem(), SourceKind::kPage);
    SourceOutcome outcome =
        SourceOutcome::Failed(SourceFailureText(Name(), explanation, reason), true);
    answer.error = explanation.substr(0, explanation.find(CP932("。")));
    outcome.feedAnswer = std::move(answer);
    return End(std::move(outcome));
  }
  RunWork([page = page_, body = std::move(download_.Body()), url = download_.FinalUrl(),
           type = download_.ContentType(), answer = std::move(answer)]() mutable {
    try {
      return CutPage(page, body, url, type, std::move(answer));
    } catch (const std::exception& e) {
      return SourceOutcome::Failed(
          SourceFailureText(page.name, CP932("ページを読めませんでした"), e.what()), false);
    }
  });
}

}  // namespace quillet
