// The rows of the log browser: one per line of a category's (or a feed's) log
// file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/log/log_store.h"

namespace quillet {

// Every line of the log file at `path` (a category's or a feed's), blank lines
// included, in file order (newest first), as ParseLogText cuts them but without
// a string per line; none when the file does not exist. Raises the log store's
// read error when it exists but cannot be read.
void ForEachLogFileLine(const std::string& path, const std::function<void(std::string_view)>& line);

}  // namespace quillet
