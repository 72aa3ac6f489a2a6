// quillet-cli feeds: the feed list printed, one feed added or changed, or the
// list read from or written as OPML.
#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/edit_from_terminal.h"
#include "app/cli/terminal.h"
#include "app/cli/usage.h"
#include "core/feeds/feed_import.h"
#include "core/feeds/feed_state.h"
#include "core/feeds/feed_status.h"
#include "core/feeds/opml.h"
#include "core/pages/page_document.h"
#include "core/pages/page_list.h"
#include "core/settings/settings.h"
#include "core/sys/clock.h"
#include "core/text/text_codec.h"
#include "net/feed_network.h"
#include "net/page_trial.h"

namespace quillet {
namespace {

// The OPML file's feeds added in one edit; a file that cannot be read
// changes nothing.
int Import(Terminal& terminal, const std::string& path) {
  std::vector<OpmlFeed> outlines;
  try {
    outlines = ReadOpmlFile(path);
  } catch (const std::exception& e) {
    terminal.Message(e.what());
    return 1;
  }
  FeedImport import;
  const int status = EditFromTerminal(terminal, [&](settings::SettingsEdit& edit) {
    import = ImportFeeds(edit.Stored().feeds.feeds, outlines);
    if (import.added > 0) settings::PutFeeds(edit, import.feeds);
    return std::optional<std::string>();
  });
  if (status != 0) return status;
  for (const std::string& refused : import.refused)
    terminal.Message(refused);
  terminal.PrintRow({ImportSummary(import)});
  return 0;
}

// The feed list as OPML on stdout, the document's own bytes.
int Export(Terminal& terminal) {
  const settings::FeedList list = settings::ReadSettings().feeds;
  for (const std::string& unused : list.unused)
    terminal.Message(unused);
  const std::string document = WriteOpml(list.feeds, Now());
  if (std::fwrite(document.data(), 1, document.size(), stdout) != document.size() ||
      std::fflush(stdout) != 0) {
    terminal.Message(CP932("標準出力に書き込めません"));
    return 1;
  }
  return 0;
}

// The feed list, each feed with its state; a state file that cannot be read
// leaves the last column empty and is named.
int List(Terminal& terminal) {
  const settings::FeedList list = settings::ReadSettings().feeds;
  std::optional<FeedStates> states;
  try {
    states = ReadFeedStates();
  } catch (const std::exception& e) {
    terminal.Message(e.what());
  }
  const std::time_t now = Now();
  for (const settings::FeedSource& feed : list.feeds) {
    terminal.PrintRow({std::to_string(feed.id), feed.enabled ? "on" : "off", feed.name, feed.url,
                       states ? FeedStatusText(*states, feed.id, feed.url, now) : ""});
  }
  // Entries passed over are named, so a hand-made mistake does not go unseen.
  for (const std::string& unused : list.unused)
    terminal.Message(unused);
  return 0;
}

// The feeds the page at `url` announces: name TAB URL each, as feeds add
// takes them; none is told on stderr, exit 1.
int Find(Terminal& terminal, const std::string& urlText, int argc, char** argv) {
  PageSource page;
  page.name = page.url = terminal.In(urlText);
  if (auto problem = settings::FeedUrlProblem(page.url)) {
    terminal.Message(*problem);
    return 1;
  }
  QCoreApplication app(argc, argv);
  QNetworkAccessManager network;
  UseProxy(network, settings::ReadSettings().connection.proxy);
  const PageTrialResult result = PageTrial(network).Run(page);
  if (!result.failure.empty()) {
    terminal.Message(result.failure);
    return 1;
  }
  for (const AnnouncedFeed& feed : result.feeds)
    terminal.PrintRow({feed.title.empty() ? feed.url : feed.title, feed.url});
  if (!result.feeds.empty()) return 0;
  terminal.Message(page.url + CP932(" はフィードを知らせていません"));
  return 1;
}

}  // namespace

// Prints the feed list, adds, removes, enables or disables one feed, or
// reads or writes the list as OPML.
int Feeds(Terminal& terminal, const std::vector<std::string>& operands, int argc, char** argv) {
  const std::string& action = operands[0];
  if (action == "find" && operands.size() == 2) return Find(terminal, operands[1], argc, argv);
  if (action == "import" && operands.size() == 2) return Import(terminal, operands[1]);
  if (action == "export" && operands.size() == 1) return Export(terminal);
  if (action == "list" && operands.size() == 1) return List(terminal);
  const bool add = action == "add" && operands.size() == 3;
  const bool change =
      (action == "remove" || action == "enable" || action == "disable") && operands.size() == 2;
  if (!add && !change) {
    return Usage(
        "feeds: list, add NAME URL, remove ID, enable ID, disable ID, import FILE, export or "
        "find URL");
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

}  // namespace quillet
