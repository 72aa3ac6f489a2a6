// One page fetched at once and cut by its sections' rules, to show the user
// what a page would give before its rules are kept, and which feeds it
// announces. Nothing is logged.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/pages/page_document.h"
#include "core/pages/page_list.h"
#include "net/feed_download.h"

class QNetworkAccessManager;

namespace quillet {

struct PageTrialResult {
  std::string failure;               // the download's failure (CP932), "" when the page came
  std::vector<SectionCut> sections;  // one per section of the page, in order
  std::vector<AnnouncedFeed> feeds;  // the feeds the page announces
};

class PageTrial {
 public:
  explicit PageTrial(QNetworkAccessManager& network) : download_(network) {}

  // Fetches `page` and cuts it; `ended` is called once from the event loop,
  // never once this is gone. A trial in progress is given up for the new one.
  void Start(const PageSource& page, std::function<void(PageTrialResult)> ended);
  // The same, waiting in an event loop of its own, for the terminal program.
  PageTrialResult Run(const PageSource& page);

 private:
  FeedDownload download_;
};

}  // namespace quillet
