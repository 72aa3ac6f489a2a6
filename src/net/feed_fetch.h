// A feed of the user's list as a source: its document, parsed into its items.
#pragma once

#include <string>

#include "core/settings/feed_list.h"
#include "core/settings/settings.h"
#include "net/downloaded_source.h"

namespace quillet {

class FeedFetch : public DownloadedSource {
 public:
  FeedFetch(const settings::FeedSource& feed, const settings::Proxy& proxy)
      : DownloadedSource(proxy), feed_(feed) {}

  const std::string& Name() const override { return feed_.name; }
  SourceKind Kind() const override { return SourceKind::kFeed; }
  void Start(ProgressCall progress, EndedCall ended) override;

 private:
  void OnReceived();

  settings::FeedSource feed_;
};

}  // namespace quillet
