// The fetch state: the fields through which the fetch run, the site
// extractors and the extraction core talk. Kept between runs.
#pragma once

#include <cstdint>
#include <string>

#include "core/headlines/seen_headlines.h"
#include "core/settings/settings.h"

namespace quillet {

struct FetchState {
  std::string statusText;       // text of the status label
  int32_t received = 0;         // body bytes of the current page received so far
  int32_t contentLength = 0;    // expected size of the current page; 0 = unknown
  std::string headline;         // current headline text
  std::string siteLabel;        // short label of the site being fetched
  std::string url;              // URL of the current headline
  std::string baseUrl;          // prefix of relative links
  std::string genre;            // genre label of the current category
  std::string siteName;         // display label of the site being fetched
  std::string logPath;          // full path of the current category's log file
  bool cancelled = false;       // Cancel was pressed during this run
  int32_t insertPos = 0;        // line at which the next new log record goes
  SeenHeadlines seen;           // the headlines met by the runs so far, for newness without logs
  settings::Settings settings;  // as the settings file held them when the run began
};

}  // namespace quillet
