// A page of the user's list as a source: downloaded as a feed is, with what
// is kept of it (the validators of its last answer, a wait), and cut by its
// sections' rules off the window's thread.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/feeds/feed_answer.h"
#include "core/pages/page_list.h"
#include "net/feed_download.h"
#include "net/staged_source.h"

namespace quillet {

class PageFetch : public StagedSource {
 public:
  // `keptRows`: the rows of the page's last full answer (each with its
  // section's number as category), listed again when the page has not
  // changed or is not to be asked yet at `now`.
  PageFetch(const PageSource& page, QNetworkAccessManager& network, FeedRequest request,
            std::vector<FeedItem> keptRows, std::time_t now)
      : page_(page),
        download_(network),
        request_(std::move(request)),
        keptRows_(std::move(keptRows)),
        now_(now) {}

  const std::string& Name() const override { return page_.name; }
  SourceKind Kind() const override { return SourceKind::kPage; }
  void Start(ProgressCall progress, EndedCall ended) override;

 private:
  bool AbortDownload() override { return download_.Abort(); }
  void OnReceived();
  SourceOutcome KeptRows() const;

  PageSource page_;
  FeedDownload download_;
  FeedRequest request_;
  std::vector<FeedItem> keptRows_;
  std::time_t now_;
  bool bodyCame_ = false;
};

}  // namespace quillet
