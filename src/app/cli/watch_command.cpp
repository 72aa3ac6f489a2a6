// quillet-cli watch: the watch list printed, or a keyword added or removed.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/edit_from_terminal.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/settings/settings.h"
#include "core/text/text_codec.h"

namespace quillet {

// Prints the watch list, or adds or removes one keyword. A keyword that cannot
// be watched, or a list that would not change, writes nothing and exits 1.
int Watch(Terminal& terminal, const std::vector<std::string>& operands) {
  const std::string& action = operands[0];
  if (action == "list" && operands.size() == 1) {
    const settings::WatchSettings watch = settings::ReadSettings().watch;
    for (const std::string& keyword : watch.keywords)
      terminal.PrintRow({keyword});
    // Keywords passed over are named, so a hand-made mistake does not go unseen.
    for (const std::string& unused : watch.unused)
      terminal.Message(unused);
    return 0;
  }
  if ((action != "add" && action != "remove") || operands.size() != 2) {
    return Usage("watch: list, add KEYWORD or remove KEYWORD");
  }
  const std::string keyword = terminal.In(operands[1]);
  if (auto problem = settings::WatchKeywordProblem(keyword)) {
    terminal.Message(*problem);
    return 1;
  }
  return EditFromTerminal(
      terminal, [&](settings::SettingsEdit& edit) -> std::optional<std::string> {
        std::vector<std::string> keywords = edit.Stored().watch.keywords;
        if (action == "add") {
          if (auto clash = settings::WatchKeywordClash(keywords, keyword)) return clash;
          keywords.push_back(keyword);
        } else {
          const auto at = std::find(keywords.begin(), keywords.end(), keyword);
          if (at == keywords.end())
            return CP932("「") + keyword + CP932("」はウォッチリストにありません");
          keywords.erase(at);
        }
        settings::PutWatchList(edit, keywords);
        return std::nullopt;
      });
}

}  // namespace quillet
