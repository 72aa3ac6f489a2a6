// The one merge of every source's items: each headline into its category's
// log under the run's SaveLog and AddNewsOnly, marked new and watched, and the
// rows of the headline list, in the items' order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/headlines/headline_item.h"
#include "core/headlines/headline_sink.h"
#include "core/headlines/seen_headlines.h"
#include "core/headlines/watch_match.h"
#include "core/log/category_log.h"
#include "core/settings/settings.h"

namespace quillet {

class HeadlineMerge {
 public:
  // A run begins with the settings it read: what it began with holds to its
  // end. What earlier runs met counts as met before.
  void BeginRun(const settings::Settings& settings);

  // Merges one source's items. A separator row is listed unless NoAddEmpty;
  // a headline of a category not patrolled is recorded with its flag off and
  // gets no row. TABs in headlines and URLs become spaces (they would split
  // the log record). Each log is read once and written at most once; on a log
  // error what can be saved is, and the first error propagates.
  void Merge(std::vector<HeadlineItem> items, HeadlineSink& list);
  // Lists a source's items again as they were, with no log read or written:
  // the rows of a feed that has not changed. None of them is new; with
  // AddNewsOnly none is listed, as each was shown when it first came.
  void ShowAgain(const std::vector<HeadlineItem>& items, HeadlineSink& list);

 private:
  struct Merged {
    bool listed;  // the headline gets its row (AddNewsOnly hides the ones shown before)
    bool isNew;
  };
  // Records the item in `log` at insertPos (moved on past a new record).
  Merged MergeHeadline(CategoryLog& log, const HeadlineItem& item, int32_t& insertPos);

  settings::Behaviour behaviour_;
  std::optional<WatchMatch> watch_;
  SeenHeadlines seen_;
};

}  // namespace quillet
