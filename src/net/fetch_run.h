// The fetch run: one pass over the seven sites, then the user's feeds, driven by the progress
// dialog (or the terminal), with the fetch state, the HTTP client, Cancel and Skip. One run at a
// time per program folder: a run holds the folder's lock file.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/headlines/fetch_state.h"
#include "core/headlines/headline_sink.h"
#include "core/settings/feed_list.h"
#include "core/sites/catalogue.h"
#include "net/http_client.h"

class QLockFile;

namespace quillet {

// What UpdateProgress shows: the status text, the amount text, and the bar's
// maximum and position.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void ShowProgress(const std::string& status, const std::string& amount, int maximum,
                            int position) = 0;
};

// "%dKB / %dKB" with a known size, "%dKB / 不明" without.
std::string AmountText(int32_t received, int32_t contentLength);

// How a run ended: every source tried; Cancel (also while it waited for
// another run); or an error that ended it.
enum class RunOutcome { kCompleted, kCancelled, kFailed };

class FetchRun {
 public:
  FetchRun(HeadlineSink& list, ProgressView& view);
  FetchRun(const FetchRun&) = delete;
  FetchRun& operator=(const FetchRun&) = delete;

  // Runs the whole fetch with `settings`, read once by the caller as the run
  // starts: what the run began with holds to its end. However it ends, the
  // clean-up runs (receive stream freed, OnRunEnded called); an error that no
  // site absorbs is then rethrown for the top-level error display.
  void Run(const settings::Settings& settings);
  void Cancel();  // Cancel: ends the run after the current site or feed
  void Skip();    // Skip: aborts the current download only

  bool Running() const { return running_; }
  RunOutcome Outcome() const { return outcome_; }  // of the last run
  FetchState& State() { return state_; }
  HttpClient& Http() { return http_; }
  // The sites and feeds of the last run that failed, one message each that
  // begins with the source's name (CP932). A failed page or feed never ends
  // the run; a failed size probe does, with such a message as its error.
  const std::vector<std::string>& Failures() const { return failures_; }
  // Every enabled source of the last run was asked for and none of them
  // downloaded; one whose body came but held no headline or no feed did.
  bool EveryDownloadFailed() const { return sources_ > 0 && downloadFailures_ == sources_; }

  // Called once the run holds the program folder, before the first site:
  // from here on it fetches.
  std::function<void()> OnSourcesStarting;
  // The window's part of the clean-up: enable the fetch button, fit the
  // columns, hide the dialog.
  std::function<void()> OnRunEnded;

  // How long a run waits for another run on the same program folder to end
  // before it gives up with an error; negative: until that run ends or Cancel.
  std::chrono::milliseconds folderWaitLimit{-1};

 private:
  bool WaitForProgramFolder(QLockFile& lock);
  void BeginSource(const std::string& label, const std::string& name, const std::string& baseUrl);
  void FetchSite(const Site& site);
  void FetchFeed(const settings::FeedSource& feed);
  void UpdateProgress();
  void AddFailure(const std::string& name, const std::string& explanation,
                  const std::string& reason, bool download);
  void SetStatus(const std::string& suffix);

  HeadlineSink& list_;
  ProgressView& view_;
  FetchState state_;
  HttpClient http_;
  std::string receiveStream_;
  std::vector<std::string> failures_;
  int sources_ = 0;  // enabled sources asked for in this run
  int downloadFailures_ = 0;
  bool running_ = false;
  RunOutcome outcome_ = RunOutcome::kCompleted;
  bool downloadAborted_ = false;  // Skip or Cancel ended the current download
};

}  // namespace quillet
