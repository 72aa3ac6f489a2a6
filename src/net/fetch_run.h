// The fetch run: the enabled sites in their order, then the user's enabled
// pages and feeds in theirs, each a Source. It never waits: downloads run on the event
// loop, cutting and parsing on threads of their own, and each source's items
// are merged, and reach the list, in source order whatever order the sources
// end in. One run at a time per program folder: a run holds the folder's lock
// file.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/feeds/feed_list_changes.h"
#include "core/feeds/feed_state.h"
#include "core/headlines/headline_merge.h"
#include "core/headlines/headline_sink.h"
#include "core/pages/page_list.h"
#include "core/settings/settings.h"
#include "core/sys/error.h"
#include "net/source.h"

class QNetworkAccessManager;

namespace quillet {

// What the progress shows: the status text, the amount text, and the bar's
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
  ~FetchRun();
  FetchRun(const FetchRun&) = delete;
  FetchRun& operator=(const FetchRun&) = delete;

  // Starts a run with `settings`, read once by the caller as the run starts:
  // what the run began with holds to its end. Returns at once; OnRunEnded is
  // called from the event loop when the run is over, however it ends.
  void Start(const settings::Settings& settings);
  void Cancel();  // Cancel: the sources in progress end quietly, and so does the run
  void Skip();    // Skip: the sources in progress end quietly; the run goes on

  bool Running() const { return running_; }
  RunOutcome Outcome() const { return outcome_; }  // of the last run
  // The error that ended the last run (kFailed), for the top-level error display.
  const std::optional<QuilletError>& Error() const { return error_; }
  // The sites, pages and feeds of the last run that failed, one message each
  // that begins with the source's name (CP932), and the sites and pages that
  // came but gave no headline. A failed page or feed never ends the run; a
  // failed size probe does, with such a message as its error.
  const std::vector<std::string>& Failures() const { return failures_; }
  // The sources read in spite of faults, such as a feed's mended XML: the
  // source's name, then what was wrong.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // Every enabled source of the last run was asked for and none of them
  // downloaded; one whose body came but held no headline or no feed did.
  bool EveryDownloadFailed() const { return started_ > 0 && downloadFailures_ == started_; }

  // Called once the run holds the program folder, before the first source:
  // from here on it fetches.
  std::function<void()> OnSourcesStarting;
  // The window's part of the clean-up: enable the fetch button, fit the
  // columns, hide the dialog. Called from the event loop once the run is over.
  std::function<void()> OnRunEnded;

  // How long a run waits for another run on the same program folder to end
  // before it gives up with an error; negative: until that run ends or Cancel.
  std::chrono::milliseconds folderWaitLimit{-1};
  // At most kSourcesPerHost feeds in progress asking one host. The sites go
  // one after another, in their order, as they always have; the feeds follow
  // them, together, as many at once as the settings say.
  static constexpr size_t kSourcesPerHost = 4;

 private:
  void TakeProgramFolder();
  void PollProgramFolder();
  void StartSources();
  std::unique_ptr<Source> MakeFeed(const settings::FeedSource& feed);
  std::unique_ptr<Source> MakePage(const PageSource& page);
  // Keeps what the feed's answer taught: its state, the feed list's changes.
  void LearnFromAnswer(size_t index, SourceOutcome& outcome);
  // Writes what the run learnt of its feeds; what cannot be written is a warning.
  void SaveWhatWasLearnt();
  void StartMore();
  // Lets a source go once the call in progress is over: it may be the caller.
  void Retire(std::unique_ptr<Source> source);
  void OnSourceEnded(size_t index, SourceOutcome outcome);
  void MergeEnded();
  void Show(size_t index, const SourceProgress& progress);
  // Whether the source's progress shows with the others': feeds, when more
  // than one may be in progress.
  bool Together(size_t index) const;
  void ShowTogether();
  void ShowStatus(const std::string& status);
  void End(RunOutcome outcome, std::optional<QuilletError> error = std::nullopt);
  // Runs `step`; an error it raises ends the run.
  void Guarded(const std::function<void()>& step);

  HeadlineSink& list_;
  ProgressView& view_;
  QObject context_;  // receives the run's own timers and posted steps
  // The feeds' downloads, kept from run to run for the connections it keeps
  // alive; its replies belong to the sources, which may outlive it.
  std::unique_ptr<QNetworkAccessManager> feedNetwork_;
  QTimer folderPoll_;
  std::unique_ptr<QLockFile> folderLock_;
  std::chrono::steady_clock::time_point folderWaitEnd_;
  settings::Settings settings_;
  PageList pages_;  // as the run read them
  size_t sourcesAtOnce_ = 1;
  HeadlineMerge merge_;
  // A source of the run, made when it starts; one is let go once merged.
  struct PlannedSource {
    std::function<std::unique_ptr<Source>()> make;
    bool site = false;
    std::string host;  // of a feed, as RequestHost names it, for the per-host limit
    const settings::FeedSource* feed = nullptr;
    const PageSource* page = nullptr;
    bool begun = false;
  };
  bool MayStart(const PlannedSource& planned) const;

  std::vector<PlannedSource> planned_;                  // in order
  std::map<size_t, std::unique_ptr<Source>> active_;    // started and not merged
  std::vector<std::optional<SourceOutcome>> outcomes_;  // ended and not merged yet
  size_t started_ = 0;                                  // sources started so far
  size_t merged_ = 0;                                   // sources merged so far, in order
  size_t inProgress_ = 0;
  size_t sitesLeft_ = 0;                    // sites not yet ended: no feed starts before they have
  std::map<size_t, SourceProgress> shown_;  // the last progress of each source in progress
  size_t ended_ = 0;
  std::map<std::string, size_t> hostsInProgress_;  // feeds in progress per host
  std::vector<std::string> failures_;
  std::vector<std::string> warnings_;
  // What is kept of the feeds as the run read it, with its answers recorded;
  // the feeds it recorded, to write; the list's changes they call for.
  FeedStates feedStates_;
  bool feedStatesRead_ = false;
  FeedStates learnt_;
  std::vector<FeedListChange> listChanges_;
  size_t downloadFailures_ = 0;
  bool running_ = false;
  bool cancelled_ = false;
  unsigned run_ = 0;  // counts the runs: what an ended run posted is not for the next one
  RunOutcome outcome_ = RunOutcome::kCompleted;
  std::optional<QuilletError> error_;
};

}  // namespace quillet
