#include "core/feeds/uri_reference.h"

#include <optional>

namespace quillet {
namespace {

// The five parts of a URI reference; a part that is absent is not the same
// as one that is empty ("?" has an empty query, "" none).
struct UriParts {
  std::optional<std::string_view> scheme;
  std::optional<std::string_view> authority;
  std::string_view path;
  std::optional<std::string_view> query;
  std::optional<std::string_view> fragment;
};

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view TrimAsciiSpace(std::string_view text) {
  while (!text.empty() && IsAsciiSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsAsciiSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
  return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The scheme at the start of `text` (without its ":"), if there is one.
std::optional<std::string_view> SchemeOf(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsAlpha(text[0])) return std::nullopt;
  for (size_t i = 1; i < colon; ++i) {
    if (!IsSchemeChar(text[i])) return std::nullopt;
  }
  return text.substr(0, colon);
}

// Splits a reference into its parts as RFC 3986 appendix B does, with the
// scheme held to its grammar.
UriParts Split(std::string_view text) {
  UriParts parts;
  if ((parts.scheme = SchemeOf(text))) text.remove_prefix(parts.scheme->size() + 1);
  if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
    parts.fragment = text.substr(hash + 1);
    text = text.substr(0, hash);
  }
  if (const size_t question = text.find('?'); question != std::string_view::npos) {
    parts.query = text.substr(question + 1);
    text = text.substr(0, question);
  }
  if (text.starts_with("//")) {
    const size_t end = text.find('/', 2);
    parts.authority = text.substr(2, end == std::string_view::npos ? end : end - 2);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
  }
  parts.path = text;
  return parts;
}

// RFC 3986 5.2.4: the path without its "." and ".." segments.
std::string RemoveDotSegments(std::string_view input) {
  std::string output;
  output.reserve(input.size());
  const auto removeLastSegment = [&] {
    const size_t slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
  };
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.remove_prefix(3);
    } else if (input.starts_with("./")) {
      input.remove_prefix(2);
    } else if (input.starts_with("/./")) {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../")) {
      input.remove_prefix(3);
      removeLastSegment();
    } else if (input == "/..") {
      input = "/";
      removeLastSegment();
    } else if (input == "." || input == "..") {
      input = {};
    } else {
      const size_t end = input.find('/', 1);
      const std::string_view segment = input.substr(0, end);
      output += segment;
      input.remove_prefix(segment.size());
    }
  }
  return output;
}

// RFC 3986 5.2.3: a relative path against the base's.
std::string Merge(const UriParts& base, std::string_view path) {
  if (base.authority && base.path.empty()) return "/" + std::string(path);
  const size_t slash = base.path.rfind('/');
  if (slash == std::string_view::npos) return std::string(path);
  return std::string(base.path.substr(0, slash + 1)) + std::string(path);
}

}  // namespace

std::string ResolveUri(std::string_view baseText, std::string_view referenceText) {
  referenceText = TrimAsciiSpace(referenceText);
  const UriParts base = Split(TrimAsciiSpace(baseText));
  if (!base.scheme) return std::string(referenceText);
  const UriParts reference = Split(referenceText);

  // RFC 3986 5.2.2, the target's parts; its path is built in `path`.
  UriParts target;
  std::string path;
  if (reference.scheme) {
    target = reference;
    path = RemoveDotSegments(reference.path);
  } else {
    if (reference.authority) {
      target.authority = reference.authority;
      path = RemoveDotSegments(reference.path);
      target.query = reference.query;
    } else {
      if (reference.path.empty()) {
        path = base.path;
        target.query = reference.query ? reference.query : base.query;
      } else {
        path = RemoveDotSegments(reference.path.starts_with('/') ? std::string(reference.path)
                                                                 : Merge(base, reference.path));
        target.query = reference.query;
      }
      target.authority = base.authority;
    }
    target.scheme = base.scheme;
  }
  target.fragment = reference.fragment;

  // RFC 3986 5.3: the parts joined again.
  std::string uri(*target.scheme);
  uri += ':';
  if (target.authority) (uri += "//") += *target.authority;
  uri += path;
  if (target.query) (uri += '?') += *target.query;
  if (target.fragment) (uri += '#') += *target.fragment;
  return uri;
}

}  // namespace quillet
