// quillet-cli search: every source's logs searched for a keyword.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "core/log/log_search.h"
#include "core/settings/settings.h"
#include "core/sys/error_display.h"

namespace quillet {

// Rows go out as they are found, flushed before each log is read; only the
// count is held.
int Search(Terminal& terminal, const std::string& keyword, SearchOptions options) {
  if (isatty(STDOUT_FILENO) == 0) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  size_t count = 0;
  int status = 0;
  std::string error;
  try {
    SearchLogs(
        SearchedSources(settings::ReadSettings().feeds.feeds), keyword, options,
        [&](const std::string& text) {
          std::fflush(stdout);
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
  std::fflush(stdout);
  terminal.Message(FoundCountText(count));
  if (status != 0) terminal.Message(error);
  return status;
}

}  // namespace quillet
