#include "sample_server.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#define ZLIB_CONST  // input the stream does not write to
#include <zlib.h>

#include "core/sites/catalogue.h"
#include "sample_pages.h"
#include "today_pages.h"

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

// The host of a "scheme://host/path" key.
std::string KeyHost(const std::string& key) {
  const size_t start = key.find("://") + 3;
  return key.substr(start, key.find('/', start) - start);
}

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The comma-separated items of a header's value, trimmed.
std::vector<std::string> ListItems(const std::string& value) {
  std::vector<std::string> items;
  std::istringstream in(value);
  for (std::string item; std::getline(in, item, ',');)
    items.push_back(Trimmed(item));
  return items;
}

// Whether an Accept-Encoding value takes gzip: named, or "*", without q=0.
bool AcceptsGzip(const std::string& acceptEncoding) {
  for (const std::string& item : ListItems(Lowered(acceptEncoding))) {
    const size_t semicolon = item.find(';');
    const std::string coding = Trimmed(item.substr(0, semicolon));
    if (coding != "gzip" && coding != "x-gzip" && coding != "*") continue;
    if (semicolon == std::string::npos) return true;
    const size_t q = item.find("q=", semicolon);
    return q == std::string::npos || std::strtod(item.c_str() + q + 2, nullptr) > 0;
  }
  return false;
}

std::string Gzipped(const std::string& body) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("zlib cannot start a gzip stream");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(body.size())), '\0');
  stream.next_in = reinterpret_cast<const Bytef*>(body.data());
  stream.avail_in = static_cast<uInt>(body.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("zlib cannot gzip a body");
  return out;
}

// A strong validator of the body: its FNV-1a hash.
std::string EntityTag(const std::string& body) {
  uint64_t hash = 14695981039346656037u;
  for (char c : body) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211u;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return '"' + std::string(hex) + '"';
}

// Every feed changed last at the newest item of the generated feeds.
constexpr const char* kLastModified = "Tue, 24 Nov 2026 14:00:00 GMT";

// Whether the conditions of a request hold for a body with these validators:
// If-None-Match, when present, decides alone (a weak tag matches too);
// If-Modified-Since a date not before the change.
bool NotModified(const std::string& ifNoneMatch, const std::string& ifModifiedSince,
                 const std::string& tag, const std::string& gzipTag) {
  if (!ifNoneMatch.empty()) {
    for (std::string item : ListItems(ifNoneMatch)) {
      if (item.compare(0, 2, "W/") == 0) item.erase(0, 2);
      if (item == "*" || item == tag || item == gzipTag) return true;
    }
    return false;
  }
  if (ifModifiedSince.empty()) return false;
  // Both read alike: dates of HTTP are all in GMT.
  const auto read = [](const std::string& date) {
    return QLocale::c().toDateTime(QString::fromStdString(date),
                                   QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
  };
  const QDateTime since = read(ifModifiedSince), changed = read(kLastModified);
  return since.isValid() && since >= changed;
}

}  // namespace

std::string SampleSiteServer::Request::Header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (key == name) return value;
  return "";
}

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
    resources_[site.FrontPageUrl()] = {"text/html", ReadFile(dir + "/" + std::string(file)), {}};
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

void SampleSiteServer::AddDocument(const std::string& host, const std::string& path,
                                   const std::string& contentType, std::string body) {
  resources_["https://" + host + path] = {contentType, body, {}};
  resources_["http://" + host + path] = {contentType, std::move(body), {}};
  tlsHosts_.insert(host);
}

void SampleSiteServer::AnswerHttp11For(const std::string& host) {
  http11Hosts_.insert(host);
}

void SampleSiteServer::AddTodayPages(const std::string& dir) {
  const std::string host(kTodayPageHost);
  for (const TodayPage& page : kTodayPages) {
    AddDocument(host, std::string(page.path), std::string(page.contentType),
                ReadFile(dir + "/" + std::string(page.file)));
  }
  AnswerHttp11For(host);
  ownAddressHost_ = host;
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
    ++counters_.connections;
    auto* socket = qobject_cast<QSslSocket*>(next);
    auto* connection = new Connection;
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QObject::destroyed, [connection] { delete connection; });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
      std::string& received = connection->request;
      received.append(socket->readAll().toStdString());
      // Requests have no body: each ends at its blank line, and a kept-open
      // connection may hold several.
      for (;;) {
        size_t end = received.find("\r\n\r\n"), blank = 4;
        if (end == std::string::npos) end = received.find("\n\n"), blank = 2;
        if (end == std::string::npos) {
          if (received.size() > 65536) socket->abort();
          return;
        }
        const std::string request = received.substr(0, end + blank);
        received.erase(0, end + blank);
        const bool inTunnel = !connection->tunnelHost.empty();
        bool keepOpen = false;
        const std::string response = Respond(request, connection->tunnelHost, keepOpen);
        socket->write(response.data(), static_cast<qint64>(response.size()));
        if (!inTunnel && !connection->tunnelHost.empty()) {
          // The tunnel is open: the client's next bytes start the TLS handshake.
          received.clear();
          socket->setSslConfiguration(tls_);
          socket->startServerEncryption();
          return;
        }
        if (!keepOpen) {
          socket->disconnectFromHost();
          return;
        }
      }
    });
  }
}

std::string SampleSiteServer::Respond(const std::string& text, std::string& tunnelHost,
                                      bool& keepOpen) {
  std::istringstream lines(text);
  std::string requestLine;
  std::getline(lines, requestLine);
  if (!requestLine.empty() && requestLine.back() == '\r') requestLine.pop_back();
  std::istringstream words(requestLine);
  Request request;
  words >> request.method >> request.url >> request.version;
  for (std::string header; std::getline(lines, header);) {
    if (!header.empty() && header.back() == '\r') header.pop_back();
    const size_t colon = header.find(':');
    if (colon != std::string::npos)
      request.headers.emplace_back(Lowered(header.substr(0, colon)),
                                   Trimmed(header.substr(colon + 1)));
  }
  const std::string& method = request.method;
  const std::string& url = request.url;
  const bool http11 = request.version == "HTTP/1.1";
  if (!tunnelHost.empty()) {
    // Inside the tunnel: the request's path on the host it was opened to.
    const std::string key = "https://" + tunnelHost + url;
    requests_.push_back(method + " " + key);
    if (http11 && http11Hosts_.count(tunnelHost))
      return Counted(Http11Response(request, resources_.find(key), keepOpen));
    return Counted(Response(method, resources_.find(key)));
  }

  if (!expectedAuthorization_.empty()) {
    bool authorized = false;
    for (const auto& [name, value] : request.headers) {
      if (name == "proxy-authorization" && value == expectedAuthorization_) authorized = true;
    }
    if (!authorized) {
      requests_.push_back(method + " " + url);
      return Counted(StatusResponse("407 Proxy Authentication Required",
                                    "Proxy-Authenticate: Basic realm=\"sample sites\"\r\n"));
    }
  }
  std::string key = PageKey(url, text);
  const std::string keyHost = KeyHost(key), port = ":" + std::to_string(Port());
  if (!ownAddressHost_.empty() && (keyHost == "127.0.0.1" + port || keyHost == "localhost" + port))
    key = "http://" + ownAddressHost_ + key.substr(7 + keyHost.size());
  if (key == kCountersUrl && method == "GET") return CountersResponse();
  requests_.push_back(method + " " + url);
  if (method == "CONNECT" && tlsEnabled_) {
    const size_t colon = url.rfind(':');
    const std::string host = url.substr(0, colon);
    if (colon == std::string::npos || url.substr(colon + 1) != "443" || !tlsHosts_.count(host)) {
      return Counted(StatusResponse("403 Forbidden"));
    }
    tunnelHost = host;
    return "HTTP/1.0 200 Connection established\r\n\r\n";
  }
  if (http11 && http11Hosts_.count(KeyHost(key)))
    return Counted(Http11Response(request, resources_.find(key), keepOpen));
  return Counted(Response(method, resources_.find(key)));
}

std::string SampleSiteServer::Counted(std::string response) {
  const size_t end = response.find("\r\n\r\n");
  counters_.bodyBytes += static_cast<int64_t>(response.size() - end - 4);
  if (response.compare(9, 3, "304") == 0) ++counters_.notModified;
  return response;
}

std::string SampleSiteServer::CountersResponse() const {
  const std::string body = "connections " + std::to_string(counters_.connections) + "\nrequests " +
                           std::to_string(requests_.size()) + "\nbody-bytes " +
                           std::to_string(counters_.bodyBytes) + "\nnot-modified " +
                           std::to_string(counters_.notModified) + "\n";
  return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
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

std::string SampleSiteServer::Http11Response(const Request& request,
                                             std::map<std::string, Resource>::iterator found,
                                             bool& keepOpen) {
  keepOpen = Lowered(request.Header("connection")) != "close";
  std::string head = "HTTP/1.1 ";
  const std::string connection = keepOpen ? "" : "Connection: close\r\n";
  if (found == resources_.end() || (request.method != "GET" && request.method != "HEAD")) {
    const std::string status = found == resources_.end() ? "404 Not Found" : "501 Not Implemented";
    const std::string body = "<html><body>" + status + "</body></html>\r\n";
    return head + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + connection + "\r\n" + body;
  }
  Resource& resource = found->second;
  const bool gzip = AcceptsGzip(request.Header("accept-encoding"));
  if (gzip && resource.gzipped.empty()) resource.gzipped = Gzipped(resource.body);
  const std::string tag = EntityTag(resource.body);
  const std::string gzipTag = tag.substr(0, tag.size() - 1) + "-gzip\"";
  const std::string validators = "ETag: " + (gzip ? gzipTag : tag) +
                                 "\r\nLast-Modified: " + kLastModified +
                                 "\r\nVary: Accept-Encoding\r\n";
  if (NotModified(request.Header("if-none-match"), request.Header("if-modified-since"), tag,
                  gzipTag)) {
    return head + "304 Not Modified\r\nServer: quillet-sample-sites\r\n" + validators + connection +
           "\r\n";
  }
  const std::string& body = gzip ? resource.gzipped : resource.body;
  head += "200 OK\r\nServer: quillet-sample-sites\r\nContent-Type: " + resource.contentType +
          "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + validators +
          (gzip ? "Content-Encoding: gzip\r\n" : "") + connection + "\r\n";
  return request.method == "GET" ? head + body : head;
}

}  // namespace quillet
