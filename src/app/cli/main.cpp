// quillet-cli: the fetch, the log search, the log browser, the watch list and
// the feed list for terminals, scripts and cron, on the same core as the window program.
// This file reads the arguments and hands them to the command.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/log/log_search.h"
#include "core/pages/page_list.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"

int main(int argc, char** argv) {
  using namespace quillet;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h" || (i == 1 && arg == "help")) {
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("quillet-cli " QUILLET_VERSION);
      return 0;
    }
  }
  if (argc < 2) return Usage("missing command");
  const std::string command = argv[1];
  std::vector<std::string> operands;
  bool utf8 = true;
  std::chrono::seconds folderWait{60};
  bool newOnly = false;
  bool watchOnly = false;
  SearchOptions searchOptions;
  std::optional<std::string> feedId;
  std::optional<std::string> pageId;
  std::optional<PageSection> cutRule;  // pages cut's options
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--new" || arg == "--watch") {
      (arg == "--new" ? newOnly : watchOnly) = true;
    } else if (arg == "--fold-width") {
      searchOptions.foldWidth = true;
    } else if (arg == "--from" || arg == "--to" || arg == "--xpath" || arg == "--css" ||
               arg == "--links" || arg == "--min-length") {
      // The value is taken as it is, even when it begins with "-".
      if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
      const std::string value = argv[++i];
      PageSection& rule = cutRule ? *cutRule : cutRule.emplace();
      if (arg == "--min-length") {
        char* end = nullptr;
        const long length = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || length < 0 || length > kPageMinLengthMax)
          return Usage("--min-length needs a number from 0 to 1000");
        rule.minLength = static_cast<int>(length);
      } else {
        (arg == "--from"    ? rule.from
         : arg == "--to"    ? rule.to
         : arg == "--xpath" ? rule.xpath
         : arg == "--css"   ? rule.css
                            : rule.links) = value;
      }
    } else if (arg == "--home" || arg == "--encoding" || arg == "--wait" || arg == "--feed" ||
               arg == "--page") {
      if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
      const std::string value = argv[++i];
      if (arg == "--feed" || arg == "--page") {
        (arg == "--feed" ? feedId : pageId) = value;
      } else if (arg == "--wait") {
        char* end = nullptr;
        const long seconds = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || seconds < 0) {
          return Usage("--wait needs a number of seconds");
        }
        folderWait = std::chrono::seconds(seconds);
      } else if (arg == "--home") {
        if (value.empty()) return Usage("--home needs a folder");
        SetProgramDirectory(value);
      } else if (value == "utf-8" || value == "UTF-8" || value == "utf8") {
        utf8 = true;
      } else if (value == "cp932" || value == "CP932" || value == "shift_jis") {
        utf8 = false;
      } else {
        return Usage(("unknown encoding: " + value).c_str());
      }
    } else if (arg.size() > 1 && arg[0] == '-' &&
               arg.find_first_not_of("0123456789", 1) != std::string::npos) {
      // "-1" is a (wrong) number for an operand, not an option.
      return Usage(("unknown option: " + arg).c_str());
    } else {
      operands.push_back(arg);
    }
  }
  if (command != "fetch" && command != "search" && command != "log" && command != "watch" &&
      command != "feeds" && command != "pages") {
    return Usage(("unknown command: " + command).c_str());
  }
  if ((newOnly || watchOnly) && command != "fetch") return Usage("--new and --watch are for fetch");
  if (searchOptions.foldWidth && command != "search") return Usage("--fold-width is for search");
  if ((feedId || pageId) && command != "log") return Usage("--feed and --page are for log");
  if (feedId && pageId) return Usage("log: --feed or --page, not both");
  if (cutRule && command != "pages")
    return Usage("--from, --to, --xpath, --css, --links and --min-length are for pages cut");
  // A folder that is not there would read as empty settings and no logs.
  if (const std::string home = ChosenHome(); !home.empty() && !DirectoryExists(home))
    return Usage(("no such folder: " + home).c_str());
  Terminal terminal(utf8);
  if (command == "fetch" && operands.empty())
    return Fetch(terminal, argc, argv, folderWait, newOnly, watchOnly);
  if (command == "search" && operands.size() == 1)
    return Search(terminal, terminal.In(operands[0]), searchOptions);
  if (command == "log" && operands.size() == (feedId ? 0u : 1u))
    return Log(terminal, feedId ? "" : operands[0], feedId, pageId);
  if (command == "watch" && !operands.empty()) return Watch(terminal, operands);
  if (command == "feeds" && !operands.empty()) return Feeds(terminal, operands, argc, argv);
  if (command == "pages" && !operands.empty())
    return Pages(terminal, operands, cutRule, argc, argv);
  return Usage(("wrong arguments for " + command).c_str());
}
