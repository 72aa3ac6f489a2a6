#include "net/feed_network.h"

#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QString>

#include <charconv>

#include "core/text/text_codec.h"
#include "net/url.h"

namespace quillet {

void UseProxy(QNetworkAccessManager& network, const settings::Proxy& proxy) {
  // An explicit proxy, or NoProxy, keeps the desktop's (http_proxy and the
  // like) from being used; not asking for it at all spares every request a
  // look at the environment.
  QNetworkProxyFactory::setUseSystemConfiguration(false);
  if (proxy.address.empty()) {
    network.setProxy(QNetworkProxy::NoProxy);
    return;
  }
  const UrlParts parts = ParseUrl(proxy.address);
  uint16_t port = 80;
  if (!parts.port.empty()) {
    const char* end = parts.port.data() + parts.port.size();
    if (std::from_chars(parts.port.data(), end, port).ptr != end) port = 0;
  }
  network.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy,
                                 QString::fromStdString(Cp932ToUtf8(parts.host)), port,
                                 QString::fromStdString(Cp932ToUtf8(proxy.userName)),
                                 QString::fromStdString(Cp932ToUtf8(proxy.password))));
}

}  // namespace quillet
