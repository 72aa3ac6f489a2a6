#include "app/cli/edit_from_terminal.h"

#include <exception>

#include "app/cli/terminal.h"
#include "core/pages/page_store.h"
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

int EditFromTerminal(Terminal& terminal,
                     const std::function<std::optional<std::string>(PageList&)>& change) {
  std::optional<std::string> refusal;
  try {
    EditPages([&](PageList& list) {
      refusal = change(list);
      if (refusal) throw std::exception();  // leaves the file as it was
    });
  } catch (const std::exception& e) {
    terminal.Message(refusal ? *refusal : TopLevelErrorText(e.what()));
    return 1;
  }
  return 0;
}

bool ReadPagesFromTerminal(Terminal& terminal, PageList& list) {
  try {
    list = ReadPages();
    return true;
  } catch (const std::exception& e) {
    terminal.Message(TopLevelErrorText(e.what()));
    return false;
  }
}

}  // namespace quillet
