#include "net/site_fetch.h"

#include "core/headlines/site_items.h"
#include "core/sites/front_page.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// The value of a Content-Length line from its 17th character on, as a signed
// decimal integer; anything else is an error that ends the run.
int32_t ContentLengthValue(const std::string& line) {
  const std::string text = line.size() > 16 ? line.substr(16, 255) : std::string();
  size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    digits = true;
    if (value > INT32_MAX) break;
  }
  if (!digits || i != text.size() || value > INT32_MAX) {
    throw QuilletError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// `e` again, with the site named and what went wrong said before its reason.
SourceOutcome EndsRun(const std::string& site, const std::string& explanation,
                      const QuilletError& e) {
  return SourceOutcome::EndsRun(
      QuilletError(SourceFailureText(site, explanation, e.what()), e.code()));
}

}  // namespace

void SiteFetch::Start(ProgressCall progress, EndedCall ended) {
  Begin(site_.FrontPageUrl(), std::move(progress), std::move(ended));
  if (site_.sizeProbe) {
    http_.BeginHead([this] { OnProbed(); });
  } else {
    http_.BeginGet([this] { OnReceived(); });
  }
}

// Errors of the size probe end the run, unless Skip or Cancel ended it.
void SiteFetch::OnProbed() {
  if (aborted_) return End({});
  if (auto error = http_.ExchangeError())
    return End(EndsRun(Name(), DownloadProblemText(http_, SourceKind::kSite), *error));
  const Lines& header = http_.ResponseHeader();
  const int at = FindLinePrefix(header, "Content-Length");
  try {
    if (at >= 0) progress_.contentLength = ContentLengthValue(header[static_cast<size_t>(at)]);
  } catch (const QuilletError& e) {
    return End(EndsRun(Name(), ContentProblemText(ContentProblem::kBadSize), e));
  }
  Report();
  http_.BeginGet([this] { OnReceived(); });
}

void SiteFetch::OnReceived() {
  // Skip and Cancel pass over the site quietly; a failed download is named.
  if (aborted_) return End({});
  if (auto error = http_.ExchangeError()) {
    return End(SourceOutcome::Failed(
        SourceFailureText(Name(), DownloadProblemText(http_, SourceKind::kSite), error->what()),
        true));
  }
  RunWork([site = &site_, body = std::move(body_), enabled = enabled_] {
    try {
      Lines document;
      try {
        document = SectionDocument(*site, body);
      } catch (const QuilletError& e) {
        return EndsRun(site->displayLabel, ContentProblemText(ContentProblem::kUncuttablePage), e);
      }
      return SourceOutcome::Items(SiteItems(*site, document, enabled));
    } catch (const std::exception& e) {
      return SourceOutcome::EndsRun(QuilletError(e.what()));
    }
  });
}

}  // namespace quillet
