// A feed of the user's list as a source: its document, asked for on the
// run's network access manager with what is kept of the feed (the
// validators of its last answer, a wait), and parsed into its items.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/feeds/feed_answer.h"
#include "core/settings/feed_list.h"
#include "net/feed_download.h"
#include "net/staged_source.h"

namespace quillet {

class FeedFetch : public StagedSource {
 public:
  // `keptRows`: the items of the feed's last full answer, listed again when
  // the feed has not changed or is not to be asked yet at `now`.
  FeedFetch(const settings::FeedSource& feed, QNetworkAccessManager& network, FeedRequest request,
            std::vector<FeedItem> keptRows, std::time_t now)
      : feed_(feed),
        download_(network),
        request_(std::move(request)),
        keptRows_(std::move(keptRows)),
        now_(now) {}

  const std::string& Name() const override { return feed_.name; }
  SourceKind Kind() const override { return SourceKind::kFeed; }
  void Start(ProgressCall progress, EndedCall ended) override;

 private:
  bool AbortDownload() override { return download_.Abort(); }
  void OnReceived();
  SourceOutcome KeptRows() const;

  settings::FeedSource feed_;
  FeedDownload download_;
  FeedRequest request_;
  std::vector<FeedItem> keptRows_;
  std::time_t now_;
  bool bodyCame_ = false;
};

}  // namespace quillet
