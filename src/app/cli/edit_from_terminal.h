// One edit of the settings file or the pages file from a command, its
// refusal told on stderr; the pages file read the same way.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/pages/page_list.h"

namespace quillet {

class Terminal;
namespace settings {
class SettingsEdit;
}

// Runs `change` as one edit of the settings file; a refusal it reports (its
// message on stderr, exit 1) writes nothing.
int EditFromTerminal(
    Terminal& terminal,
    const std::function<std::optional<std::string>(settings::SettingsEdit&)>& change);
int EditFromTerminal(Terminal& terminal,
                     const std::function<std::optional<std::string>(PageList&)>& change);

// Reads the pages file into `list`; false, its error on stderr, when it
// cannot be read.
bool ReadPagesFromTerminal(Terminal& terminal, PageList& list);

}  // namespace quillet
