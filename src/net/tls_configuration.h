// The TLS settings of every https connection: the peer's certificate is always
// verified, against the system's CA store and the extra CAs of QUILLET_CA_FILE.
#pragma once

#include <QSslConfiguration>

namespace quillet {

// Raises QuilletError when no TLS backend can be loaded, or when
// QUILLET_CA_FILE names a file from which no PEM certificate can be read.
QSslConfiguration TlsConfiguration();

}  // namespace quillet
