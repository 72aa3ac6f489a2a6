// The extraction walk on a large section document: the text operations, the
// marker look-up and the merge, with logging off so that the walk itself is
// measured.
#include <benchmark/benchmark.h>

#include "core/headlines/headline_merge.h"
#include "core/headlines/site_items.h"
#include "core/settings/settings.h"
#include "core/sites/catalogue.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

Lines LargeDocument(int perCategory) {
  Lines page;
  for (int c = 0; c <= 8; ++c) {
    page.push_back(Categories()[static_cast<size_t>(c)].markers[0]);
    for (int i = 0; i < perCategory; ++i) {
      page.push_back("<li class=\"news\"><A HREF = \"/news/" + std::to_string(c) + "/" +
                     std::to_string(i) +
                     ".htm\"><b>\x93\x8C\x8B\x9E\x8A\x94\x8E\xAE</b> market report number " +
                     std::to_string(i) + "</A> <span>(12:34)</span><br>extra</li>");
    }
  }
  SplitBreaks(page);
  return page;
}

void BM_ExtractHeadlines(benchmark::State& bench) {
  test::TempHome home;
  test::WriteBytes(home.Path("quillet.ini"), "[Main]\r\nSaveLog=0\r\n");
  const Lines document = LargeDocument(static_cast<int>(bench.range(0)));
  const settings::Settings stored = settings::ReadSettings();
  for (auto _ : bench) {
    HeadlineMerge merge;
    merge.BeginRun(stored);
    test::RecordingList list;
    merge.Merge(SiteItems(Sites()[0], document, stored.connection.enabled), list);
    benchmark::DoNotOptimize(list.rows.size());
  }
  bench.SetItemsProcessed(bench.iterations() * static_cast<int64_t>(document.size()));
}
BENCHMARK(BM_ExtractHeadlines)->Arg(100)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_TextOperations(benchmark::State& bench) {
  std::string body;
  for (int i = 0; i < 50000; ++i) {
    body += "<tr><td><a href=\"/n/" + std::to_string(i) + ".htm\">Headline " + std::to_string(i) +
            "</a><br><small>\x83\x5C\x83\x74\x83\x67</small></td></tr>\r\n";
  }
  for (auto _ : bench) {
    Lines lines;
    StreamToLines(lines, body);
    SplitBreaks(lines);
    size_t n = 0;
    for (const std::string& line : lines)
      n += ExtractHref(line).size() + RemoveTags(line).size();
    benchmark::DoNotOptimize(n);
  }
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_TextOperations)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
