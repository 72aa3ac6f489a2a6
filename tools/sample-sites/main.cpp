// quillet-sample-sites: serves the bundled front pages on 127.0.0.1 as a proxy
// for the seven news sites, for the demo, the tests and the benchmarks.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample_server.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: quillet-sample-sites [--port N] [--dir DIR] [--auth USER:PASSWORD]\n"
               "Serves the sample front pages as an HTTP proxy on 127.0.0.1 and prints\n"
               "the port it listens on.\n");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string dir = QUILLET_SAMPLE_DIR;
  std::string auth;
  long port = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--port" || arg == "--dir" || arg == "--auth") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--port") {
        char* end = nullptr;
        port = std::strtol(value.c_str(), &end, 10);
        if (*end != '\0' || port < 0 || port > 65535) {
          Usage();
          return 2;
        }
      } else if (arg == "--dir") {
        dir = value;
      } else {
        auth = value;
      }
    } else {
      Usage();
      return arg == "--help" ? 0 : 2;
    }
  }
  try {
    quillet::SampleSiteServer server(dir);
    if (!auth.empty()) {
      const size_t colon = auth.find(':');
      server.RequireProxyCredentials(auth.substr(0, colon),
                                     colon == std::string::npos ? "" : auth.substr(colon + 1));
    }
    if (!server.Listen(static_cast<uint16_t>(port))) {
      std::fprintf(stderr, "quillet-sample-sites: cannot listen on 127.0.0.1:%ld\n", port);
      return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet-sample-sites: %s\n", e.what());
    return 1;
  }
}
