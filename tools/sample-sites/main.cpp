// quillet-sample-sites: serves the bundled front pages on 127.0.0.1 as a proxy
// for the seven news sites, the sample feeds and two news pages in today's
// style over HTTP and https, for the demo, the tests and the benchmarks.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "generated_feeds.h"
#include "sample_feeds.h"
#include "sample_server.h"
#include "today_pages.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: quillet-sample-sites [--port N] [--dir DIR] [--auth USER:PASSWORD]\n"
               "         [--feed-dir DIR] [--tls-dir DIR] [--today-dir DIR] [--feeds N]\n"
               "         [--feed-list FILE]\n"
               "Serves the sample front pages and feeds as an HTTP proxy on 127.0.0.1 and\n"
               "prints the port it listens on. The feeds are also served over https in\n"
               "CONNECT tunnels, with the certificate sample-feeds.pem of the --tls-dir.\n"
               "Two news pages in today's style, for pages cut by the user's rules, are at\n"
               "http://news.quillet.test/today/machi.html (UTF-8) and .../keizai.html\n"
               "(Shift_JIS named by its meta tag alone), read from the --today-dir. Their\n"
               "host also holds the sample feeds, answers HTTP/1.1 with ETag, 304 and gzip,\n"
               "and is what http://127.0.0.1:PORT/ answers as, for clients without a proxy.\n"
               "--feeds N adds N generated feeds of the feed benchmark; --feed-list writes\n"
               "every feed's name and URL (UTF-8, TAB between them) to FILE. The generated\n"
               "feeds' hosts answer HTTP/1.1 requests with kept-alive connections, ETag,\n"
               "Last-Modified, 304 and gzip. What was sent is counted at\n"
               "http://sample-sites.quillet.test/counters.\n");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool ParseCount(const std::string& text, long max, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= 0 && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string dir = QUILLET_SAMPLE_DIR;
  std::string feedDir = QUILLET_SAMPLE_FEED_DIR;
  std::string tlsDir = QUILLET_SAMPLE_TLS_DIR;
  std::string todayDir = QUILLET_SAMPLE_TODAY_DIR;
  std::string auth, feedList;
  long port = 0, generated = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--port" || arg == "--dir" || arg == "--auth" || arg == "--feed-dir" ||
         arg == "--tls-dir" || arg == "--today-dir" || arg == "--feeds" || arg == "--feed-list") &&
        i + 1 < argc) {
      const std::string value = argv[++i];
      if ((arg == "--port" && !ParseCount(value, 65535, port)) ||
          (arg == "--feeds" && !ParseCount(value, 999, generated))) {
        Usage();
        return 2;
      }
      if (arg == "--dir") dir = value;
      if (arg == "--auth") auth = value;
      if (arg == "--feed-dir") feedDir = value;
      if (arg == "--tls-dir") tlsDir = value;
      if (arg == "--today-dir") todayDir = value;
      if (arg == "--feed-list") feedList = value;
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
    std::string list;
    const std::string sampleHost(quillet::kSampleFeedHost);
    for (const std::string scheme : {"http", "https"}) {
      for (const quillet::SampleFeed& feed : quillet::kSampleFeeds) {
        list += std::string(feed.name) + (scheme == "https" ? " (https)" : "") + "\t" + scheme +
                "://" + sampleHost + std::string(feed.path) + "\n";
      }
    }
    // The sample feeds on the pages' host too, where the UTF-8 page announces
    // one by a relative link.
    const std::string todayHost(quillet::kTodayPageHost);
    for (const quillet::SampleFeed& feed : quillet::kSampleFeeds) {
      const std::string body = ReadFile(feedDir + "/" + std::string(feed.file));
      for (const std::string& host : {sampleHost, todayHost})
        server.AddDocument(host, std::string(feed.path), std::string(feed.contentType), body);
    }
    server.AddTodayPages(todayDir);
    for (quillet::GeneratedFeed& feed : quillet::GenerateFeeds(static_cast<int>(generated))) {
      list +=
          feed.name + "\t" + (feed.https ? "https://" : "http://") + feed.host + feed.path + "\n";
      if (!feed.contentType.empty())
        server.AddDocument(feed.host, feed.path, feed.contentType, std::move(feed.body));
    }
    for (const std::string_view host : quillet::kBenchFeedHosts)
      server.AnswerHttp11For(std::string(host));
    server.EnableTls(tlsDir + "/sample-feeds.pem", tlsDir + "/sample-feeds.key");
    if (!feedList.empty()) {
      std::ofstream out(feedList, std::ios::binary | std::ios::trunc);
      if (!(out << list).flush()) throw std::runtime_error("cannot write " + feedList);
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
