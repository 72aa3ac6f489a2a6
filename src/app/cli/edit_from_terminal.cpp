#include "app/cli/edit_from_terminal.h"

#include <exception>

#include "app/cli/terminal.h"
#include "core/settings/settings.h"
#include "core/sys/error_display.h"

namespace quillet {

int EditFromTerminal(
    Terminal& terminal,
    const std::function<std::optional<std::string>(settings::SettingsEdit&)>& change) {
  std::optional<std::string> refusal;
  try {
    settings::EditSettings([&](settings::SettingsEdit& edit) { refusal = change(edit); });
  } catch (const std::exception& e) {
    terminal.Message(TopLevelErrorText(e.what()));
    return 1;
  }
  if (!refusal) return 0;
  terminal.Message(*refusal);
  return 1;
}

}  // namespace quillet
