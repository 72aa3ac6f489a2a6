#include "net/feed_parser.h"

#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "net/feed_text.h"

namespace quillet {

Feed ParseFeed(std::string_view document, const FeedOrigin& origin) {
  if (document.size() > kMaxFeedBytes) {
    throw QuilletError(CP932("フィードが大きすぎます (") + std::to_string(document.size()) +
                       CP932(" バイト、上限 ") + std::to_string(kMaxFeedBytes) + CP932(" バイト)"));
  }
  return ParseXmlFeed(DecodeFeedText(document).toStdString(), origin.url);
}

}  // namespace quillet
