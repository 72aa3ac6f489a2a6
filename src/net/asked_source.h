// A source asked for on the run's network access manager with what is kept
// of it between runs: the validators of its last answer, sent back, and a
// wait, kept to. A 304, or a wait, lists the rows of its last full answer
// again; a failure ends it with its message; a body is read off the event
// loop's thread by the feed or the page that it is. Every answer is handed
// on, for what is kept of the source.
#pragma once

#include <ctime>
#include <string>

#include "core/feeds/feed_answer.h"
#include "net/feed_download.h"
#include "net/staged_source.h"

namespace quillet {

class AskedSource : public StagedSource {
 public:
  AskedSource(QNetworkAccessManager& network, FeedRequest request, bool rowsKept, std::time_t now)
      : download_(network), request_(std::move(request)), rowsKept_(rowsKept), now_(now) {}

  void Start(ProgressCall progress, EndedCall ended) override;

 protected:
  // The rows of the last full answer, listed again: none of them new.
  virtual SourceOutcome KeptRows() const = 0;
  // The work that reads a body into the source's items, with `answer` to
  // hand on (its items set); run off the event loop's thread, it must not
  // throw.
  virtual std::function<SourceOutcome()> ReadBody(std::string body, std::string url,
                                                  std::string contentType,
                                                  FeedAnswer answer) const = 0;

 private:
  bool AbortDownload() override { return download_.Abort(); }
  void OnReceived();

  FeedDownload download_;
  FeedRequest request_;
  bool rowsKept_;
  std::time_t now_;
  bool bodyCame_ = false;
};

// The first sentence of a failure's explanation, for what is kept of the source.
std::string FirstSentence(const std::string& text);

}  // namespace quillet
