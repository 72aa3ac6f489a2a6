// The rows of the log browser: one per line of a category's log file.
#pragma once

#include <vector>

#include "core/log/log_store.h"

namespace quillet {

// Every line of the category's log, blank lines included, in file order (newest
// first); none when the file does not exist. Raises the log store's read error
// when it exists but cannot be read.
std::vector<LogItem> LoadLogView(int categoryIndex);

}  // namespace quillet
