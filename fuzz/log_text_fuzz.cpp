// Log files as they come: arbitrary bytes parsed into records, fields read,
// a headline merged, and the result written and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/log/log_store.h"
#include "support/reference_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  quillet::Lines lines = quillet::ParseLogText(bytes);
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos || line.find('\0') != std::string::npos) {
      std::abort();
    }
    quillet::LogItem item = quillet::LogItemFromLine(line);
    (void)quillet::LogField(line, 3);
    if (item.headline.size() > line.size()) std::abort();
  }
  // The headline to merge: the first line's first field, cut short.
  std::string headline = lines.empty() ? "x" : std::string(quillet::LogField(lines[0], 0));
  headline = headline.substr(0, headline.size() / 2);
  if (!headline.empty() && headline.find_first_of("\t\r\n") == std::string::npos) {
    const size_t before = lines.size();
    int found = quillet::FindLogRecord(lines, headline);
    (void)quillet::FindShownLogRecord(lines, headline);
    int pos = quillet::RecordHeadline(lines, headline, "http://u/", size % 2 == 0,
                                      static_cast<int>(size % 3));
    if (found < 0 && lines.size() != before + 1) std::abort();
    if (found >= 0 && lines.size() != before) std::abort();
    (void)pos;
  }
  if (quillet::ParseLogText(quillet::FormatLogText(lines)) != lines) std::abort();
  return 0;
}
