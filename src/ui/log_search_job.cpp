#include "ui/log_search_job.h"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <malloc.h>

#include <utility>

#include "core/log/log_search.h"

namespace quillet {
namespace {

// Thrown through the scan when the job has been stopped.
struct SearchStopped {};

}  // namespace

LogSearchJob::LogSearchJob(QObject* receiver, Reports reports)
    : receiver_(receiver), reports_(std::move(reports)) {}

std::shared_ptr<LogSearchJob> LogSearchJob::Start(QObject* receiver, std::string keyword,
                                                  Reports reports) {
  auto job = std::make_shared<LogSearchJob>(receiver, std::move(reports));
  // The global pool: the application waits for its threads when it ends, so
  // a stopped scan still finishing its file never outlives the program.
  QThreadPool::globalInstance()->start([job, keyword = std::move(keyword)] { job->Run(keyword); });
  return job;
}

void LogSearchJob::Stop() {
  std::lock_guard lock(mutex_);
  receiver_ = nullptr;
}

bool LogSearchJob::Stopped() {
  std::lock_guard lock(mutex_);
  return receiver_ == nullptr;
}

void LogSearchJob::Post(std::function<void(Reports&)> report) {
  // Under the lock, so that Stop, and the receiver's end after it, cannot
  // come between the check and the posting. The call checks again on
  // arrival: a stop may come while it waits in the queue.
  std::lock_guard lock(mutex_);
  if (receiver_ == nullptr) return;
  QMetaObject::invokeMethod(
      receiver_,
      [self = shared_from_this(), report = std::move(report)] {
        if (!self->Stopped()) report(self->reports_);
      },
      Qt::QueuedConnection);
}

void LogSearchJob::Run(const std::string& keyword) {
  std::exception_ptr failure;
  try {
    const auto showStatus = [this](const std::string& status) {
      if (Stopped()) throw SearchStopped();
      Post([status](Reports& r) { r.status(status); });
    };
    for (int site = 0; site < kSearchedSites; ++site) {
      // The site's rows go straight into the list's storage as they are found.
      auto rows = std::make_shared<TextTable>(5);
      SearchSiteLogs(site, keyword, showStatus, [&rows](const SearchRowView& row) {
        rows->Add({row.siteLabel, row.date, row.genre, row.headline, row.url}, row.site);
      });
      if (rows->Size() == 0) continue;
      Post([rows](Reports& r) { r.rows(std::move(*rows)); });
    }
  } catch (const SearchStopped&) {
    // Given up: the end is posted to no one.
  } catch (const std::exception&) {
    failure = std::current_exception();
  }
  // The scan's blocks of a large search (tens of MB) would otherwise stay
  // with this pool thread's allocator for as long as the program runs.
  malloc_trim(0);
  Post([failure](Reports& r) { r.ended(failure); });
}

}  // namespace quillet
