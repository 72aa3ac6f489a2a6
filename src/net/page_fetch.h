// A page of the user's list as a source: downloaded as a feed is, with what
// is kept of it (the validators of its last answer, a wait), and cut by its
// sections' rules off the window's thread.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/pages/page_list.h"
#include "net/asked_source.h"

namespace quillet {

class PageFetch : public AskedSource {
 public:
  // `keptRows`: the rows of the page's last full answer (each with its
  // section's number as category), listed again when the page has not
  // changed or is not to be asked yet at `now`.
  PageFetch(const PageSource& page, QNetworkAccessManager& network, FeedRequest request,
            std::vector<FeedItem> keptRows, std::time_t now)
      : AskedSource(network, std::move(request), !keptRows.empty(), now),
        page_(page),
        keptRows_(std::move(keptRows)) {}

  const std::string& Name() const override { return page_.name; }
  SourceKind Kind() const override { return SourceKind::kPage; }

 private:
  SourceOutcome KeptRows() const override;
  std::function<SourceOutcome()> ReadBody(std::string body, std::string url,
                                          std::string contentType,
                                          FeedAnswer answer) const override;

  PageSource page_;
  std::vector<FeedItem> keptRows_;
};

}  // namespace quillet
