// One edit of the settings file from a command, its refusal told on stderr.
#pragma once

#include <functional>
#include <optional>
#include <string>

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

}  // namespace quillet
