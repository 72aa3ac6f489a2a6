#include "net/json_feed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "core/feeds/feed_text.h"
#include "core/feeds/uri_reference.h"
#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"

namespace quillet {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kVersion1 = "https://jsonfeed.org/version/1";

struct JsonCensus {
  size_t values = 0;
  size_t containers = 0;  // arrays and objects, also counted among the values
};

bool IsLiteralByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
         c == '+' || c == '-';
}

// The values of a JSON text (object keys among them), counted in one pass
// without building anything. Malformed text is counted all the same: the
// parser refuses it afterwards.
JsonCensus CountValues(std::string_view text) {
  JsonCensus census;
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at++];
    if (c == '"') {
      ++census.values;
      // To the closing quote, over escaped characters.
      while ((at = text.find_first_of("\"\\", at)) != std::string_view::npos && text[at] == '\\')
        at += 2;
      at = at == std::string_view::npos ? text.size() : at + 1;
    } else if (c == '{' || c == '[') {
      ++census.values;
      ++census.containers;
    } else if (c == '-' || (c >= '0' && c <= '9') || c == 't' || c == 'f' || c == 'n') {
      ++census.values;
      while (at < text.size() && IsLiteralByte(text[at]))
        ++at;
    }
  }
  return census;
}

void CheckSize(std::string_view bytes, std::string_view text) {
  if (bytes.size() > kMaxFeedBytes) {
    throw QuilletError(CP932("フィードが大きすぎます (") + std::to_string(bytes.size()) +
                       CP932(" バイト、上限 ") + std::to_string(kMaxFeedBytes) + CP932(" バイト)"));
  }
  const JsonCensus census = CountValues(text);
  if (census.values > kMaxJsonValues || census.containers > kMaxJsonContainers) {
    throw QuilletError(CP932("フィードの JSON の値が多すぎます (値 ") +
                       std::to_string(census.values) + CP932(" 個、配列とオブジェクト ") +
                       std::to_string(census.containers) + CP932(" 個。上限はそれぞれ ") +
                       std::to_string(kMaxJsonValues) + CP932(" 個と ") +
                       std::to_string(kMaxJsonContainers) + CP932(" 個)"));
  }
}

// Control characters (which JSON can escape, XML cannot hold) become
// spaces: they would break a log line or a terminal's output. No byte of
// them is part of another character in UTF-8.
std::string WithoutControls(std::string utf8) {
  for (char& c : utf8) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') c = ' ';
  }
  return utf8;
}

// A string of the feed in UTF-8, control characters as spaces; "" for a
// value that is not a string.
std::string Utf8Of(const QJsonValue& value) {
  if (!value.isString()) return {};
  QString text = value.toString();
  // Half a surrogate pair, which "\uD800" gives, is no character: it is
  // shown as one CP932 cannot hold.
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    } else if (text[i].isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
  return WithoutControls(text.toStdString());
}

// A text of the feed as the program keeps it.
std::string TextOf(const QJsonValue& value) {
  return FeedText(Utf8Of(value));
}

// The first of the strings of `array` that gives a text.
std::string FirstText(const QJsonValue& array) {
  for (const QJsonValue& value : array.toArray()) {
    if (std::string text = TextOf(value); !text.empty()) return text;
  }
  return {};
}

std::string LinkOf(const QJsonObject& item, const std::string& feedUrl) {
  for (const QStringView key : {QStringView(u"url"), QStringView(u"external_url")}) {
    const std::string link = Utf8Of(item.value(key));
    if (link.find_first_not_of(' ') != std::string::npos)
      return FeedText(WithoutControls(ResolveUri(feedUrl, link)));
  }
  return {};
}

// The version tells a JSON Feed from any other JSON: 1, or 1 and a minor.
void CheckVersion(const QJsonObject& root) {
  const QJsonValue value = root.value(u"version");
  if (!value.isString()) {
    throw QuilletError(CP932("フィードではありません (JSON に文字列の \"version\" がありません)"));
  }
  const std::string version = value.toString().toStdString();
  const std::string_view rest =
      std::string_view(version).substr(std::min(version.size(), kVersion1.size()));
  if (!version.starts_with(kVersion1) || !(rest.empty() || rest.starts_with('.'))) {
    const std::string_view shown = std::string_view(version).substr(0, 100);
    throw QuilletError(CP932("フィードの版 \"") + FeedText(shown) +
                       CP932("\" には対応していません (JSON Feed の 1 と 1.1 を読みます)"));
  }
}

}  // namespace

Feed ParseJsonFeed(std::string_view bytes, std::string_view feedUrl) {
  const std::string_view text = bytes.starts_with(kUtf8Bom) ? bytes.substr(kUtf8Bom.size()) : bytes;
  CheckSize(bytes, text);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
  if (error.error != QJsonParseError::NoError) {
    // Qt gives the offset of the byte where it stopped, or of the one after.
    const size_t position =
        static_cast<size_t>(std::max(error.offset, 1)) + (bytes.size() - text.size());
    throw QuilletError(CP932("フィードの JSON が正しくありません (") + std::to_string(position) +
                       CP932(" バイト目): ") + FeedText(error.errorString().toStdString()));
  }
  if (!document.isObject()) {
    throw QuilletError(CP932("フィードではありません (JSON がオブジェクトではありません)"));
  }
  const QJsonObject root = document.object();
  CheckVersion(root);

  const std::string base = Cp932ToUtf8(feedUrl);
  Feed feed;
  feed.title = TextOf(root.value(u"title"));
  for (const QJsonValue& value : root.value(u"items").toArray()) {
    if (feed.items.size() >= kMaxFeedItems) break;
    const QJsonObject object = value.toObject();
    FeedItem item{TextOf(object.value(u"title")), LinkOf(object, base),
                  FirstText(object.value(u"tags"))};
    // An item without a title or a link gives no headline to show or open.
    if (item.title.empty() || item.link.empty()) continue;
    feed.items.push_back(std::move(item));
  }
  return feed;
}

}  // namespace quillet
