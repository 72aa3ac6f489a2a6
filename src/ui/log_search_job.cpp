#include "ui/log_search_job.h"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <malloc.h>

#include <utility>
#include <vector>

#include "core/log/log_search.h"
#include "core/pages/page_store.h"
#include "core/settings/settings.h"

namespace quillet {
namespace {

// Thrown through the scan when the job has been stopped.
struct SearchStopped {};

// A site's rows are kept in tables allocated once at this size rather than in
// one growing table: growing copies the rows, and for a moment holds them
// twice, which with hundreds of thousands of hits is tens of MB at the peak.
constexpr size_t kTableRows = 4096;
constexpr size_t kTableBytes = 512 * 1024;

// Adds `row` to the last of `tables`, or to a new one once that is full.
void AddRow(std::vector<TextTable>& tables, const SearchRowView& row) {
  const size_t bytes = row.siteLabel.size() + row.date.size() + row.genre.size() +
                       row.headline.size() + row.url.size();
  if (tables.empty() || tables.back().Size() == kTableRows ||
      tables.back().Bytes() + bytes > kTableBytes) {
    tables.emplace_back(5);
    tables.back().Reserve(kTableRows, kTableBytes);
  }
  tables.back().Add({row.siteLabel, row.date, row.genre, row.headline, row.url}, row.site);
}

}  // namespace

LogSearchJob::LogSearchJob(QObject* receiver, Reports reports)
    : receiver_(receiver), reports_(std::move(reports)) {}

std::shared_ptr<LogSearchJob> LogSearchJob::Start(QObject* receiver, std::string keyword,
                                                  SearchOptions options, Reports reports) {
  auto job = std::make_shared<LogSearchJob>(receiver, std::move(reports));
  // The global pool: the application waits for its threads when it ends, so
  // a stopped scan still finishing its file never outlives the program.
  QThreadPool::globalInstance()->start(
      [job, keyword = std::move(keyword), options] { job->Run(keyword, options); });
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

void LogSearchJob::Run(const std::string& keyword, SearchOptions options) {
  std::exception_ptr failure;
  try {
    const auto showStatus = [this](const std::string& status) {
      if (Stopped()) throw SearchStopped();
      Post([status](Reports& r) { r.status(status); });
    };
    // A source's rows go straight into the list's storage as they are found,
    // and to the window once the source is done.
    auto rows = std::make_shared<std::vector<TextTable>>();
    SearchLogs(
        SearchedSources(settings::ReadSettings().feeds.feeds, ReadPagesOrNone()), keyword, options,
        showStatus, [&rows](const SearchRowView& row) { AddRow(*rows, row); },
        [&] {
          if (rows->empty()) return;
          Post([rows](Reports& r) { r.rows(std::move(*rows)); });
          rows = std::make_shared<std::vector<TextTable>>();
        });
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
