// Why an HTTP exchange delivered no document: the kinds of failure that the
// messages shown to the user tell apart.
#pragma once

namespace quillet {

enum class HttpProblem {
  kNone,
  kHostNotFound,        // no address for the site's or the proxy's name
  kConnectFailed,       // the connection to the site or the proxy failed
  kTls,                 // the TLS handshake or its configuration failed
  kTooSlow,             // slower than the transfer floor, silence included
  kDeadline,            // not over within the request's deadline
  kTooLarge,            // a body over the size limit
  kTooManyRelocations,  // relocations beyond the client's limit
  kUnsupportedScheme,   // a URL or relocation neither http nor https
  kLessSafeRelocation,  // a relocation from https to plain http, where it is refused
  kBadResponse,         // a response that is no HTTP (a header line too long)
  kCutShort,            // the connection closed before Content-Length bytes came
  kUnaskedEncoding,     // a chunked or compressed body that was not asked for
  kTunnelRefused,       // the proxy's refusal of a CONNECT tunnel
  kHttpStatus,          // an answer of status 400 or more
  kAborted,             // AbortRequest
};

}  // namespace quillet
