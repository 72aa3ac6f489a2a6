// A fetch run started and waited for in a local event loop, for tests, which
// have nothing else to do meanwhile. Raises the error that ended the run.
#pragma once

#include <QEventLoop>

#include "net/fetch_run.h"

namespace quillet::test {

inline void RunToEnd(FetchRun& run, const settings::Settings& settings) {
  QEventLoop loop;
  const auto onEnded = run.OnRunEnded;
  run.OnRunEnded = [&] {
    if (onEnded) onEnded();
    loop.quit();
  };
  run.Start(settings);
  loop.exec();
  run.OnRunEnded = onEnded;
  if (run.Error()) throw *run.Error();
}

}  // namespace quillet::test
