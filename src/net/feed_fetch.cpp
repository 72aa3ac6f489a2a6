#include "net/feed_fetch.h"

#include "core/headlines/feed_items.h"
#include "net/feed_parser.h"

namespace quillet {

SourceOutcome FeedFetch::KeptRows() const {
  SourceOutcome outcome = SourceOutcome::Items(FeedItems(feed_, Feed{{}, keptRows_, {}}));
  outcome.unchanged = true;
  return outcome;
}

std::function<SourceOutcome()> FeedFetch::ReadBody(std::string body, std::string url,
                                                   std::string type, FeedAnswer answer) const {
  return [feed = feed_, body = std::move(body), url = std::move(url), type = std::move(type),
          answer = std::move(answer)]() mutable {
    try {
      Feed parsed = ParseFeed(body, {url, type});
      std::string warning = parsed.warning.empty() ? "" : feed.name + ": " + parsed.warning;
      SourceOutcome outcome = SourceOutcome::Items(FeedItems(feed, parsed), std::move(warning));
      answer.items = std::move(parsed.items);
      outcome.feedAnswer = std::move(answer);
      return outcome;
    } catch (const std::exception& e) {
      const ContentProblem problem =
          body.empty() ? ContentProblem::kEmptyFeed : ContentProblem::kNotAFeed;
      const std::string explanation = ContentProblemText(problem);
      SourceOutcome outcome =
          SourceOutcome::Failed(SourceFailureText(feed.name, explanation, e.what()), false);
      answer.error = FirstSentence(explanation);
      outcome.feedAnswer = std::move(answer);
      return outcome;
    }
  };
}

}  // namespace quillet
