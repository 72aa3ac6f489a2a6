// A feed of the user's list as a source: its document, downloaded on the
// run's network access manager and parsed into its items.
#pragma once

#include <string>

#include "core/settings/feed_list.h"
#include "net/feed_download.h"
#include "net/staged_source.h"

namespace quillet {

class FeedFetch : public StagedSource {
 public:
  FeedFetch(const settings::FeedSource& feed, QNetworkAccessManager& network)
      : feed_(feed), download_(network) {}

  const std::string& Name() const override { return feed_.name; }
  SourceKind Kind() const override { return SourceKind::kFeed; }
  void Start(ProgressCall progress, EndedCall ended) override;

 private:
  bool AbortDownload() override { return download_.Abort(); }
  void OnReceived();

  settings::FeedSource feed_;
  FeedDownload download_;
  bool bodyCame_ = false;
};

}  // namespace quillet
