#include "net/url.h"

#include <algorithm>

namespace quillet {

namespace {

bool IsAsciiAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSchemeChar(char c) {
  return IsAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Compares the first prefix.size() characters of `text` with the lower-case
// `prefix`, ignoring the letter case of `text`.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The current path up to and including its last "/" before any query; "/"
// when it has none.
std::string Folder(std::string_view path) {
  const size_t end = std::min(path.find('?'), path.size());
  const size_t slash = path.substr(0, end).rfind('/');
  if (slash == std::string_view::npos) return "/";
  return std::string(path.substr(0, slash + 1));
}

}  // namespace

std::string_view SchemeOf(std::string_view text) {
  if (text.empty() || !IsAsciiAlpha(text[0])) return {};
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == ':') return text.substr(0, i);
    if (!IsSchemeChar(text[i])) return {};
  }
  return {};
}

UrlParts ParseUrl(std::string_view text) {
  UrlParts url;
  std::string_view rest;
  const std::string_view scheme = SchemeOf(text);
  // "://" separates a scheme only where it follows a scheme name, so that a
  // query such as "?u=http://..." never passes for one.
  if (!scheme.empty() && text.substr(scheme.size()).starts_with("://")) {
    url.scheme = scheme;
    rest = text.substr(scheme.size() + 3);
  } else if (text.starts_with('/')) {
    url.scheme = "http";
    url.path = text;
    return url;
  } else if (StartsWithNoCase(text, "http:")) {
    url.scheme = "http";
    url.path = text.substr(5);
    return url;
  } else if (StartsWithNoCase(text, "mailto:")) {
    url.scheme = "mailto";
    rest = text.substr(7);
  } else {
    rest = text;  // a bare host, with or without ":port"
  }

  // The path starts at the first "/", or at an earlier "?".
  const size_t pathStart = std::min(rest.find('/'), rest.find('?'));
  std::string_view authority = rest.substr(0, pathStart);
  if (pathStart != std::string_view::npos) url.path = rest.substr(pathStart);

  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userInfo = authority.substr(0, at);
    const size_t colon = userInfo.find(':');
    url.user = userInfo.substr(0, colon);
    if (colon != std::string_view::npos) url.password = userInfo.substr(colon + 1);
    authority.remove_prefix(at + 1);
  }
  const size_t colon = authority.rfind(':');
  url.host = authority.substr(0, colon);
  if (colon != std::string_view::npos) url.port = authority.substr(colon + 1);
  return url;
}

UrlParts ResolveLocation(const UrlParts& current, std::string_view location) {
  if (const std::string_view scheme = SchemeOf(location); !scheme.empty()) {
    UrlParts url = ParseUrl(location);
    url.scheme = scheme;  // also where no "//" follows, as in "ftp:file"
    return url;
  }
  if (location.starts_with("//")) {
    return ParseUrl((current.scheme.empty() ? std::string("http") : current.scheme) + ":" +
                    std::string(location));
  }
  UrlParts next = current;
  next.path = location.starts_with('/') ? std::string(location)
                                        : Folder(current.path) + std::string(location);
  return next;
}

std::string AbsoluteUrl(const UrlParts& url) {
  std::string text = url.scheme.empty() ? "http" : url.scheme;
  text += "://";
  text += url.host;
  if (!url.port.empty()) text += ":" + url.port;
  text += url.path;
  return text;
}

}  // namespace quillet
