// Download throughput of the HTTP client: one GET of a large body, by a fresh
// process as curl's is, through the proxy named by QUILLET_BENCH_PROXY
// ("127.0.0.1:port") for the URL in QUILLET_BENCH_URL. scripts/bench-fetch
// serves the body and alternates runs of this with curl on the same URL.
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "core/sys/error.h"
#include "net/http_client.h"
#include "support/http_wait.h"

namespace {

void BM_Download(benchmark::State& state) {
  const char* proxy = std::getenv("QUILLET_BENCH_PROXY");
  const char* url = std::getenv("QUILLET_BENCH_URL");
  if (proxy == nullptr || url == nullptr) {
    state.SkipWithError("set QUILLET_BENCH_PROXY and QUILLET_BENCH_URL (see scripts/bench-fetch)");
    return;
  }
  quillet::HttpClient cli;
  cli.url = url;
  cli.proxy = proxy;
  std::string body;
  cli.receiveStream = &body;
  for (auto _ : state) {
    body.clear();
    try {
      quillet::test::WaitForExchange(cli);
    } catch (const quillet::QuilletError& e) {
      state.SkipWithError(e.what());
      break;
    }
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
  state.counters["MB"] = static_cast<double>(body.size()) / 1e6;
}
BENCHMARK(BM_Download)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
