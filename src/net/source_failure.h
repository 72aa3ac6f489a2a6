// The messages that name a site or feed that could not be fetched: the
// source's name, in Japanese what went wrong and what to check, then the
// original reason unchanged, last, so that a caller may still append to it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "core/http/http_problem.h"
#include "net/transfer_floor.h"

namespace quillet {

class HttpClient;

enum class SourceKind { kSite, kFeed, kPage };

// "name: explanation。詳細: reason" (CP932); `explanation` is one or more
// Japanese sentences without their last "。".
std::string SourceFailureText(const std::string& name, const std::string& explanation,
                              const std::string& reason);

// What an exchange that delivered no document leaves to explain, whichever
// HTTP stack ran it.
struct DownloadProblem {
  HttpProblem problem = HttpProblem::kNone;
  bool failed = false;  // no whole answer came; otherwise `status` is the answer's
  int status = 0;
  bool throughProxy = false;
  std::string host;         // asked for, after relocations
  std::string connectHost;  // connected to: the proxy's when there is one
  TransferFloor floor;
  std::chrono::milliseconds deadline{0};
  int64_t maxSize = 0;
  int maxRelocations = 0;
};

// The explanation of an exchange that delivered no document (a failure, a
// refused tunnel, a status of 400 or more; for a feed, any status but 2xx),
// for SourceFailureText.
std::string DownloadProblemText(const DownloadProblem& problem, SourceKind kind);
// The same for the client's last exchange.
std::string DownloadProblemText(const HttpClient& client, SourceKind kind);

// What went wrong after a download: a size answer that is not a number, a
// page the cutting rules cannot read, a log that cannot be read or written,
// a feed's body that is empty or not a feed.
enum class ContentProblem { kBadSize, kUncuttablePage, kLog, kEmptyFeed, kNotAFeed };

// The explanation of `problem`, for SourceFailureText.
std::string ContentProblemText(ContentProblem problem);

}  // namespace quillet
