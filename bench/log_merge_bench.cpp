// Merging 40 fetched headlines into a category log of 100,000 records: the log
// kept in memory for the category against a read and rewrite per headline.
#include <benchmark/benchmark.h>

#include "core/headlines/headline_merge.h"
#include "core/headlines/site_items.h"
#include "core/sites/catalogue.h"
#include "support/reference_walk.h"

namespace quillet {
namespace {

constexpr int kRecords = 100000;
constexpr int kHeadlines = 40;

struct Fixture {
  Fixture() {
    Lines log;
    for (int i = 0; i < kRecords; ++i) {
      log.push_back("Earlier headline number " + std::to_string(i) + "\t" + Sites()[0].baseUrl +
                    "/old/" + std::to_string(i) + ".htm\t2026/11/30\t1");
    }
    original = FormatLogText(log);
    document.push_back(Categories()[0].markers[0]);
    for (int i = 0; i < kHeadlines; ++i) {
      // Half of the page is new, half was logged in earlier runs.
      std::string text = i % 2 ? "Fresh story " + std::to_string(i)
                               : "Earlier headline number " + std::to_string(i * 997);
      document.push_back("<li><a href=\"/n/" + std::to_string(i) + ".htm\">" + text + "</a></li>");
    }
  }
  void Restore() { test::WriteBytes(LogFilePath(0), original); }

  test::TempHome home;
  settings::Settings settings;
  std::string original;
  Lines document;
};

void BM_MergeInMemory(benchmark::State& bench) {
  Fixture f;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.Restore();
    HeadlineMerge merge;
    merge.BeginRun(f.settings);
    test::RecordingList list;
    bench.ResumeTiming();
    merge.Merge(SiteItems(Sites()[0], f.document, f.settings.connection.enabled), list);
    benchmark::DoNotOptimize(list.rows.size());
  }
  bench.counters["headlines"] = kHeadlines;
}
BENCHMARK(BM_MergeInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MergeRewritePerHeadline(benchmark::State& bench) {
  Fixture f;
  for (auto _ : bench) {
    bench.PauseTiming();
    f.Restore();
    test::RecordingList list;
    bench.ResumeTiming();
    test::ReferenceExtractHeadlines(f.settings, Sites()[0], f.document, list);
    benchmark::DoNotOptimize(list.rows.size());
  }
  bench.counters["headlines"] = kHeadlines;
}
BENCHMARK(BM_MergeRewritePerHeadline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
