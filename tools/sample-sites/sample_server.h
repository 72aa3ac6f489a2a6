// A small HTTP/1.0 server on 127.0.0.1 that acts as a proxy for the seven news
// sites and answers HEAD and GET for their front pages with bundled pages. It
// can also serve feeds and other pages, over plain HTTP and, once given a
// certificate, over https inside a CONNECT tunnel that it ends itself. Hosts named for it answer
// HTTP/1.1 requests as an HTTP/1.1 server would: connections kept open,
// validators and 304, gzip.
#pragma once

#include <QSslConfiguration>
#include <QTcpServer>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillet {

// Takes every connection as a QSslSocket, which stays plain unless told to
// start TLS.
class TlsCapableServer : public QTcpServer {
 protected:
  void incomingConnection(qintptr descriptor) override;
};

class SampleSiteServer {
 public:
  // `dir` holds the sample front page of every site (kSamplePageFiles), each
  // served at its site's front-page URL. Throws std::runtime_error when one
  // cannot be read.
  explicit SampleSiteServer(const std::string& dir);

  // Listens on 127.0.0.1:`port` (0 picks a free port); false on failure.
  bool Listen(uint16_t port = 0);
  uint16_t Port() const { return server_.serverPort(); }

  // Requires "Proxy-Authorization: Basic base64(user:password)" when set, of
  // every request and of every CONNECT.
  void RequireProxyCredentials(const std::string& user, const std::string& password);

  // Serves `body` at http://`host``path` and at https://`host``path`.
  void AddDocument(const std::string& host, const std::string& path, const std::string& contentType,
                   std::string body);

  // Serves the pages in today's style (today_pages.h) from `dir` at
  // kTodayPageHost, which answers HTTP/1.1 and is also what the server's own
  // address answers as (Host 127.0.0.1:port or localhost:port, as a client
  // sends it without a proxy). Throws std::runtime_error when a page cannot
  // be read.
  void AddTodayPages(const std::string& dir);

  // HTTP/1.1 requests for `host` get HTTP/1.1 answers: the connection stays
  // open unless the request says "Connection: close" (Content-Length on every
  // answer), every feed has an ETag and a Last-Modified, a matching
  // If-None-Match or If-Modified-Since gets 304 Not Modified, and a request
  // that accepts gzip gets its body gzipped. HTTP/1.0 requests get the
  // HTTP/1.0 answers of every other host.
  void AnswerHttp11For(const std::string& host);

  // Accepts "CONNECT host:443" for the hosts of the feeds and speaks TLS in
  // the tunnel with this certificate and key (PEM files, the key EC). Throws
  // std::runtime_error when they cannot be read.
  void EnableTls(const std::string& certificateFile, const std::string& keyFile);

  // "METHOD URL" of every request served, in order; a request inside a
  // tunnel with its https URL.
  const std::vector<std::string>& Requests() const { return requests_; }

  // What was sent since the server started, also served as text at
  // kCountersUrl (which does not count itself).
  struct Counters {
    int64_t connections = 0;
    int64_t requests = 0;   // as listed by Requests()
    int64_t bodyBytes = 0;  // of every answer's body, as sent (gzipped or not)
    int64_t notModified = 0;
  };
  Counters Count() const {
    Counters count = counters_;
    count.requests = static_cast<int64_t>(requests_.size());
    return count;
  }
  static constexpr const char* kCountersUrl = "http://sample-sites.quillet.test/counters";

 private:
  struct Resource {
    std::string contentType;
    std::string body;
    std::string gzipped;  // made at the first request that accepts it
  };
  struct Request {
    std::string method, url, version;
    std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
    std::string Header(const std::string& name) const;         // "" when absent
  };
  struct Connection {
    std::string request;
    std::string tunnelHost;  // set once CONNECT is answered
  };

  void OnNewConnection();
  // The response to a complete request; sets `tunnelHost` when it opens a
  // tunnel and `keepOpen` when the connection serves further requests.
  std::string Respond(const std::string& request, std::string& tunnelHost, bool& keepOpen);
  // 200 with what was found, 404, or 501 for a method other than GET or HEAD.
  std::string Response(const std::string& method,
                       std::map<std::string, Resource>::const_iterator found);
  // The same in HTTP/1.1, with validators, 304 and gzip.
  std::string Http11Response(const Request& request,
                             std::map<std::string, Resource>::iterator found, bool& keepOpen);
  // The response, its body and any 304 counted.
  std::string Counted(std::string response);
  std::string CountersResponse() const;

  TlsCapableServer server_;
  std::map<std::string, Resource> resources_;  // "http://host/path" -> what is served
  std::set<std::string> tlsHosts_;
  std::set<std::string> http11Hosts_;
  std::string ownAddressHost_;
  QSslConfiguration tls_;
  bool tlsEnabled_ = false;
  std::string expectedAuthorization_;
  std::vector<std::string> requests_;
  Counters counters_;
};

}  // namespace quillet
