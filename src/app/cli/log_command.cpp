// quillet-cli log: a category's or a feed's log printed.
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/edit_from_terminal.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/log/log_rows.h"
#include "core/log/log_store.h"
#include "core/pages/page_list.h"
#include "core/pages/page_store.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/text/text_codec.h"

namespace quillet {

// Prints a category's log, with `feedId` a feed's, or with `pageId` a page
// section's: one that the lists do not have is refused, exit 1.
int Log(Terminal& terminal, const std::string& indexText, const std::optional<std::string>& feedId,
        const std::optional<std::string>& pageId) {
  std::string path;
  if (pageId) {
    PageList pages;
    if (!ReadPagesFromTerminal(terminal, pages)) return 1;
    const PageSource* page = FindPage(pages, *pageId);
    if (!page) {
      terminal.Message(CP932("ID ") + terminal.In(*pageId) + CP932(" のページはありません"));
      return 1;
    }
    char* end = nullptr;
    const long number = std::strtol(indexText.c_str(), &end, 10);
    if (indexText.empty() || *end != '\0' || number < 1 ||
        static_cast<size_t>(number) > page->sections.size()) {
      terminal.Message(page->name + CP932(" にセクション ") + terminal.In(indexText) +
                       CP932(" はありません"));
      return 1;
    }
    path = PageLogFilePath(page->id, static_cast<size_t>(number));
  } else if (feedId) {
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
