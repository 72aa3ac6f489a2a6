// An exchange of the HTTP client waited for in a local event loop, for tests
// and benchmarks, which have nothing else to do meanwhile. Raises the error
// the exchange ended with.
#pragma once

#include <QEventLoop>

#include "net/http_client.h"

namespace quillet::test {

inline void WaitForExchange(HttpClient& client, bool head = false) {
  QEventLoop loop;
  bool ended = false;
  auto end = [&] {
    ended = true;
    loop.quit();
  };
  head ? client.BeginHead(end) : client.BeginGet(end);
  if (!ended) loop.exec();
  if (auto error = client.ExchangeError()) throw *error;
}

}  // namespace quillet::test
