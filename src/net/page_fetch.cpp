#include "net/page_fetch.h"

#include "core/headlines/page_items.h"
#include "core/pages/page_document.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The page cut by each section's rule: its rows, each with the section's
// number as category, and why sections that cut nothing did not.
SourceOutcome CutPage(const PageSource& page, const std::string& body, const std::string& url,
                      const std::string& type, FeedAnswer answer) {
  PageDocument document(body, type, url);
  std::string warning;
  for (size_t n = 1; n <= page.sections.size(); ++n) {
    const SectionCut cut = document.Cut(page.sections[n - 1]);
    for (const PageLink& link : cut.links)
      answer.items.push_back({link.text, link.url, std::to_string(n)});
    if (!cut.problem.empty()) {
      warning += (warning.empty() ? page.name + ": " : std::string(CP932("、"))) +
                 page.sections[n - 1].name + ": " + cut.problem;
    }
  }
  SourceOutcome outcome = SourceOutcome::Items(PageItems(page, answer.items), std::move(warning));
  outcome.feedAnswer = std::move(answer);
  return outcome;
}

}  // namespace

SourceOutcome PageFetch::KeptRows() const {
  SourceOutcome outcome = SourceOutcome::Items(PageItems(page_, keptRows_));
  outcome.unchanged = true;
  return outcome;
}

std::function<SourceOutcome()> PageFetch::ReadBody(std::string body, std::string url,
                                                   std::string type, FeedAnswer answer) const {
  return [page = page_, body = std::move(body), url = std::move(url), type = std::move(type),
          answer = std::move(answer)]() mutable {
    try {
      return CutPage(page, body, url, type, std::move(answer));
    } catch (const std::exception& e) {
      return SourceOutcome::Failed(
          SourceFailureText(page.name, CP932("ページを読めませんでした"), e.what()), false);
    }
  };
}

}  // namespace quillet
