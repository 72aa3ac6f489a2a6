// The fetch state: the fields through which the fetch run, the site
// extractors and the extraction core talk. Kept between runs.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

struct TFetchState {
  std::string FStatusText;     // text of the status label
  int32_t FReceived = 0;       // body bytes of the current page received so far
  int32_t FContentLength = 0;  // expected size of the current page; 0 = unknown
  std::string FHeadline;       // current headline text
  std::string FSiteLabel;      // short label of the site being fetched
  std::string FURL;            // URL of the current headline
  std::string FBaseURL;        // prefix of relative links
  std::string FGenre;          // genre label of the current category
  std::string FSiteName;       // display label of the site being fetched
  std::string FLogPath;        // full path of the current category's log file
  bool FCancelled = false;     // Cancel was pressed during this run
  int32_t FInsertPos = 0;      // line at which the next new log record goes
  std::string FMarker;         // section marker of the current category
};

}  // namespace quillet
