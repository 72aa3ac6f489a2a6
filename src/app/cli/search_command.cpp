// quillet-cli search: every source's logs searched for a keyword.
#include <cstdio>
#include <exception>
#include <string>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "core/log/log_search.h"
#include "core/pages/page_store.h"
#include "core/settings/settings.h"
#include "core/sys/error_display.h"

namespace quillet {

// Rows go out as they are found, in large writes and before each log is
// read; only the count is held.
int Search(Terminal& terminal, const std::string& keyword, SearchOptions options) {
  size_t count = 0;
  int status = 0;
  std::string error;
  try {
    SearchLogs(
        SearchedSources(settings::ReadSettings().feeds.feeds, ReadPagesOrNone()), keyword, options,
        [&](const std::string& text) {
          terminal.FlushRows();
          terminal.Progress(text);
        },
        [&](const SearchRowView& r) {
          terminal.WriteRow({r.siteLabel, r.date, r.genre, r.headline, r.url});
          ++count;
        },
        [] {});
  } catch (const std::exception& e) {
    error = TopLevelErrorText(e.what());
    status = 1;
  }
  terminal.FlushRows();
  terminal.Message(FoundCountText(count));
  if (status != 0) terminal.Message(error);
  return status;
}

}  // namespace quillet
