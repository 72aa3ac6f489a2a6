// Splitting of URLs, proxy addresses and relocation targets into their parts,
// and the resolution of a relocation target against the current document.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

struct UrlParts {
  std::string scheme;
  std::string user;
  std::string password;
  std::string host;
  std::string port;  // as written; empty when the text names none
  std::string path;  // from the first "/" (or "?") on, query included
};

// Splits `text` the way requests and proxy settings are written: "scheme://"
// is optional (a bare "host:port" is a host and port), a text that begins
// with "/" or "http:" without "//" is a path of the scheme http, and
// "mailto:" has no "//".
UrlParts ParseUrl(std::string_view text);

// The scheme written before the first ":" of `text`, when `text` begins with
// one (letters first, then letters, digits, "+", "-", "."); empty otherwise.
std::string_view SchemeOf(std::string_view text);

// The target of a relocation from `current`: an absolute URL gives all parts,
// "//host/path" keeps the scheme, "/path" replaces the path and anything else
// replaces what follows the last "/" of the current path. The caller checks
// the scheme.
UrlParts ResolveLocation(const UrlParts& current, std::string_view location);

// "scheme://host[:port]path" without user and password; an empty scheme is
// written as "http".
std::string AbsoluteUrl(const UrlParts& url);

}  // namespace quillet
