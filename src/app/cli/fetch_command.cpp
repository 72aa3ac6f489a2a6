// quillet-cli fetch: the run, its rows printed as they come.
#include <QCoreApplication>

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "core/settings/settings.h"
#include "core/sys/error_display.h"
#include "core/sys/network_check.h"
#include "core/text/text_codec.h"
#include "net/fetch_run.h"

namespace quillet {
namespace {

// The rows a fetch prints: all of them, or those that are new, those the
// watch list matches, or those that are both.
struct RowFilter {
  bool newOnly = false;

  bool watchedOnly = false;

  bool Passes(const NewsItem& item) const {
    return (!newOnly || item.isNew) && (!watchedOnly || item.watched);
  }
};

class PrintedList : public HeadlineSink, public ProgressView {
 public:
  PrintedList(Terminal& terminal, RowFilter filter)
      : terminal_(terminal), filter_(std::move(filter)) {}
  void AppendRow(const std::string& caption, const std::string& genre, const std::string& headline,
                 int, std::unique_ptr<NewsItem> item) override {
    if (filter_.Passes(*item)) terminal_.PrintRow({caption, genre, headline, item->url});
  }
  void ShowProgress(const std::string& status, const std::string& amount, int, int) override {
    terminal_.Progress(status + "  " + amount);
  }

 private:
  Terminal& terminal_;
  RowFilter filter_;
};

}  // namespace

int Fetch(Terminal& terminal, int argc, char** argv, std::chrono::seconds folderWait, bool newOnly,
          bool watchOnly) {
  // Read once: the proxy, the watch list and all the run uses.
  const settings::Settings stored = settings::ReadSettings();
  const RowFilter filter{newOnly, watchOnly};
  if (!InternetAttemptConnect(stored.connection.proxy.address)) {
    terminal.Message(CP932("ネットワークに接続されていません"));
    return 2;
  }
  QCoreApplication app(argc, argv);
  PrintedList list(terminal, filter);
  FetchRun run(list, list);
  run.folderWaitLimit = folderWait;
  run.OnRunEnded = [] { QCoreApplication::quit(); };
  run.Start(stored);
  QCoreApplication::exec();
  const std::string error = run.Error() ? TopLevelErrorText(run.Error()->what()) : std::string();
  for (const std::string& warning : run.Warnings())
    terminal.Message(CP932("警告: ") + warning);
  // The sources that failed before whatever ended the run.
  for (const std::string& failure : run.Failures())
    terminal.Message(failure);
  if (!error.empty()) terminal.Message(error);
  terminal.ClearProgress();
  return !error.empty() || run.EveryDownloadFailed() ? 1 : 0;
}

}  // namespace quillet
