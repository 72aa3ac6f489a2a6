#include "net/fetch_run.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>

#include <algorithm>

#include "core/feeds/feed_answer.h"
#include "core/pages/page_store.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "net/feed_fetch.h"
#include "net/feed_network.h"
#include "net/page_fetch.h"
#include "net/site_fetch.h"

namespace quillet {
namespace {

// In the program folder while a run holds it.
constexpr char kLockFile[] = "quillet.lock";
constexpr std::chrono::milliseconds kLockPollInterval{100};
constexpr qint64 kOwnerlessLockSeconds = 10;

QString LockPath() {
  return QFile::decodeName(QByteArray::fromStdString(DataDirectory() + kLockFile));
}

// A lock file that names no owner and has been so for a while was left by a
// process killed between creating it and writing its owner into it; with a
// stale time of 0 the lock file itself would never count as stale.
void RemoveOwnerlessLock(QLockFile& lock) {
  qint64 pid = 0;
  QString host, application;
  const QDateTime changed = QFileInfo(LockPath()).lastModified();
  if (!lock.getLockInfo(&pid, &host, &application) && changed.isValid() &&
      changed.secsTo(QDateTime::currentDateTime()) > kOwnerlessLockSeconds) {
    lock.removeStaleLockFile();
  }
}

// The sources of a run: the sites with a patrolled category, in their order,
// then the enabled pages with a section, then the enabled feeds, each in
// their list's order. Each is made when it starts, so that a long list costs
// nothing before its turn.
template <typename Planned, typename MakeFeed, typename MakePage>
std::vector<Planned> PlannedSources(const settings::Settings& settings, const PageList& pages,
                                    MakeFeed makeFeed, MakePage makePage) {
  std::vector<Planned> planned;
  const settings::Connection& connection = settings.connection;
  for (const Site& site : Sites()) {
    if (std::any_of(connection.enabled.begin() + site.firstCategory,
                    connection.enabled.begin() + site.lastCategory + 1, [](bool on) { return on; }))
      planned.push_back(
          {[&site, &connection] { return std::make_unique<SiteFetch>(site, connection); },
           true,
           {},
           nullptr,
           nullptr,
           false});
  }
  for (const PageSource& page : pages.pages) {
    if (page.enabled && !page.sections.empty()) {
      planned.push_back({[&page, makePage] { return makePage(page); }, false, RequestHost(page.url),
                         nullptr, &page, false});
    }
  }
  for (const settings::FeedSource& feed : settings.feeds.feeds) {
    if (feed.enabled) {
      planned.push_back({[&feed, makeFeed] { return makeFeed(feed); }, false, RequestHost(feed.url),
                         &feed, nullptr, false});
    }
  }
  return planned;
}

bool NoHeadline(const std::vector<HeadlineItem>& items) {
  return std::none_of(items.begin(), items.end(),
                      [](const HeadlineItem& item) { return !item.headline.empty(); });
}

// Why a site or a page that came gave no headline, and what the user can do.
std::string NoHeadlineText(const std::string& name, SourceKind kind) {
  return name + CP932(": 見出しが見つかりません（ページの作りが変わったのかもしれません）。") +
         (kind == SourceKind::kSite
              ? CP932("サイトのフィードを探すか (接続設定のフィード、quillet-cli feeds find "
                      "URL)、ページとして切り出し方を書いてください")
              : CP932("ページのフィードを探すか (接続設定のフィード、quillet-cli feeds find "
                      "URL)、切り出し方を「試す」で確かめてください"));
}

}  // namespace

std::string AmountText(int32_t received, int32_t contentLength) {
  std::string text = std::to_string(received / 1024) + "KB / ";
  return contentLength > 0 ? text + std::to_string(contentLength / 1024) + "KB"
                           : text + CP932("不明");
}

FetchRun::FetchRun(HeadlineSink& list, ProgressView& view) : list_(list), view_(view) {
  folderPoll_.setInterval(kLockPollInterval);
  QObject::connect(&folderPoll_, &QTimer::timeout, &context_,
                   [this] { Guarded([this] { PollProgramFolder(); }); });
}

FetchRun::~FetchRun() = default;

void FetchRun::Start(const settings::Settings& settings) {
  if (running_) return;
  running_ = true;
  cancelled_ = false;
  ++run_;
  error_.reset();
  failures_.clear();
  warnings_.clear();
  started_ = merged_ = inProgress_ = downloadFailures_ = 0;
  sitesLeft_ = ended_ = 0;
  hostsInProgress_.clear();
  shown_.clear();
  settings_ = settings;
  sourcesAtOnce_ = static_cast<size_t>(std::max(settings.connection.feedsAtOnce, 1));
  ShowStatus(CP932("取得の準備をしています..."));
  // Never from inside Start: its caller may not be ready for the end.
  QMetaObject::invokeMethod(
      &context_, [this] { Guarded([this] { TakeProgramFolder(); }); }, Qt::QueuedConnection);
}

void FetchRun::Guarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const QuilletError& e) {
    End(RunOutcome::kFailed, e);
  } catch (const std::exception& e) {
    End(RunOutcome::kFailed, QuilletError(e.what()));
  }
}

void FetchRun::TakeProgramFolder() {
  if (cancelled_) return End(RunOutcome::kCancelled);
  folderLock_ = std::make_unique<QLockFile>(LockPath());
  // A run may take long: only the lock of a process that has ended is stale.
  folderLock_->setStaleLockTime(0);
  ForceDirectories(DataDirectory());
  RemoveOwnerlessLock(*folderLock_);
  // A folder that takes no lock file is fetched into without one.
  if (folderLock_->tryLock(0) || folderLock_->error() != QLockFile::LockFailedError)
    return StartSources();
  ShowStatus(CP932("他の取得の終了を待っています..."));
  // The wait polls from the event loop: Cancel ends it.
  folderWaitEnd_ = folderWaitLimit.count() < 0 ? std::chrono::steady_clock::time_point::max()
                                               : std::chrono::steady_clock::now() + folderWaitLimit;
  folderPoll_.start();
}

void FetchRun::PollProgramFolder() {
  RemoveOwnerlessLock(*folderLock_);
  if (cancelled_) return End(RunOutcome::kCancelled);
  if (folderLock_->tryLock(0)) {
    folderPoll_.stop();
    return StartSources();
  }
  if (std::chrono::steady_clock::now() >= folderWaitEnd_)
    End(RunOutcome::kFailed, QuilletError(CP932("他の取得が終了しないため、取得を中止しました")));
}

void FetchRun::StartSources() {
  merge_.BeginRun(settings_);
  if (!feedNetwork_) feedNetwork_ = std::make_unique<QNetworkAccessManager>();
  UseProxy(*feedNetwork_, settings_.connection.proxy);
  feedStates_ = {};
  learnt_ = {};
  listChanges_.clear();
  feedStatesRead_ = false;
  try {
    feedStates_ = ReadFeedStates();
    feedStatesRead_ = true;
  } catch (const QuilletError& e) {
    warnings_.push_back(e.what());  // every feed is asked for as if new
  }
  pages_ = {};
  try {
    pages_ = ReadPages();
  } catch (const QuilletError& e) {
    warnings_.push_back(e.what());  // no page is patrolled
  }
  planned_ = PlannedSources<PlannedSource>(
      settings_, pages_, [this](const settings::FeedSource& feed) { return MakeFeed(feed); },
      [this](const PageSource& page) { return MakePage(page); });
  sitesLeft_ = static_cast<size_t>(
      std::count_if(planned_.begin(), planned_.end(), [](const auto& p) { return p.site; }));
  outcomes_.assign(planned_.size(), std::nullopt);
  if (OnSourcesStarting) OnSourcesStarting();
  StartMore();
}

std::unique_ptr<Source> FetchRun::MakeFeed(const settings::FeedSource& feed) {
  // Made as it starts: a host's wait that an earlier feed of the run met counts.
  const auto state = feedStates_.feeds.find(feed.id);
  return std::make_unique<FeedFetch>(
      feed, *feedNetwork_, RequestFor(feedStates_, feed.id, feed.url),
      state == feedStates_.feeds.end() ? std::vector<FeedItem>{} : state->second.rows,
      std::time(nullptr));
}

std::unique_ptr<Source> FetchRun::MakePage(const PageSource& page) {
  // Kept with the feeds' state, under the page's id made negative.
  const auto state = feedStates_.feeds.find(-page.id);
  return std::make_unique<PageFetch>(
      page, *feedNetwork_, RequestFor(feedStates_, -page.id, page.url),
      state == feedStates_.feeds.end() ? std::vector<FeedItem>{} : state->second.rows,
      std::time(nullptr));
}

void FetchRun::LearnFromAnswer(size_t index, SourceOutcome& outcome) {
  if (const PageSource* page = planned_[index].page; page && outcome.feedAnswer) {
    // A page's URL stays as the user wrote it, whatever its answers.
    RecordAnswer(feedStates_, -page->id, *outcome.feedAnswer, std::time(nullptr));
    learnt_.feeds[-page->id] = feedStates_.feeds[-page->id];
    learnt_.hosts = feedStates_.hosts;
    return;
  }
  const settings::FeedSource* feed = planned_[index].feed;
  if (!feed || !outcome.feedAnswer) return;
  const AnswerEffects effects =
      RecordAnswer(feedStates_, feed->id, *outcome.feedAnswer, std::time(nullptr));
  learnt_.feeds[feed->id] = feedStates_.feeds[feed->id];
  learnt_.hosts = feedStates_.hosts;
  if (effects.takenUrl.empty() && effects.switchedOff.empty()) return;
  listChanges_.push_back({feed->id, feed->url, effects.takenUrl, !effects.switchedOff.empty()});
  if (!effects.takenUrl.empty()) {
    warnings_.push_back(feed->name + CP932(": フィードが移転したため、URL を ") + effects.takenUrl +
                        CP932(" に変えました"));
  }
  if (!effects.switchedOff.empty() && outcome.kind == SourceOutcome::Kind::kFailed)
    outcome.failure = feed->name + ": " + effects.switchedOff;
}

void FetchRun::SaveWhatWasLearnt() {
  if (!feedStatesRead_ || (learnt_.feeds.empty() && listChanges_.empty())) return;
  const auto warned = [this](const std::function<void()>& write) {
    try {
      write();
    } catch (const QuilletError& e) {
      warnings_.push_back(e.what());
    }
  };
  if (!listChanges_.empty()) {
    warned([this] {
      settings::EditSettings(
          [this](settings::SettingsEdit& edit) { PutFeedListChanges(edit, listChanges_); });
    });
  }
  warned([this] { SaveFeedStates(learnt_, std::time(nullptr)); });
}

bool FetchRun::MayStart(const PlannedSource& planned) const {
  // Sites one at a time; feeds once every site has ended.
  if (planned.site || sitesLeft_ > 0) return planned.site && inProgress_ == 0;
  const auto host = hostsInProgress_.find(planned.host);
  return host == hostsInProgress_.end() || host->second < kSourcesPerHost;
}

// The first sources in order that may start, up to the limits.
void FetchRun::StartMore() {
  for (size_t index = merged_; index < planned_.size(); ++index) {
    if (cancelled_ || inProgress_ >= sourcesAtOnce_) break;
    PlannedSource& planned = planned_[index];
    if (planned.begun || !MayStart(planned)) continue;
    planned.begun = true;
    ++started_;
    ++inProgress_;
    if (!planned.site) ++hostsInProgress_[planned.host];
    const unsigned run = run_;
    Source& source = *(active_[index] = planned.make());
    source.Start(
        [this, index, run](const SourceProgress& progress) {
          if (running_ && run == run_) Show(index, progress);
        },
        [this, index, run](SourceOutcome outcome) {
          if (running_ && run == run_) Guarded([&] { OnSourceEnded(index, std::move(outcome)); });
        });
  }
  // Cancelled, the sources never begun leave the ones after them unmerged.
  if (inProgress_ == 0 && (cancelled_ || merged_ == planned_.size()))
    End(cancelled_ ? RunOutcome::kCancelled : RunOutcome::kCompleted);
}

void FetchRun::Retire(std::unique_ptr<Source> source) {
  QMetaObject::invokeMethod(
      &context_, [held = std::shared_ptr<Source>(std::move(source))] {}, Qt::QueuedConnection);
}

void FetchRun::OnSourceEnded(size_t index, SourceOutcome outcome) {
  --inProgress_;
  ++ended_;
  shown_.erase(index);
  if (planned_[index].site) {
    --sitesLeft_;
  } else if (--hostsInProgress_[planned_[index].host] == 0) {
    hostsInProgress_.erase(planned_[index].host);
  }
  LearnFromAnswer(index, outcome);
  outcomes_[index] = std::move(outcome);
  MergeEnded();
  if (running_ && Together(index)) ShowTogether();
  if (running_) StartMore();
}

// The sources that have ended, in order up to the first still in progress.
void FetchRun::MergeEnded() {
  while (running_ && merged_ < outcomes_.size() && outcomes_[merged_]) {
    const size_t index = merged_++;
    SourceOutcome outcome = std::move(*outcomes_[index]);
    outcomes_[index].reset();
    std::unique_ptr<Source> source = std::move(active_[index]);
    active_.erase(index);
    const std::string name = source->Name();
    const SourceKind kind = source->Kind();
    Retire(std::move(source));
    switch (outcome.kind) {
      case SourceOutcome::Kind::kItems:
        if (!outcome.warning.empty()) warnings_.push_back(std::move(outcome.warning));
        if (kind != SourceKind::kFeed && !outcome.unchanged && NoHeadline(outcome.items))
          failures_.push_back(NoHeadlineText(name, kind));
        try {
          if (outcome.unchanged) {
            merge_.ShowAgain(outcome.items, list_);
            break;
          }
          merge_.Merge(std::move(outcome.items), list_);
        } catch (const std::exception& e) {
          const std::string explanation = ContentProblemText(ContentProblem::kLog);
          // A site's log that cannot be kept ends the run; a feed's is its own failure.
          if (kind == SourceKind::kSite) {
            const auto* error = dynamic_cast<const QuilletError*>(&e);
            return End(RunOutcome::kFailed,
                       QuilletError(SourceFailureText(name, explanation, e.what()),
                                    error ? error->code() : 0));
          }
          failures_.push_back(SourceFailureText(name, explanation, e.what()));
        }
        break;
      case SourceOutcome::Kind::kAborted:
        break;
      case SourceOutcome::Kind::kFailed:
        failures_.push_back(std::move(outcome.failure));
        if (outcome.downloadFailed) ++downloadFailures_;
        break;
      case SourceOutcome::Kind::kEndsRun:
        return End(RunOutcome::kFailed, std::move(outcome.error));
    }
  }
}

void FetchRun::Show(size_t index, const SourceProgress& progress) {
  shown_[index] = progress;
  if (Together(index)) return ShowTogether();
  view_.ShowProgress(active_.at(index)->Name() + progress.status,
                     AmountText(progress.received, progress.contentLength), progress.contentLength,
                     progress.received);
}

bool FetchRun::Together(size_t index) const {
  return !planned_[index].site && sourcesAtOnce_ > 1;
}

// Feeds that may be in progress together: how many of the run's have ended, the names
// of those in progress, and the bytes they have received.
void FetchRun::ShowTogether() {
  std::string names;
  int32_t received = 0;
  for (const auto& [index, progress] : shown_) {
    names += (names.empty() ? "" : CP932("、")) + active_.at(index)->Name();
    received += progress.received;
  }
  const auto total = static_cast<int>(planned_.size());
  view_.ShowProgress(CP932("取得しています (") + std::to_string(ended_) + " / " +
                         std::to_string(total) + CP932(" 件済み)") + (names.empty() ? "" : ": ") +
                         names,
                     AmountText(received, 0), total, static_cast<int>(ended_));
}

void FetchRun::ShowStatus(const std::string& status) {
  view_.ShowProgress(status, AmountText(0, 0), 0, 0);
}

void FetchRun::Cancel() {
  if (!running_) return;
  cancelled_ = true;
  if (folderPoll_.isActive()) return End(RunOutcome::kCancelled);
  Skip();
}

void FetchRun::Skip() {
  if (!running_) return;
  for (auto& [index, source] : active_) {
    if (!outcomes_[index]) source->Abort();
  }
}

void FetchRun::End(RunOutcome outcome, std::optional<QuilletError> error) {
  if (!running_) return;
  folderPoll_.stop();
  // Sources still in progress (after an error) end quietly.
  for (auto& [index, source] : active_) {
    if (!outcomes_[index]) source->Abort();
    Retire(std::move(source));
  }
  active_.clear();
  SaveWhatWasLearnt();
  planned_.clear();
  outcomes_.clear();
  if (folderLock_) folderLock_->unlock();
  folderLock_.reset();
  running_ = false;
  outcome_ = outcome;
  error_ = std::move(error);
  // From the event loop, not from inside a source's call: the window may open
  // a message box, whose own loop may start the next run.
  QMetaObject::invokeMethod(
      &context_,
      [this] {
        if (OnRunEnded) OnRunEnded();
      },
      Qt::QueuedConnection);
}

}  // namespace quillet
