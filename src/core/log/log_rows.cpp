#include "core/log/log_rows.h"

#include "core/sys/file_system.h"

namespace quillet {

std::vector<LogItem> LoadLogView(int categoryIndex) {
  std::vector<LogItem> rows;
  ForEachLogLine(categoryIndex,
                 [&](std::string_view line) { rows.push_back(LogItemFromLine(line)); });
  return rows;
}

void ForEachLogLine(int categoryIndex, const std::function<void(std::string_view)>& line) {
  const std::string path = LogFilePath(categoryIndex);
  if (!FileExists(path)) return;
  std::string bytes;
  switch (ReadWholeFile(path, bytes)) {
    case ReadResult::kOk:
      // As ParseLogText: a NUL byte ends the text.
      ForEachLine(std::string_view(bytes).substr(0, bytes.find('\0')), line);
      return;
    case ReadResult::kNotFound:
      return;
    case ReadResult::kFailed:
      break;
  }
  // The store's reader raises its error for the file (or gives the lines of
  // a file that has become readable meanwhile).
  for (const std::string& text : LoadLogFile(path))
    line(text);
}

}  // namespace quillet
