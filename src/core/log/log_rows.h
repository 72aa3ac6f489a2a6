// The rows of the log browser: one per line of a category's (or a feed's) log
// file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/log_store.h"

namespace quillet {

// Every line of the category's log, blank lines included, in file order (newest
// first); none when the file does not exist. Raises the log store's read error
// when it exists but cannot be read.
std::vector<LogItem> LoadLogView(int categoryIndex);

// The same lines one by one, as ParseLogText cuts them but without a string
// per line, for logs of many records.
void ForEachLogLine(int categoryIndex, const std::function<void(std::string_view)>& line);

// The same for the log file at `path`, one that belongs to no category.
void ForEachLogFileLine(const std::string& path, const std::function<void(std::string_view)>& line);

}  // namespace quillet
