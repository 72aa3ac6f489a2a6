#include "net/feed_parser.h"

#include "core/sys/error.h"
#include "core/text/document_charset.h"
#include "core/text/text_codec.h"
#include "net/json_feed.h"

namespace quillet {
namespace {

// A JSON Feed by its media type, or by its first character after a UTF-8
// byte order mark and white space.
bool IsJson(std::string_view document, std::string_view contentType) {
  if (contentType.find("json") != std::string_view::npos) return true;
  if (document.starts_with("\xEF\xBB\xBF")) document.remove_prefix(3);
  const size_t first = document.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && document[first] == '{';
}

}  // namespace

Feed ParseFeed(std::string_view document, const FeedOrigin& origin) {
  if (document.size() > kMaxFeedBytes) {
    throw QuilletError(CP932("フィードが大きすぎます (") + std::to_string(document.size()) +
                       CP932(" バイト、上限 ") + std::to_string(kMaxFeedBytes) + CP932(" バイト)"));
  }
  if (IsJson(document, origin.contentType)) return ParseJsonFeed(document, origin.url);
  return ParseXmlFeed(DecodeDocument(document, ContentTypeCharset(origin.contentType)).utf8,
                      Cp932ToUtf8(origin.url));
}

}  // namespace quillet
