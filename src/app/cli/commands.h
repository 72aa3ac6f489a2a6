// quillet-cli's commands, each returning the program's exit status.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/log/log_search.h"
#include "core/pages/page_list.h"

namespace quillet {

class Terminal;

int Fetch(Terminal& terminal, int argc, char** argv, std::chrono::seconds folderWait, bool newOnly,
          bool watchOnly);
int Search(Terminal& terminal, const std::string& keyword, SearchOptions options);
// `indexText`: a category's index, or with `pageId` a section's number.
int Log(Terminal& terminal, const std::string& indexText, const std::optional<std::string>& feedId,
        const std::optional<std::string>& pageId);
int Watch(Terminal& terminal, const std::vector<std::string>& operands);
int Feeds(Terminal& terminal, const std::vector<std::string>& operands, int argc, char** argv);
int Pages(Terminal& terminal, const std::vector<std::string>& operands,
          const std::optional<PageSection>& cutRule, int argc, char** argv);

}  // namespace quillet
