#include "net/fetch_run.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTimer>

#include "core/headlines/extraction.h"
#include "core/headlines/feed_items.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "core/sites/front_page.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"
#include "net/source_failure.h"

namespace quillet {
namespace {

// In the program folder while a run holds it.
constexpr char kLockFile[] = "quillet.lock";
constexpr std::chrono::milliseconds kLockPollInterval{100};
constexpr qint64 kOwnerlessLockSeconds = 10;

// The value of a Content-Length line from its 17th character on, as a signed
// decimal integer; anything else is an error that ends the run.
int32_t ContentLengthValue(const std::string& line) {
  const std::string text = line.size() > 16 ? line.substr(16, 255) : std::string();
  size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    digits = true;
    if (value > INT32_MAX) break;
  }
  if (!digits || i != text.size() || value > INT32_MAX) {
    throw QuilletError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// The client's body limit set to a feed's while a feed downloads, and put
// back after, however the download ends.
class FeedBodyLimit {
 public:
  explicit FeedBodyLimit(HttpClient& client) : client_(client), kept_(client.maxDocumentSize) {
    client_.maxDocumentSize = static_cast<int64_t>(kMaxFeedBytes);
  }
  ~FeedBodyLimit() { client_.maxDocumentSize = kept_; }
  FeedBodyLimit(const FeedBodyLimit&) = delete;
  FeedBodyLimit& operator=(const FeedBodyLimit&) = delete;

 private:
  HttpClient& client_;
  int64_t kept_;
};

// `e` again, with the site named and what went wrong said before its reason.
QuilletError Named(const std::string& site, const std::string& explanation, const QuilletError& e) {
  return QuilletError(SourceFailureText(site, explanation, e.what()), e.code());
}

// "404 Not Found": the status of an answer that holds no feed.
std::string StatusFailure(const HttpClient& client) {
  const std::string& text = client.ResponseText();
  return std::to_string(client.ResponseCode()) + (text.empty() ? "" : " " + text);
}

}  // namespace

std::string AmountText(int32_t received, int32_t contentLength) {
  std::string text = std::to_string(received / 1024) + "KB / ";
  return contentLength > 0 ? text + std::to_string(contentLength / 1024) + "KB"
                           : text + CP932("不明");
}

FetchRun::FetchRun(HeadlineSink& list, ProgressView& view) : list_(list), view_(view) {
  http_.localAddr = "0.0.0.0";
  http_.proxyPort = "80";
  http_.agent = "Mozilla/3.0 (compatible)";
  http_.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  http_.noCache = true;
}

void FetchRun::SetStatus(const std::string& suffix) {
  state_.statusText = state_.siteName + suffix;
  UpdateProgress();
}

void FetchRun::UpdateProgress() {
  view_.ShowProgress(state_.statusText, AmountText(state_.received, state_.contentLength),
                     state_.contentLength, state_.received);
}

void FetchRun::Run(const settings::Settings& settings) {
  running_ = true;
  http_.receiveStream = &receiveStream_;
  http_.onDocBegin = [this](HttpClient&) { SetStatus(CP932(" に接続しています...")); };
  http_.onDocData = [this](HttpClient& client, std::string_view) {
    state_.statusText = state_.siteName + CP932(" のヘッドラインを取得しています...");
    state_.received = client.ReceivedCount();
    UpdateProgress();
  };
  http_.onDocEnd = [this](HttpClient&) { SetStatus(CP932(" の取得が終了しました")); };

  QLockFile folderLock(QFile::decodeName(QByteArray::fromStdString(DataDirectory() + kLockFile)));
  auto cleanUp = [this, &folderLock] {
    folderLock.unlock();
    receiveStream_.clear();
    receiveStream_.shrink_to_fit();
    http_.receiveStream = nullptr;
    running_ = false;
    if (OnRunEnded) OnRunEnded();
  };
  try {
    state_.cancelled = false;
    state_.seen.BeginRun();
    failures_.clear();
    sources_ = 0;
    downloadFailures_ = 0;
    state_.statusText = CP932("取得の準備をしています...");
    state_.received = 0;
    state_.contentLength = 0;
    UpdateProgress();
    // The sites in their fixed order.
    const bool started = WaitForProgramFolder(folderLock);
    if (started) {
      state_.settings = settings;
      const settings::Proxy& proxy = state_.settings.connection.proxy;
      http_.proxy = proxy.address;
      http_.proxyUsername = proxy.userName;
      http_.proxyPassword = proxy.password;
      if (OnSourcesStarting) OnSourcesStarting();
      for (const Site& site : Sites()) {
        FetchSite(site);
        if (state_.cancelled) break;
        receiveStream_.clear();
      }
      // Then the user's feeds in their list order.
      if (!state_.cancelled) {
        for (const settings::FeedSource& feed : state_.settings.feeds.feeds) {
          if (!feed.enabled) continue;
          FetchFeed(feed);
          receiveStream_.clear();
          if (state_.cancelled) break;
        }
      }
    }
    outcome_ = started && !state_.cancelled ? RunOutcome::kCompleted : RunOutcome::kCancelled;
  } catch (...) {
    outcome_ = RunOutcome::kFailed;
    cleanUp();
    throw;
  }
  cleanUp();
}

namespace {

// A lock file that names no owner and has been so for a while was left by a
// process killed between creating it and writing its owner into it; with a
// stale time of 0 the lock file itself would never count as stale.
void RemoveOwnerlessLock(QLockFile& lock, const QString& path) {
  qint64 pid = 0;
  QString host, application;
  const QDateTime changed = QFileInfo(path).lastModified();
  if (!lock.getLockInfo(&pid, &host, &application) && changed.isValid() &&
      changed.secsTo(QDateTime::currentDateTime()) > kOwnerlessLockSeconds) {
    lock.removeStaleLockFile();
  }
}

}  // namespace

bool FetchRun::WaitForProgramFolder(QLockFile& lock) {
  // A run may take long: only the lock of a process that has ended is stale.
  lock.setStaleLockTime(0);
  ForceDirectories(DataDirectory());
  const QString path = QFile::decodeName(QByteArray::fromStdString(DataDirectory() + kLockFile));
  RemoveOwnerlessLock(lock, path);
  // A folder that takes no lock file is fetched into without one.
  if (lock.tryLock(0) || lock.error() != QLockFile::LockFailedError) return true;
  state_.statusText = CP932("他の取得の終了を待っています...");
  UpdateProgress();
  // The wait sleeps in the event loop: the window stays responsive and Cancel ends it.
  QDeadlineTimer deadline(folderWaitLimit.count() < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                      : QDeadlineTimer(folderWaitLimit));
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    RemoveOwnerlessLock(lock, path);
    if (state_.cancelled || lock.tryLock(0) || deadline.hasExpired()) loop.quit();
  });
  poll.start(kLockPollInterval);
  loop.exec();
  if (lock.isLocked() || state_.cancelled) return lock.isLocked();
  if (!deadline.hasExpired()) return false;  // the application is quitting
  throw QuilletError(CP932("他の取得が終了しないため、取得を中止しました"));
}

void FetchRun::Cancel() {
  state_.cancelled = true;
  downloadAborted_ = true;
  http_.AbortRequest();
}

void FetchRun::Skip() {
  downloadAborted_ = true;
  http_.AbortRequest();
}

// The state of the previous site or feed cleared for the next one.
void FetchRun::BeginSource(const std::string& label, const std::string& name,
                           const std::string& baseUrl) {
  state_.statusText.clear();
  state_.received = 0;
  state_.contentLength = 0;
  state_.headline.clear();
  state_.siteLabel = label;
  state_.siteName = name;
  state_.baseUrl = baseUrl;
  state_.genre.clear();
  downloadAborted_ = false;
}

void FetchRun::AddFailure(const std::string& name, const std::string& explanation,
                          const std::string& reason, bool download) {
  failures_.push_back(SourceFailureText(name, explanation, reason));
  if (download) ++downloadFailures_;
}

void FetchRun::FetchSite(const Site& site) {
  BeginSource(site.shortLabel, site.displayLabel, site.baseUrl);

  bool anyEnabled = false;
  for (int i = site.firstCategory; i <= site.lastCategory && !anyEnabled; ++i) {
    anyEnabled = state_.settings.connection.enabled[static_cast<size_t>(i)];
  }
  if (!anyEnabled) return;
  ++sources_;
  const std::string& name = site.displayLabel;
  // The site is shown from its first request on, not from its first body bytes.
  SetStatus(CP932(" に接続しています..."));

  http_.url = site.FrontPageUrl();
  if (site.sizeProbe) {
    // Errors of the size probe end the run, unless Skip (the site is skipped)
    // or Cancel ended it.
    try {
      http_.SendHead();
    } catch (const QuilletError& e) {
      if (downloadAborted_) return;
      throw Named(name, DownloadProblemText(http_, SourceKind::kSite), e);
    }
    const Lines& header = http_.ResponseHeader();
    int at = FindLinePrefix(header, "Content-Length");
    try {
      if (at >= 0) state_.contentLength = ContentLengthValue(header[static_cast<size_t>(at)]);
    } catch (const QuilletError& e) {
      throw Named(name, ContentProblemText(ContentProblem::kBadSize), e);
    }
    UpdateProgress();
  }
  try {
    http_.SendGet();
  } catch (const std::exception& e) {
    // Skip and Cancel pass over the site quietly; a failed download is named.
    if (!downloadAborted_)
      AddFailure(name, DownloadProblemText(http_, SourceKind::kSite), e.what(), true);
    return;
  }

  Lines document;
  try {
    document = SectionDocument(site, receiveStream_);
  } catch (const QuilletError& e) {
    throw Named(name, ContentProblemText(ContentProblem::kUncuttablePage), e);
  }
  try {
    ExtractHeadlines(state_, document, list_);
  } catch (const QuilletError& e) {
    throw Named(name, ContentProblemText(ContentProblem::kLog), e);
  }
}

// A feed that fails adds its message to failures_ and the run goes on; one
// whose download Skip or Cancel ended has not failed.
void FetchRun::FetchFeed(const settings::FeedSource& feed) {
  BeginSource(feed.name, feed.name, std::string());
  ++sources_;
  SetStatus(CP932(" に接続しています..."));

  std::string failure;
  {
    FeedBodyLimit limit(http_);
    http_.url = feed.url;
    try {
      http_.SendGet();
      const int status = http_.ResponseCode();
      if (status < 200 || status > 299) failure = StatusFailure(http_);
    } catch (const std::exception& e) {
      if (downloadAborted_) return;
      failure = http_.Failed() ? std::string(e.what()) : StatusFailure(http_);
    }
    // Explained while the feed's body limit is the client's.
    if (!failure.empty()) {
      AddFailure(feed.name, DownloadProblemText(http_, SourceKind::kFeed), failure, true);
      return;
    }
  }
  Feed parsed;
  try {
    parsed = ParseFeed(receiveStream_);
  } catch (const std::exception& e) {
    AddFailure(feed.name,
               ContentProblemText(receiveStream_.empty() ? ContentProblem::kEmptyFeed
                                                         : ContentProblem::kNotAFeed),
               e.what(), false);
    return;
  }
  try {
    MergeFeedItems(state_, feed, parsed, list_);
  } catch (const std::exception& e) {
    AddFailure(feed.name, ContentProblemText(ContentProblem::kLog), e.what(), false);
  }
}

}  // namespace quillet
