// One source of a fetch run, a site or a feed, behind one small interface: it
// downloads on the event loop, cuts or parses off the window's thread, and
// ends with its items as values, which the run merges in source order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/feeds/feed_answer.h"
#include "core/headlines/headline_item.h"
#include "core/sys/error.h"
#include "net/source_failure.h"

namespace quillet {

// How a source ended.
struct SourceOutcome {
  enum class Kind {
    kItems,    // fetched: its items, for the merge
    kAborted,  // Skip or Cancel ended it: no items, no failure
    kFailed,   // it failed on its own; the run goes on
    kEndsRun,  // it failed so that the run ends with `error`
  };
  Kind kind = Kind::kAborted;
  std::vector<HeadlineItem> items;
  std::string warning;                   // kItems: what was wrong but read all the same, or ""
  bool unchanged = false;                // kItems: rows shown again, none new, no log written
  std::optional<FeedAnswer> feedAnswer;  // a feed's answer, for what is kept of the feed
  std::string failure;                   // kFailed: the message, the source's name first
  bool downloadFailed = false;           // kFailed: nothing was downloaded
  std::optional<QuilletError> error;

  static SourceOutcome Items(std::vector<HeadlineItem> items, std::string warning = {}) {
    SourceOutcome outcome;
    outcome.kind = Kind::kItems;
    outcome.items = std::move(items);
    outcome.warning = std::move(warning);
    return outcome;
  }
  static SourceOutcome Failed(std::string failure, bool downloadFailed) {
    SourceOutcome outcome;
    outcome.kind = Kind::kFailed;
    outcome.failure = std::move(failure);
    outcome.downloadFailed = downloadFailed;
    return outcome;
  }
  static SourceOutcome EndsRun(QuilletError error) {
    SourceOutcome outcome;
    outcome.kind = Kind::kEndsRun;
    outcome.error = std::move(error);
    return outcome;
  }
};

// What a source is doing: the status after its name, the body bytes received
// and the size expected (0: unknown).
struct SourceProgress {
  std::string status;
  int32_t received = 0;
  int32_t contentLength = 0;
};

class Source {
 public:
  using ProgressCall = std::function<void(const SourceProgress&)>;
  using EndedCall = std::function<void(SourceOutcome)>;

  virtual ~Source() = default;
  // The name the progress and the failures show.
  virtual const std::string& Name() const = 0;
  // Whether a failed merge of its items ends the run (a site's) or is its own
  // failure (a feed's).
  virtual SourceKind Kind() const = 0;
  // Starts the source; `ended` is called once, from the event loop, never
  // from inside Start or Abort.
  virtual void Start(ProgressCall progress, EndedCall ended) = 0;
  // Ends a source in progress quietly: it ends as kAborted.
  virtual void Abort() = 0;
};

}  // namespace quillet
