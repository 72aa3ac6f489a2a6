// Figures of the long lists on generated logs, one measurement per run:
//   list_views select [RECORDS]  selecting a category of RECORDS (100,000)
//                                records in the log tab: time until the list
//                                has painted, and the RSS it added
//   list_views search [HITS]     a log search whose keyword is in HITS
//                                (618,862) records of the searched sites: time
//                                until the first rows show, whole time, peak RSS
// Prints "name value" lines. It drives the windows by their object names
// only, so the same file builds against earlier versions of them too.
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/log/log_search.h"
#include "core/log/log_store.h"
#include "core/sites/catalogue.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"
#include "ui/error_box.h"
#include "ui/log_search_window.h"
#include "ui/log_tab.h"

namespace quillet {
namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

// Starts the peak RSS (VmHWM) again from the current RSS.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

// CPU time of the whole process so far, user and system, in ms: on a busy
// machine the wall times also hold the waits for a core.
double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void Print(const char* name, double value) {
  std::printf("%s %.1f\n", name, value);
}

// `count` records of a category log, each with the keyword 国内 in its
// headline, as the fetch writes them: CP932, CR LF. Written a line at a time:
// a large block freed here would move glibc's mmap threshold and change what
// the measured code's own large blocks cost in RSS.
void WriteLog(int category, long count) {
  static const std::string headline =
      Utf8ToCp932("国内ニュース：首相が記者会見、経済対策を発表 第");
  static const std::string tail = Utf8ToCp932("報");
  const std::string path = LogFilePath(category);
  ForceDirectories(DirectoryOf(path));
  std::ofstream log(path, std::ios::binary);
  for (long n = 0; n < count; ++n)
    log << headline << n << tail << "\thttp://127.0.0.1/news/national/2024/05/01/" << n
        << ".html\t2024/05/01\t1\r\n";
}

int Select(long records) {
  WriteLog(0, records);
  ErrorBox errors;
  LogTab tab(errors);
  tab.resize(800, 600);
  tab.show();
  QApplication::processEvents();
  auto* tree = tab.findChild<QTreeWidget*>(QStringLiteral("siteTree"));
  auto* list = tab.findChild<QAbstractItemView*>(QStringLiteral("recordList"));
  const long before = StatusKb("VmRSS");
  const double cpu = CpuMs();
  QElapsedTimer clock;
  clock.start();
  tree->setCurrentItem(tree->topLevelItem(0)->child(0));
  QApplication::processEvents();  // the list paints
  const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  Print("select_rows", list->model()->rowCount());
  Print("select_ms", ms);
  Print("select_cpu_ms", CpuMs() - cpu);
  Print("select_rss_growth_mb", static_cast<double>(StatusKb("VmRSS") - before) / 1024);
  return list->model()->rowCount() == records ? 0 : 1;
}

int Search(long hits) {
  // The hits spread evenly over the searched sites' categories.
  const int categories = kCategoryCount;
  for (int c = 0; c < categories; ++c)
    WriteLog(c, hits / categories + (c < hits % categories ? 1 : 0));
  auto* form = new LogSearchWindow;
  form->show();
  QApplication::processEvents();
  auto* list = form->findChild<QAbstractItemView*>(QStringLiteral("resultList"));
  auto* status = form->findChild<QLabel*>(QStringLiteral("statusPanel"));
  form->findChild<QLineEdit*>(QStringLiteral("keywordEdit"))->setText(QStringLiteral("国内"));
  const QString found =
      QString::fromStdString(Cp932ToUtf8(FoundCountText(static_cast<size_t>(hits))));
  const long before = StatusKb("VmRSS");
  const bool peakReset = ResetPeak();
  QElapsedTimer clock;
  double first = -1;
  bool done = false;
  // Rows count as shown once the list has them and repaints.
  const auto probe = [&] {
    if (first < 0 && list->model()->rowCount() > 0 && list->updatesEnabled())
      first = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    done = status->text() == found;
  };
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, probe);
  tick.start(1);
  const double cpu = CpuMs();
  clock.start();
  form->findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
  for (probe(); !done; probe())
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double total = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  Print("search_rows", list->model()->rowCount());
  Print("search_first_rows_ms", first);
  Print("search_total_ms", total);
  Print("search_cpu_ms", CpuMs() - cpu);
  Print("search_rss_before_mb", static_cast<double>(before) / 1024);
  Print("search_peak_rss_mb", static_cast<double>(StatusKb("VmHWM")) / 1024);
  Print("search_rss_after_mb", static_cast<double>(StatusKb("VmRSS")) / 1024);
  if (!peakReset) std::printf("note: the peak could not be reset; it covers the whole run\n");
  const bool whole = list->model()->rowCount() == hits;
  delete form;
  return whole ? 0 : 1;
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  quillet::test::TempHome home;
  if (mode == "select") return quillet::Select(argc > 2 ? std::atol(argv[2]) : 100'000);
  if (mode == "search") return quillet::Search(argc > 2 ? std::atol(argv[2]) : 618'862);
  std::fprintf(stderr, "usage: list_views select [RECORDS] | search [HITS]\n");
  return 2;
}
