#include "net/page_trial.h"

#include <QEventLoop>

#include "core/text/text_codec.h"
#include "net/source_failure.h"

namespace quillet {

void PageTrial::Start(const PageSource& page, std::function<void(PageTrialResult)> ended) {
  download_.Abort();
  download_.Begin(page.url, [this, page, ended = std::move(ended)] {
    PageTrialResult result;
    const int status = download_.Status();
    if (download_.Failed() || status < 200 || status > 299) {
      result.failure =
          SourceFailureText(page.name, DownloadProblemText(download_.Problem(), SourceKind::kPage),
                            download_.Failed() ? download_.FailureText() : download_.StatusLine());
      return ended(std::move(result));
    }
    PageDocument document(download_.Body(), download_.ContentType(), download_.FinalUrl());
    for (const PageSection& section : page.sections)
      result.sections.push_back(document.Cut(section));
    result.feeds = document.Feeds();
    ended(std::move(result));
  });
}

PageTrialResult PageTrial::Run(const PageSource& page) {
  QEventLoop loop;
  PageTrialResult result;
  Start(page, [&](PageTrialResult ended) {
    result = std::move(ended);
    loop.quit();
  });
  loop.exec();
  return result;
}

}  // namespace quillet
