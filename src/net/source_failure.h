// The messages that name a site or feed that could not be fetched: the
// source's name, in Japanese what went wrong and what to check, then the
// original reason unchanged, last, so that a caller may still append to it.
#pragma once

#include <string>

namespace quillet {

class HttpClient;

enum class SourceKind { kSite, kFeed };

// "name: explanation。詳細: reason" (CP932); `explanation` is one or more
// Japanese sentences without their last "。".
std::string SourceFailureText(const std::string& name, const std::string& explanation,
                              const std::string& reason);

// The explanation of the client's last exchange, which delivered no document
// (a failure, a refused tunnel, a status of 400 or more; for a feed, any
// status but 2xx), for SourceFailureText.
std::string DownloadProblemText(const HttpClient& client, SourceKind kind);

// What went wrong after a download: a size answer that is not a number, a
// page the cutting rules cannot read, a log that cannot be read or written,
// a feed's body that is empty or not a feed.
enum class ContentProblem { kBadSize, kUncuttablePage, kLog, kEmptyFeed, kNotAFeed };

// The explanation of `problem`, for SourceFailureText.
std::string ContentProblemText(ContentProblem problem);

}  // namespace quillet
