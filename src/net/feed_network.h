// The network access manager the feeds are downloaded on: the program's own
// proxy, or none, never the desktop's.
#pragma once

#include <QNetworkAccessManager>

#include "core/settings/settings.h"

namespace quillet {

// Sets `network`'s proxy to `proxy` ("host" on port 80, "host:port"; basic
// authentication with its user and password; https through it in a CONNECT
// tunnel), or to none when its address is empty. Requests already started
// keep theirs.
void UseProxy(QNetworkAccessManager& network, const settings::Proxy& proxy);

}  // namespace quillet
