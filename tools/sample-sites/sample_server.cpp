#include "sample_server.h"

#include <QByteArray>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "core/sites/catalogue.h"
#include "sample_pages.h"

namespace quillet {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string StatusResponse(const std::string& status, const std::string& extraHeader = "") {
  const std::string body = "<html><body>" + status + "</body></html>\r\n";
  return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n" + extraHeader +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// "http://host/path" for an absolute URL (a default ":80" dropped, as proxies
// add it) or for a path with the request's Host header.
std::string PageKey(const std::string& url, const std::string& request) {
  std::string host, path;
  const std::string scheme = "http://";
  if (url.compare(0, scheme.size(), scheme) == 0) {
    const size_t slash = url.find('/', scheme.size());
    host = url.substr(scheme.size(), slash == std::string::npos ? slash : slash - scheme.size());
    path = slash == std::string::npos ? "/" : url.substr(slash);
  } else {
    path = url;
    const size_t at = request.find("\nHost: ");
    if (at != std::string::npos)
      host = request.substr(at + 7, request.find_first_of("\r\n", at + 7) - at - 7);
  }
  if (host.size() > 3 && host.compare(host.size() - 3, 3, ":80") == 0) host.resize(host.size() - 3);
  return scheme + host + path;
}

}  // namespace

void TlsCapableServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QSslSocket(this);
  if (socket->setSocketDescriptor(descriptor)) {
    addPendingConnection(socket);
  } else {
    delete socket;
  }
}

SampleSiteServer::SampleSiteServer(const std::string& dir) {
  for (const Site& site : Sites()) {
    const std::string_view file = kSamplePageFiles[static_cast<size_t>(site.number)];
    resources_[site.FrontPageUrl()] = {"text/html", ReadFile(dir + "/" + std::string(file))};
  }
  QObject::connect(&server_, &QTcpServer::newConnection, [this] { OnNewConnection(); });
}

bool SampleSiteServer::Listen(uint16_t port) {
  return server_.listen(QHostAddress(QHostAddress::LocalHost), port);
}

void SampleSiteServer::RequireProxyCredentials(const std::string& user,
                                               const std::string& password) {
  expectedAuthorization_ =
      "Basic " + QByteArray::fromStdString(user + ":" + password).toBase64().toStdString();
}

void SampleSiteServer::AddFeed(const std::string& host, const std::string& path,
                               const std::string& contentType, std::string body) {
  resources_["https://" + host + path] = {contentType, body};
  resources_["http://" + host + path] = {contentType, std::move(body)};
  tlsHosts_.insert(host);
}

void SampleSiteServer::EnableTls(const std::string& certificateFile, const std::string& keyFile) {
  if (!QSslSocket::supportsSsl()) throw std::runtime_error("no TLS backend");
  const QList<QSslCertificate> chain =
      QSslCertificate::fromPath(QString::fromStdString(certificateFile));
  QFile keyPem(QString::fromStdString(keyFile));
  if (chain.isEmpty() || !keyPem.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("cannot read " + (chain.isEmpty() ? certificateFile : keyFile));
  }
  const QSslKey key(&keyPem, QSsl::Ec);
  if (key.isNull()) throw std::runtime_error("no EC key in " + keyFile);
  tls_.setLocalCertificateChain(chain);
  tls_.setPrivateKey(key);
  tlsEnabled_ = true;
}

void SampleSiteServer::OnNewConnection() {
  while (QTcpSocket* next = server_.nextPendingConnection()) {
    auto* socket = qobject_cast<QSslSocket*>(next);
    auto* connection = new Connection;
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QObject::destroyed, [connection] { delete connection; });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
      std::string& request = connection->request;
      request.append(socket->readAll().toStdString());
      size_t end = request.find("\r\n\r\n");
      if (end == std::string::npos) end = request.find("\n\n");
      if (end == std::string::npos) {
        if (request.size() > 65536) socket->abort();
        return;
      }
      const bool inTunnel = !connection->tunnelHost.empty();
      const std::string response = Respond(request, connection->tunnelHost);
      socket->write(response.data(), static_cast<qint64>(response.size()));
      if (!inTunnel && !connection->tunnelHost.empty()) {
        // The tunnel is open: the client's next bytes start the TLS handshake.
        request.clear();
        socket->setSslConfiguration(tls_);
        socket->startServerEncryption();
        return;
      }
      socket->disconnectFromHost();
    });
  }
}

std::string SampleSiteServer::Respond(const std::string& request, std::string& tunnelHost) {
  std::istringstream lines(request);
  std::string requestLine;
  std::getline(lines, requestLine);
  if (!requestLine.empty() && requestLine.back() == '\r') requestLine.pop_back();
  std::istringstream words(requestLine);
  std::string method, url, version;
  words >> method >> url >> version;
  if (!tunnelHost.empty()) {
    // Inside the tunnel: the request's path on the host it was opened to.
    const std::string key = "https://" + tunnelHost + url;
    requests_.push_back(method + " " + key);
    return Response(method, resources_.find(key));
  }
  requests_.push_back(method + " " + url);

  if (!expectedAuthorization_.empty()) {
    bool authorized = false;
    for (std::string header; std::getline(lines, header);) {
      if (!header.empty() && header.back() == '\r') header.pop_back();
      const std::string name = "Proxy-Authorization: ";
      if (header.compare(0, name.size(), name) == 0 &&
          header.substr(name.size()) == expectedAuthorization_) {
        authorized = true;
      }
    }
    if (!authorized) {
      return StatusResponse("407 Proxy Authentication Required",
                            "Proxy-Authenticate: Basic realm=\"sample sites\"\r\n");
    }
  }
  if (method == "CONNECT" && tlsEnabled_) {
    const size_t colon = url.rfind(':');
    const std::string host = url.substr(0, colon);
    if (colon == std::string::npos || url.substr(colon + 1) != "443" || !tlsHosts_.count(host)) {
      return StatusResponse("403 Forbidden");
    }
    tunnelHost = host;
    return "HTTP/1.0 200 Connection established\r\n\r\n";
  }
  return Response(method, resources_.find(PageKey(url, request)));
}

std::string SampleSiteServer::Response(const std::string& method,
                                       std::map<std::string, Resource>::const_iterator found) {
  if (method != "GET" && method != "HEAD") return StatusResponse("501 Not Implemented");
  if (found == resources_.end()) return StatusResponse("404 Not Found");
  const Resource& resource = found->second;
  std::string response =
      "HTTP/1.0 200 OK\r\nServer: quillet-sample-sites\r\nContent-Type: " + resource.contentType +
      "\r\nContent-Length: " + std::to_string(resource.body.size()) + "\r\n\r\n";
  if (method == "GET") response += resource.body;
  return response;
}

}  // namespace quillet
