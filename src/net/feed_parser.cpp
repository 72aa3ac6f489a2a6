#include "net/feed_parser.h"

#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>

#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "core/text/text_ops.h"
#include "net/feed_text.h"

namespace quillet {
namespace {

constexpr QStringView kDublinCore = u"http://purl.org/dc/elements/1.1/";

enum class Format { kRss, kRdf, kAtom };

// A text of the feed as the program keeps it; see ParseFeed. The ideographic
// space is a CP932 character and stays, as it does in front-page headlines.
std::string CleanText(QString text, bool removeTags) {
  for (QChar& c : text) {
    if (c.isSpace() && c != u'\u3000') c = u' ';
  }
  std::string cp932 = Utf8ToCp932(text.toStdString(), kGetaMark);
  if (removeTags) cp932 = RemoveTags(cp932);
  return std::string(TrimSpaces(cp932));
}

// Calls `reference` with the name of each "&name;" in `text`, in one pass.
template <typename Reference>
void ForEachEntityReference(QStringView text, Reference&& reference) {
  const qsizetype size = text.size();
  for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at)) {
    qsizetype end = ++at;
    while (end < size && text[end] != u';' && text[end] != u'&' && text[end] != u'<' &&
           !text[end].isSpace())
      ++end;
    if (end < size && text[end] == u';') reference(text.sliced(at, end - at));
    at = end;
  }
}

// The number of characters the document's references to its declared
// entities expand to, counted over the whole text (the declarations, comments
// and character data too, which can only count more). The reader bounds each
// expansion by itself, not their sum.
class EntityExpansion {
 public:
  explicit EntityExpansion(const QXmlStreamEntityDeclarations& declarations) {
    for (const QXmlStreamEntityDeclaration& declaration : declarations) {
      const QString name = declaration.name().toString();
      if (!IsPredefined(name)) values_.insert(name, declaration.value().toString());
    }
  }

  bool Declares() const { return !values_.isEmpty(); }

  // The expansion of `text`, at most kMaxExpandedEntityText + 1.
  size_t Of(QStringView text) {
    size_t total = 0;
    ForEachEntityReference(text, [&](QStringView name) {
      if (values_.contains(name.toString())) total = Add(total, SizeOf(name.toString()));
    });
    return total;
  }

 private:
  static constexpr size_t kOver = kMaxExpandedEntityText + 1;

  static bool IsPredefined(const QString& name) {
    return name == u"lt" || name == u"gt" || name == u"amp" || name == u"apos" || name == u"quot";
  }
  static size_t Add(size_t a, size_t b) { return std::min(kOver, a + b); }

  // The characters one reference to `name` gives. A reference back to an
  // entity being sized counts as none: the reader refuses such loops itself.
  size_t SizeOf(const QString& name) {
    if (auto known = sizes_.constFind(name); known != sizes_.constEnd()) return *known;
    sizes_.insert(name, 0);
    const QString& value = values_[name];
    size_t size = 0;
    qsizetype literal = value.size();
    ForEachEntityReference(value, [&](QStringView inner) {
      if (!values_.contains(inner.toString())) return;
      literal -= inner.size() + 2;
      size = Add(size, SizeOf(inner.toString()));
    });
    size = Add(size, static_cast<size_t>(literal));
    sizes_.insert(name, size);
    return size;
  }

  QHash<QString, QString> values_;
  QHash<QString, size_t> sizes_;
};

class FeedReader {
 public:
  explicit FeedReader(const QString& text) : text_(text), xml_(text) {
    // No entity resolver is set: external entities and DTDs are never read.
    xml_.setEntityExpansionLimit(kMaxEntityExpansion);
  }

  Feed Read() {
    while (!xml_.atEnd()) {
      const QXmlStreamReader::TokenType token = xml_.readNext();
      // The DOCTYPE comes before the root; its entities are checked before
      // any of them is expanded.
      if (token == QXmlStreamReader::DTD) CheckEntityExpansion();
      // A second root is the reader's error.
      if (token == QXmlStreamReader::StartElement) ReadRoot();
    }
    if (xml_.hasError()) {
      throw QuilletError(CP932("フィードの XML が正しくありません (") +
                         std::to_string(xml_.lineNumber()) + CP932(" 行目、") +
                         std::to_string(xml_.columnNumber()) + CP932(" 桁目): ") +
                         Utf8ToCp932(xml_.errorString().toStdString(), kGetaMark));
    }
    for (FeedItem& item : feed_.items) {
      if (item.category.empty()) item.category = feedCategory_;
    }
    return std::move(feed_);
  }

 private:
  void CheckEntityExpansion() {
    EntityExpansion expansion(xml_.entityDeclarations());
    if (expansion.Declares() && expansion.Of(text_) > kMaxExpandedEntityText) {
      throw QuilletError(CP932("フィードのエンティティの展開が大きすぎます (") +
                         std::to_string(kMaxExpandedEntityText) + CP932(" 文字を超えます)"));
    }
  }

  // An element of the feed's own vocabulary: RSS 2.0 has no namespace (or
  // the root's), RSS 1.0 the one of its channel and items, Atom the root's.
  bool Is(QStringView name) const {
    return xml_.name() == name && xml_.namespaceUri() == feedNamespace_;
  }

  QString ReadText() { return xml_.readElementText(QXmlStreamReader::IncludeChildElements); }

  void ReadRoot() {
    const QStringView name = xml_.name();
    feedNamespace_ = xml_.namespaceUri().toString();
    if (name == u"feed") {
      format_ = Format::kAtom;
      ReadChannel();
      return;
    }
    if (name == u"rss") {
      format_ = Format::kRss;
    } else if (name == u"RDF") {
      format_ = Format::kRdf;
    } else {
      throw QuilletError(CP932("フィードではありません (ルート要素が <") +
                         CleanText(name.toString(), false) + CP932("> です)"));
    }
    bool namespaceKnown = format_ == Format::kRss;
    while (xml_.readNextStartElement()) {
      if (!namespaceKnown && (xml_.name() == u"channel" || xml_.name() == u"item")) {
        feedNamespace_ = xml_.namespaceUri().toString();
        namespaceKnown = true;
      }
      if (Is(u"channel")) {
        ReadChannel();
      } else if (format_ == Format::kRdf && Is(u"item")) {
        ReadItem();
      } else {
        xml_.skipCurrentElement();
      }
    }
  }

  // The channel, or Atom's feed element: its title, category and items.
  void ReadChannel() {
    const QStringView itemName = format_ == Format::kAtom ? u"entry" : u"item";
    std::string subject;
    while (xml_.readNextStartElement()) {
      if (Is(itemName)) {
        ReadItem();
      } else if (Is(u"title")) {
        const QString title = ReadText();
        if (feed_.title.empty()) feed_.title = CleanText(title, true);
      } else if (!ReadCategory(feedCategory_, subject)) {
        xml_.skipCurrentElement();
      }
    }
    if (feedCategory_.empty()) feedCategory_ = subject;
  }

  // Reads the element when it is a category: <category> (Atom: its term) or
  // <dc:subject>; the first non-empty one of each is kept.
  bool ReadCategory(std::string& category, std::string& subject) {
    std::string* kept;
    QString text;
    if (Is(u"category")) {
      kept = &category;
      if (format_ == Format::kAtom) {
        text = xml_.attributes().value(QLatin1StringView("term")).toString();
        xml_.skipCurrentElement();
      } else {
        text = ReadText();
      }
    } else if (xml_.name() == u"subject" && xml_.namespaceUri() == kDublinCore) {
      kept = &subject;
      text = ReadText();
    } else {
      return false;
    }
    if (kept->empty()) *kept = CleanText(text, true);
    return true;
  }

  void ReadItem() {
    if (feed_.items.size() >= kMaxFeedItems) {
      xml_.skipCurrentElement();
      return;
    }
    FeedItem item;
    std::string subject;
    QString link, firstLink, permalink;
    while (xml_.readNextStartElement()) {
      if (Is(u"title")) {
        const QString title = ReadText();
        if (item.title.empty()) item.title = CleanText(title, true);
      } else if (Is(u"link") && format_ == Format::kAtom) {
        const QXmlStreamAttributes attributes = xml_.attributes();
        const QStringView rel = attributes.value(QLatin1StringView("rel"));
        const QString href = attributes.value(QLatin1StringView("href")).toString();
        if (firstLink.isEmpty()) firstLink = href;
        if (link.isEmpty() && (rel.isEmpty() || rel == u"alternate")) link = href;
        xml_.skipCurrentElement();
      } else if (Is(u"link")) {
        const QString text = ReadText();
        if (link.trimmed().isEmpty()) link = text;
      } else if (Is(u"guid") && format_ == Format::kRss) {
        const bool isPermaLink =
            xml_.attributes().value(QLatin1StringView("isPermaLink")) != u"false";
        const QString text = ReadText();
        if (isPermaLink && permalink.trimmed().isEmpty()) permalink = text;
      } else if (!ReadCategory(item.category, subject)) {
        xml_.skipCurrentElement();
      }
    }
    if (link.trimmed().isEmpty()) link = format_ == Format::kAtom ? firstLink : permalink;
    item.link = CleanText(link, false);
    if (item.category.empty()) item.category = std::move(subject);
    // An item without a title or a link gives no headline to show or open.
    if (item.title.empty() || item.link.empty()) return;
    feed_.items.push_back(std::move(item));
  }

  const QString& text_;
  QXmlStreamReader xml_;
  Format format_ = Format::kRss;
  QString feedNamespace_;
  std::string feedCategory_;
  Feed feed_;
};

}  // namespace

Feed ParseFeed(std::string_view document) {
  if (document.size() > kMaxFeedBytes) {
    throw QuilletError(CP932("フィードが大きすぎます (") + std::to_string(document.size()) +
                       CP932(" バイト、上限 ") + std::to_string(kMaxFeedBytes) + CP932(" バイト)"));
  }
  const QString text = DecodeFeedText(document);
  return FeedReader(text).Read();
}

}  // namespace quillet
