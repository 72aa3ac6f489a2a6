#include "core/log/log_rows.h"

#include "core/sys/file_system.h"

namespace quillet {

std::vector<LogItem> LoadLogView(int categoryIndex) {
  const std::string path = LogFilePath(categoryIndex);
  std::vector<LogItem> rows;
  if (!FileExists(path)) return rows;
  for (const std::string& line : LoadLogFile(path))
    rows.push_back(LogItemFromLine(line));
  return rows;
}

}  // namespace quillet
