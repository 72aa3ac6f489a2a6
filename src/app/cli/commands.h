// quillet-cli's commands, each returning the program's exit status.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/log/log_search.h"

namespace quillet {

class Terminal;

int Fetch(Terminal& terminal, int argc, char** argv, std::chrono::seconds folderWait, bool newOnly,
          bool watchOnly);
int Search(Terminal& terminal, const std::string& keyword, SearchOptions options);
int Log(Terminal& terminal, const std::string& indexText, const std::optional<std::string>& feedId);
int Watch(Terminal& terminal, const std::vector<std::string>& operands);
int Feeds(Terminal& terminal, const std::vector<std::string>& operands);

}  // namespace quillet
