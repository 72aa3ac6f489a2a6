// A feed of the user's list as a source: its document, asked for on the
// run's network access manager with what is kept of the feed (the
// validators of its last answer, a wait), and parsed into its items.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/settings/feed_list.h"
#include "net/asked_source.h"

namespace quillet {

class FeedFetch : public AskedSource {
 public:
  // `keptRows`: the items of the feed's last full answer, listed again when
  // the feed has not changed or is not to be asked yet at `now`.
  FeedFetch(const settings::FeedSource& feed, QNetworkAccessManager& network, FeedRequest request,
            std::vector<FeedItem> keptRows, std::time_t now)
      : AskedSource(network, std::move(request), !keptRows.empty(), now),
        feed_(feed),
        keptRows_(std::move(keptRows)) {}

  const std::string& Name() const override { return feed_.name; }
  SourceKind Kind() const override { return SourceKind::kFeed; }

 private:
  SourceOutcome KeptRows() const override;
  std::function<SourceOutcome()> ReadBody(std::string body, std::string url,
                                          std::string contentType,
                                          FeedAnswer answer) const override;

  settings::FeedSource feed_;
  std::vector<FeedItem> keptRows_;
};

}  // namespace quillet
