// quillet-cli: the fetch, the log search, the log browser, the watch list and
// the feed list for terminals, scripts and cron, on the same core as the window program.
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/headlines/watch_match.h"
#include "core/log/log_rows.h"
#include "core/log/log_search.h"
#include "core/settings/feed_list.h"
#include "core/settings/settings.h"
#include "core/settings/watch_list.h"
#include "core/sites/catalogue.h"
#include "core/sys/error_display.h"
#include "core/sys/file_system.h"
#include "core/sys/network_check.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "net/fetch_run.h"
#include "net/transfer_floor.h"

namespace quillet {
namespace {

const char kUsageStart[] =
    "Usage: quillet-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  fetch            fetch the headlines of the enabled categories, then the items of\n"
    "                   the enabled feeds, and print them: site TAB genre TAB headline TAB\n"
    "                   url (a feed's rows: its name as the site); a site or feed that\n"
    "                   fails is named on stderr with why, and the fetch goes on\n"
    "  search KEYWORD   search the logs of every site, then of every feed: site TAB date\n"
    "                   TAB genre TAB headline TAB url (a feed's rows: its name as the\n"
    "                   site); letters A-Z match in either case\n"
    "  log INDEX        print the log of category INDEX (0-64): date TAB headline TAB url\n"
    "  log --feed ID    print the log of the feed with that id the same way\n"
    "  watch list       print the watch list, one keyword a line\n"
    "  watch add KEYWORD, watch remove KEYWORD\n"
    "                   add a keyword to the watch list or remove one; refused when it\n"
    "                   cannot be watched (empty, blanks only, a TAB or line break, over\n"
    "                   255 bytes), is there already (letters A-Z in either case) or is\n"
    "                   not there\n"
    "  feeds list       print the feeds: id TAB on|off TAB name TAB url\n"
    "  feeds add NAME URL\n"
    "                   add an enabled feed (an http:// or https:// URL); prints its id;\n"
    "                   refused when the name or URL cannot be stored or another feed\n"
    "                   has the URL\n"
    "  feeds remove ID, feeds enable ID, feeds disable ID\n"
    "                   change the feed with that id; refused when no feed has it\n"
    "  help             show this text\n"
    "\n"
    "options:\n"
    "  --home DIR                  program folder (settings file and logs); it must exist\n"
    "  --encoding utf-8|cp932      output encoding, and the keyword's (default utf-8)\n"
    "  --fold-width                search: full-width letters, digits and signs match\n"
    "                              their ASCII forms, half-width katakana their\n"
    "                              full-width forms\n"
    "  --wait SECONDS              fetch: how long to wait for another fetch of the same\n"
    "                              program directory to end (default 60)\n"
    "  --new                       fetch: print only the headlines that are new (not in\n"
    "                              their category's log before this fetch)\n"
    "  --watch                     fetch: print only the headlines that hold a keyword of\n"
    "                              the watch list; with --new, only the new ones of them\n"
    "  -h, --help                  show this text\n"
    "  --version                   show the version\n"
    "\n"
    "A request that receives less than FLOOR fails, as one that receives\n"
    "nothing does.\n"
    "\n"
    "exit status:\n"
    "  0   done; a fetch that went through to its end exits 0 also when some sites\n"
    "      or feeds failed while others downloaded (each is named on stderr with why)\n"
    "  1   an error ended the command (its message is on stderr), no enabled site or\n"
    "      feed could be downloaded, another fetch of\n"
    "      the same program folder did not end within --wait seconds, or a watch,\n"
    "      feeds or log --feed command was refused (why on stderr, nothing written)\n"
    "  2   wrong usage, or fetch found no network connection to attempt\n"
    "\n"
    "Environment:\n"
    "An https site's certificate is always verified against the system's CAs;\n"
    "$QUILLET_CA_FILE may name a PEM file of further CAs to trust.\n"
    "\n"
    "Files:\n"
    "Settings (quillet.ini) and logs are kept in --home DIR, else in $QUILLET_HOME\n"
    "when it is set and not empty, else in the executable's folder when it holds\n"
    "quillet.ini (a portable copy); else quillet.ini in $XDG_CONFIG_HOME/quillet\n"
    "(~/.config/quillet) and the logs and quillet.lock in $XDG_DATA_HOME/quillet\n"
    "(~/.local/share/quillet), made for the user alone on first use. Each change of\n"
    "quillet.ini is made under the lock file quillet.ini.lock beside it.\n";

// The usage with the transfer floor's figures in place of FLOOR.
std::string UsageText() {
  std::string text = kUsageStart;
  const TransferFloor floor;
  const std::string figures = std::to_string(floor.bytes) + " bytes in " +
                              std::to_string(floor.window.count() / 1000) + " seconds";
  return text.replace(text.find("FLOOR"), 5, figures);
}

int Usage(const char* problem) {
  if (problem != nullptr) std::fprintf(stderr, "quillet-cli: %s\n", problem);
  std::fputs(UsageText().c_str(), stderr);
  return 2;
}

// Text leaves the program in the encoding asked for.
class Terminal {
 public:
  explicit Terminal(bool utf8) : utf8_(utf8), progressOnTty_(isatty(STDERR_FILENO) != 0) {}

  std::string Out(const std::string& cp932) const { return utf8_ ? Cp932ToUtf8(cp932) : cp932; }
  std::string In(const std::string& text) const { return utf8_ ? Utf8ToCp932(text) : text; }

  void PrintRow(const std::vector<std::string>& fields) {
    ClearProgress();
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) line += '\t';
      line += Out(fields[i]);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  // The same row into stdout's buffer, without a flush.
  void WriteRow(std::initializer_list<std::string_view> fields) {
    ClearProgress();
    row_.clear();
    for (const std::string_view& field : fields) {
      if (&field != fields.begin()) row_ += '\t';
      if (utf8_) {
        AppendCp932ToUtf8(row_, field);
      } else {
        row_ += field;
      }
    }
    row_ += '\n';
    std::fwrite(row_.data(), 1, row_.size(), stdout);
  }
  // One updating line on a terminal; nothing otherwise.
  void Progress(const std::string& text) {
    if (!progressOnTty_) return;
    std::fprintf(stderr, "\r%s\x1b[K", Out(text).c_str());
    std::fflush(stderr);
    progressShown_ = true;
  }
  void ClearProgress() {
    if (!progressShown_) return;
    std::fputs("\r\x1b[K", stderr);
    progressShown_ = false;
  }
  void Message(const std::string& cp932) {
    ClearProgress();
    std::fprintf(stderr, "%s\n", Out(cp932).c_str());
  }

 private:
  bool utf8_;
  bool progressOnTty_;
  bool progressShown_ = false;
  std::string row_;
};

// The rows a fetch prints: all of them, or those that are new, those the
// watch list matches, or those that are both.
struct RowFilter {
  bool newOnly = false;
  std::optional<WatchMatch> watch;

  bool Passes(const std::string& headline, const NewsItem& item) const {
    return (!newOnly || item.isNew) && (!watch || watch->Matches(headline));
  }
};

class PrintedList : public HeadlineSink, public ProgressView {
 public:
  PrintedList(Terminal& terminal, RowFilter filter)
      : terminal_(terminal), filter_(std::move(filter)) {}
  void AppendRow(const std::string& caption, const std::string& genre, const std::string& headline,
                 int, std::unique_ptr<NewsItem> item) override {
    if (filter_.Passes(headline, *item)) terminal_.PrintRow({caption, genre, headline, item->url});
  }
  void ShowProgress(const std::string& status, const std::string& amount, int, int) override {
    terminal_.Progress(status + "  " + amount);
  }

 private:
  Terminal& terminal_;
  RowFilter filter_;
};

int Fetch(Terminal& terminal, int argc, char** argv, std::chrono::seconds folderWait,
          RowFilter filter, const settings::Settings& stored) {
  if (!InternetAttemptConnect(stored.connection.proxy.address)) {
    terminal.Message(CP932("ネットワークに接続されていません"));
    return 2;
  }
  QCoreApplication app(argc, argv);
  PrintedList list(terminal, std::move(filter));
  FetchRun run(list, list);
  run.folderWaitLimit = folderWait;
  std::string error;
  try {
    run.Run(stored);
  } catch (const std::exception& e) {
    error = TopLevelErrorText(e.what());
  }
  // The sources that failed before whatever ended the run.
  for (const std::string& failure : run.Failures())
    terminal.Message(failure);
  if (!error.empty()) terminal.Message(error);
  terminal.ClearProgress();
  return !error.empty() || run.EveryDownloadFailed() ? 1 : 0;
}

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

// Prints a category's log, or with `feedId` a feed's: one that no feed of
// the list has is refused, exit 1.
int Log(Terminal& terminal, const std::string& indexText,
        const std::optional<std::string>& feedId) {
  std::string path;
  if (feedId) {
    for (const settings::FeedSource& feed : settings::ReadSettings().feeds.feeds) {
      if (std::to_string(feed.id) == *feedId)
        path = DataDirectory() + settings::FeedLogFile(feed.id);
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

// Runs `change` as one edit of the settings file; a refusal it reports (its
// message on stderr, exit 1) writes nothing.
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

// Prints the feed list, or adds, removes, enables or disables one feed.
int Feeds(Terminal& terminal, const std::vector<std::string>& operands) {
  const std::string& action = operands[0];
  if (action == "list" && operands.size() == 1) {
    const settings::FeedList list = settings::ReadSettings().feeds;
    for (const settings::FeedSource& feed : list.feeds)
      terminal.PrintRow(
          {std::to_string(feed.id), feed.enabled ? "on" : "off", feed.name, feed.url});
    // Entries passed over are named, so a hand-made mistake does not go unseen.
    for (const std::string& unused : list.unused)
      terminal.Message(unused);
    return 0;
  }
  const bool add = action == "add" && operands.size() == 3;
  const bool change =
      (action == "remove" || action == "enable" || action == "disable") && operands.size() == 2;
  if (!add && !change) {
    return Usage("feeds: list, add NAME URL, remove ID, enable ID or disable ID");
  }
  settings::FeedSource added;
  if (add) {
    added.name = terminal.In(operands[1]);
    added.url = terminal.In(operands[2]);
    if (auto problem = settings::FeedNameProblem(added.name)) {
      terminal.Message(*problem);
      return 1;
    }
    if (auto problem = settings::FeedUrlProblem(added.url)) {
      terminal.Message(*problem);
      return 1;
    }
  }
  const int status =
      EditFromTerminal(terminal, [&](settings::SettingsEdit& edit) -> std::optional<std::string> {
        std::vector<settings::FeedSource> feeds = edit.Stored().feeds.feeds;
        if (add) {
          if (auto clash = settings::FeedUrlClash(feeds, added.url)) return clash;
          feeds.push_back(added);
        } else {
          const std::string& idText = operands[1];
          auto at = std::find_if(feeds.begin(), feeds.end(), [&](const settings::FeedSource& f) {
            return std::to_string(f.id) == idText;
          });
          if (at == feeds.end())
            return CP932("ID ") + terminal.In(idText) + CP932(" のフィードはありません");
          if (action == "remove") {
            feeds.erase(at);
          } else {
            at->enabled = action == "enable";
          }
        }
        settings::PutFeeds(edit, feeds);
        if (add) added.id = feeds.back().id;
        return std::nullopt;
      });
  if (status == 0 && add) terminal.PrintRow({std::to_string(added.id)});
  return status;
}

}  // namespace
}  // namespace quillet

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
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--new" || arg == "--watch") {
      (arg == "--new" ? newOnly : watchOnly) = true;
    } else if (arg == "--fold-width") {
      searchOptions.foldWidth = true;
    } else if (arg == "--home" || arg == "--encoding" || arg == "--wait" || arg == "--feed") {
      if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
      const std::string value = argv[++i];
      if (arg == "--feed") {
        feedId = value;
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
      command != "feeds") {
    return Usage(("unknown command: " + command).c_str());
  }
  if ((newOnly || watchOnly) && command != "fetch") return Usage("--new and --watch are for fetch");
  if (searchOptions.foldWidth && command != "search") return Usage("--fold-width is for search");
  if (feedId && command != "log") return Usage("--feed is for log");
  // A folder that is not there would read as empty settings and no logs.
  if (const std::string home = ChosenHome(); !home.empty() && !DirectoryExists(home))
    return Usage(("no such folder: " + home).c_str());
  Terminal terminal(utf8);
  if (command == "fetch" && operands.empty()) {
    // Read once: the proxy, the watch list and all the run uses.
    const settings::Settings stored = settings::ReadSettings();
    RowFilter filter{newOnly, std::nullopt};
    if (watchOnly) filter.watch.emplace(stored.watch.keywords, stored.watch.foldWidth);
    return Fetch(terminal, argc, argv, folderWait, std::move(filter), stored);
  }
  if (command == "search" && operands.size() == 1)
    return Search(terminal, terminal.In(operands[0]), searchOptions);
  if (command == "log" && operands.size() == (feedId ? 0u : 1u))
    return Log(terminal, feedId ? "" : operands[0], feedId);
  if (command == "watch" && !operands.empty()) return Watch(terminal, operands);
  if (command == "feeds" && !operands.empty()) return Feeds(terminal, operands);
  return Usage(("wrong arguments for " + command).c_str());
}
