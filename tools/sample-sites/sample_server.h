// A small HTTP/1.0 server on 127.0.0.1 that acts as a proxy for the seven news
// sites and answers HEAD and GET for their front pages with bundled pages.
#pragma once

#include <QTcpServer>

#include <map>
#include <string>
#include <vector>

namespace quillet {

class SampleSiteServer {
 public:
  // `dir` holds the sample front page of every site (kSamplePageFiles), each
  // served at its site's front-page URL. Throws std::runtime_error when one
  // cannot be read.
  explicit SampleSiteServer(const std::string& dir);

  // Listens on 127.0.0.1:`port` (0 picks a free port); false on failure.
  bool Listen(uint16_t port = 0);
  uint16_t Port() const { return server_.serverPort(); }

  // Requires "Proxy-Authorization: Basic base64(user:password)" when set.
  void RequireProxyCredentials(const std::string& user, const std::string& password);

  // "METHOD URL" of every request served, in order.
  const std::vector<std::string>& Requests() const { return requests_; }

 private:
  void OnNewConnection();
  std::string Respond(const std::string& request);

  QTcpServer server_;
  std::map<std::string, std::string> pages_;  // "http://host/path" -> body
  std::string expectedAuthorization_;
  std::vector<std::string> requests_;
};

}  // namespace quillet
