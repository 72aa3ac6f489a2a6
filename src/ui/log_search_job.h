// A log search off the window's thread: on a thread of Qt's global pool it
// runs the log search over every site's and feed's logs, and hands each
// site's or feed's rows over as soon as it is done. Everything it reports
// reaches the window as queued calls on the window's thread, in the order it
// happened.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/log/log_search.h"
#include "ui/text_table.h"

class QObject;

namespace quillet {

class LogSearchJob : public std::enable_shared_from_this<LogSearchJob> {
 public:
  // What the search reports; each is called on the receiver's thread.
  struct Reports {
    std::function<void(const std::string& status)> status;  // before each log file, CP932
    // A site's rows, in the result list's layout: site label, date, genre,
    // headline, URL; the site number as icon. In tables of a few thousand.
    std::function<void(std::vector<TextTable> rows)> rows;
    // The end: null, or the error that ended the search.
    std::function<void(std::exception_ptr failure)> ended;
  };

  // Starts searching the logs for `keyword` (CP932). The reports go to
  // `receiver`'s thread until Stop.
  static std::shared_ptr<LogSearchJob> Start(QObject* receiver, std::string keyword,
                                             SearchOptions options, Reports reports);
  // Called on the receiver's thread: nothing is reported any more, not even
  // what was posted already, and the scan gives up before its next log file.
  // The receiver may be destroyed right after.
  void Stop();

  LogSearchJob(QObject* receiver, Reports reports);

 private:
  void Run(const std::string& keyword, SearchOptions options);
  // Posts `report` to the receiver unless the job was stopped.
  void Post(std::function<void(Reports&)> report);
  bool Stopped();

  std::mutex mutex_;
  QObject* receiver_;  // null once stopped
  Reports reports_;
};

}  // namespace quillet
