// quillet-cli log: a category's or a feed's log printed.
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/log/log_rows.h"
#include "core/log/log_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/text/text_codec.h"

namespace quillet {

// Prints a category's log, or with `feedId` a feed's: one that no feed of
// the list has is refused, exit 1.
int Log(Terminal& terminal, const std::string& indexText,
        const std::optional<std::string>& feedId) {
  std::string path;
  if (feedId) {
    for (const settings::FeedSource& feed : settings::ReadSettings().feeds.feeds) {
      if (std::to_string(feed.id) == *feedId) path = FeedLogFilePath(feed.id);
    }
    if (path.empty()) {
      terminal.Message(CP932("ID ") + terminal.In(*feedId) + CP932(" のフィードはありません"));
      return 1;
    }
  } else {
    char* end = nullptr;
    const long index = std::strtol(indexText.c_str(), &end, 10);
    if (indexText.empty() || *end != '\0' || index < 0 || index >= kCategoryCount) {
      return Usage("log: INDEX must be a category index from 0 to 64");
    }
    path = LogFilePath(static_cast<int>(index));
  }
  try {
    ForEachLogFileLine(path, [&](std::string_view line) {
      const LogItem item = LogItemFromLine(line);
      terminal.PrintRow({item.date, item.headline, item.url});
    });
  } catch (const std::exception& e) {
    terminal.Message(TopLevelErrorText(e.what()));
    return 1;
  }
  return 0;
}

}  // namespace quillet
