// Processor time that the client uses while it waits on a server that accepts the
// connection and never answers: the wait sleeps in the event loop, so the
// "CPU" column should stay at a few milliseconds for the 5-second wait.
#include <QCoreApplication>
#include <QTcpServer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "core/sys/error.h"
#include "net/http_client.h"
#include "support/http_wait.h"

namespace {

void BM_SilentServerWait(benchmark::State& state) {
  QTcpServer server;  // accepts, never reads nor writes
  if (!server.listen(QHostAddress::LocalHost, 0)) {
    state.SkipWithError("cannot listen on 127.0.0.1");
    return;
  }
  quillet::HttpClient cli;
  cli.url = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/";
  cli.requestDeadline = std::chrono::milliseconds(state.range(0));  // ends the wait
  for (auto _ : state) {
    try {
      quillet::test::WaitForExchange(cli);
    } catch (const quillet::QuilletError&) {
      // "Connection timed out", as intended
    }
  }
}
BENCHMARK(BM_SilentServerWait)
    ->Arg(5000)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
