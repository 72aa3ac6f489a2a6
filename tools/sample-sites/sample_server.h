// A small HTTP/1.0 server on 127.0.0.1 that acts as a proxy for the seven news
// sites and answers HEAD and GET for their front pages with bundled pages. It
// can also serve feeds, over plain HTTP and, once given a certificate, over
// https inside a CONNECT tunnel that it ends itself.
#pragma once

#include <QSslConfiguration>
#include <QTcpServer>

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
  void AddFeed(const std::string& host, const std::string& path, const std::string& contentType,
               std::string body);

  // Accepts "CONNECT host:443" for the hosts of the feeds and speaks TLS in
  // the tunnel with this certificate and key (PEM files, the key EC). Throws
  // std::runtime_error when they cannot be read.
  void EnableTls(const std::string& certificateFile, const std::string& keyFile);

  // "METHOD URL" of every request served, in order; a request inside a
  // tunnel with its https URL.
  const std::vector<std::string>& Requests() const { return requests_; }

 private:
  struct Resource {
    std::string contentType;
    std::string body;
  };
  struct Connection {
    std::string request;
    std::string tunnelHost;  // set once CONNECT is answered
  };

  void OnNewConnection();
  // The response to a complete request; sets `tunnelHost` when it opens a
  // tunnel.
  std::string Respond(const std::string& request, std::string& tunnelHost);
  // 200 with what was found, 404, or 501 for a method other than GET or HEAD.
  std::string Response(const std::string& method,
                       std::map<std::string, Resource>::const_iterator found);

  TlsCapableServer server_;
  std::map<std::string, Resource> resources_;  // "http://host/path" -> what is served
  std::set<std::string> tlsHosts_;
  QSslConfiguration tls_;
  bool tlsEnabled_ = false;
  std::string expectedAuthorization_;
  std::vector<std::string> requests_;
};

}  // namespace quillet
