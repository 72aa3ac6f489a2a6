#include "core/feeds/xml_feed.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <memory>
#include <mutex>
#include <vector>

#include "core/feeds/feed_text.h"
#include "core/feeds/lenient_xml.h"
#include "core/feeds/uri_reference.h"
#include "core/sys/error.h"
#include "core/text/html_text.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kAtomNamespace = "http://www.w3.org/2005/Atom";
constexpr std::string_view kAtom03Namespace = "http://purl.org/atom/ns#";
constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kMediaRss = "http://search.yahoo.com/mrss/";
constexpr std::string_view kXhtml = "http://www.w3.org/1999/xhtml";
constexpr const char* kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

// Nothing outside the document is ever read: no DTD, no external entity.
xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) {
  return nullptr;
}

void InitialiseLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternal);
  });
}

std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}
std::string_view NameOf(const xmlNode* node) {
  return View(node->name);
}
std::string_view NamespaceOf(const xmlNode* node) {
  return node->ns ? View(node->ns->href) : std::string_view();
}

const xmlChar* Xml(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}

std::string Attribute(const xmlNode* node, const char* name, const char* space = nullptr) {
  xmlChar* value =
      space ? xmlGetNsProp(node, Xml(name), Xml(space)) : xmlGetNoNsProp(node, Xml(name));
  std::string text(View(value));
  xmlFree(value);
  return text;
}

// An element of another vocabulary, such as dc:subject; the prefix serves
// when the document forgot to declare it.
bool IsForeign(const xmlNode* node, std::string_view name, std::string_view space,
               std::string_view prefix) {
  const std::string_view nodeName = NameOf(node);
  if (node->ns) return nodeName == name && NamespaceOf(node) == space;
  return nodeName.size() == prefix.size() + 1 + name.size() && nodeName.starts_with(prefix) &&
         nodeName[prefix.size()] == ':' && nodeName.ends_with(name);
}

template <typename Visit>
void ForEachElement(const xmlNode* parent, Visit&& visit) {
  for (const xmlNode* child = parent->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) visit(child);
  }
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What widely used readers take for HTML in a title of unknown type: an end
// tag, a <br>, or a character reference. "台風<10号>接近" stays plain text.
bool LooksLikeHtml(std::string_view text) {
  for (size_t at = text.find_first_of("<&"); at != std::string_view::npos;
       at = text.find_first_of("<&", at + 1)) {
    const std::string_view rest = text.substr(at + 1);
    if (text[at] == '<') {
      if (rest.size() >= 2 && rest[0] == '/' && IsAsciiLetter(rest[1])) return true;
      if (rest.size() >= 2 && (rest[0] | 0x20) == 'b' && (rest[1] | 0x20) == 'r') return true;
      continue;
    }
    size_t end = rest.starts_with('#') ? 1 : 0;
    while (end < rest.size() &&
           (IsAsciiLetter(rest[end]) || (rest[end] >= '0' && rest[end] <= '9')))
      ++end;
    if (end > (rest.starts_with('#') ? 1u : 0u) && end < rest.size() && rest[end] == ';')
      return true;
  }
  return false;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else {
      out += c;
    }
  }
}

// The text below `parent`: its characters, or with `asMarkup` the HTML source
// its elements and characters make (characters escaped with `escape`).
void AppendText(const xmlNode* parent, std::string& out, bool asMarkup, bool escape) {
  for (const xmlNode* child = parent->children; child; child = child->next) {
    switch (child->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (asMarkup && escape) {
          AppendEscaped(out, View(child->content));
        } else {
          out += View(child->content);
        }
        break;
      case XML_ELEMENT_NODE:
        if (asMarkup) out.append("<").append(NameOf(child)).append(">");
        AppendText(child, out, asMarkup, escape);
        if (asMarkup) out.append("</").append(NameOf(child)).append(">");
        break;
      default:
        break;
    }
  }
}

std::string TextOf(const xmlNode* node) {
  std::string text;
  AppendText(node, text, false, false);
  return text;
}

bool HasElements(const xmlNode* node) {
  bool found = false;
  ForEachElement(node, [&](const xmlNode*) { found = true; });
  return found;
}

// A title of unknown type (RSS, dc:title): HTML when it holds elements or
// looks like HTML, else plain text.
std::string GuessedText(const xmlNode* node) {
  if (HasElements(node)) {
    std::string markup;
    AppendText(node, markup, true, false);
    return HtmlToText(markup);
  }
  std::string text = TextOf(node);
  return LooksLikeHtml(text) ? HtmlToText(text) : text;
}

std::string Base64Decoded(std::string_view text) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    int value;
    if (c >= 'A' && c <= 'Z') {
      value = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
      value = c - 'a' + 26;
    } else if (c >= '0' && c <= '9') {
      value = c - '0' + 52;
    } else if (c == '+' || c == '-') {
      value = 62;
    } else if (c == '/' || c == '_') {
      value = 63;
    } else {
      continue;  // white space, padding
    }
    bits = bits << 6 | static_cast<uint32_t>(value);
    if ((count += 6) >= 8) {
      count -= 8;
      out += static_cast<char>(bits >> count & 0xFF);
    }
  }
  return out;
}

// An Atom text construct by its type: "text" (the default), "html" or
// "xhtml", or Atom 0.3's media types, and 0.3's base64 or escaped mode.
std::string ConstructText(const xmlNode* node) {
  const std::string type = Attribute(node, "type");
  const std::string mode = Attribute(node, "mode");
  const bool html = type == "html" || type == "text/html" || mode == "escaped";
  const bool xhtml = type == "xhtml" || type == "application/xhtml+xml" || mode == "xml";
  if (mode == "base64") {
    const std::string decoded = Base64Decoded(TextOf(node));
    return html || xhtml ? HtmlToText(decoded) : decoded;
  }
  if (xhtml) {
    // The content is one xhtml div, whose own tags are not the text's.
    const xmlNode* content = node;
    ForEachElement(node, [&](const xmlNode* child) {
      if (content == node && NameOf(child) == "div" &&
          (NamespaceOf(child) == kXhtml || NamespaceOf(child).empty()))
        content = child;
    });
    std::string markup;
    AppendText(content, markup, true, true);
    return HtmlToText(markup);
  }
  if (html) {
    std::string markup;
    AppendText(node, markup, HasElements(node), false);
    return HtmlToText(markup);
  }
  return TextOf(node);
}

std::string MediaTitleText(const xmlNode* node) {
  return Attribute(node, "type") == "html" ? HtmlToText(TextOf(node)) : TextOf(node);
}

enum class Format { kRss, kRdf, kAtom };

// The first XML error libxml2 reports while parsing, on this thread.
struct FirstError {
  int line = 0;
  int column = 0;
  std::string message;

  static void Note(void* data, xmlErrorPtr error) {
    auto* first = static_cast<FirstError*>(data);
    if (!first->message.empty() || !error || error->level == XML_ERR_WARNING) return;
    first->line = error->line;
    first->column = error->int2;
    first->message = error->message ? error->message : "XML error";
    while (!first->message.empty() &&
           (first->message.back() == '\n' || first->message.back() == ' '))
      first->message.pop_back();
  }
};

std::string XmlErrorText(const char* lead, int line, int column, std::string_view what) {
  return Utf8ToCp932(lead) + " (" + std::to_string(line) + CP932(" 行目、") +
         std::to_string(column) + CP932(" 桁目): ") + std::string(what);
}

struct DocumentFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

class FeedReader {
 public:
  FeedReader(const xmlDoc* doc, std::string_view feedUrl) : doc_(doc), feedUrl_(feedUrl) {}

  Feed Read() {
    const xmlNode* root = xmlDocGetRootElement(doc_);
    const std::string_view name = NameOf(root);
    feedNamespace_ = NamespaceOf(root);
    if (name == "feed") {
      format_ = Format::kAtom;
      ReadChannel(root);
    } else if (name == "rss" || name == "RDF") {
      format_ = name == "rss" ? Format::kRss : Format::kRdf;
      bool namespaceKnown = format_ == Format::kRss;
      ForEachElement(root, [&](const xmlNode* child) {
        if (!namespaceKnown && (NameOf(child) == "channel" || NameOf(child) == "item")) {
          feedNamespace_ = NamespaceOf(child);
          namespaceKnown = true;
        }
        if (Is(child, "channel")) {
          ReadChannel(child);
        } else if (format_ == Format::kRdf && Is(child, "item")) {
          ReadItem(child);
        }
      });
    } else {
      throw QuilletError(CP932("フィードではありません (ルート要素が <") + FeedText(name) +
                         CP932("> です)"));
    }
    for (FeedItem& item : feed_.items) {
      if (item.category.empty()) item.category = feedCategory_;
    }
    return std::move(feed_);
  }

 private:
  // An element of the feed's own vocabulary: RSS 2.0 has no namespace (or
  // the root's), RSS 1.0 the one of its channel and items, Atom the root's.
  bool Is(const xmlNode* node, std::string_view name) const {
    return NameOf(node) == name && NamespaceOf(node) == feedNamespace_;
  }

  std::string Title(const xmlNode* node) const {
    return FeedText(format_ == Format::kAtom ? ConstructText(node) : GuessedText(node));
  }

  // The channel, or Atom's feed element: its title, category and items.
  void ReadChannel(const xmlNode* channel) {
    const std::string_view itemName = format_ == Format::kAtom ? "entry" : "item";
    std::string subject;
    ForEachElement(channel, [&](const xmlNode* child) {
      if (Is(child, itemName)) {
        ReadItem(child);
      } else if (Is(child, "title")) {
        if (feed_.title.empty()) feed_.title = Title(child);
      } else {
        ReadCategory(child, feedCategory_, subject);
      }
    });
    if (feedCategory_.empty()) feedCategory_ = subject;
  }

  // Reads the element when it is a category: <category> (Atom: its term) or
  // <dc:subject>; the first non-empty one of each is kept.
  void ReadCategory(const xmlNode* node, std::string& category, std::string& subject) const {
    std::string* kept;
    std::string text;
    if (Is(node, "category")) {
      kept = &category;
      text = format_ == Format::kAtom ? Attribute(node, "term") : GuessedText(node);
    } else if (IsForeign(node, "subject", kDublinCore, "dc")) {
      kept = &subject;
      text = GuessedText(node);
    } else {
      return;
    }
    if (kept->empty()) *kept = FeedText(text);
  }

  void ReadItem(const xmlNode* node) {
    if (feed_.items.size() >= kMaxFeedItems) return;
    FeedItem item;
    std::string subject, otherTitle, link, firstLink, permalink;
    ForEachElement(node, [&](const xmlNode* child) {
      if (Is(child, "title")) {
        if (item.title.empty()) item.title = Title(child);
      } else if (IsForeign(child, "title", kDublinCore, "dc")) {
        if (otherTitle.empty()) otherTitle = FeedText(GuessedText(child));
      } else if (IsForeign(child, "title", kMediaRss, "media")) {
        if (otherTitle.empty()) otherTitle = FeedText(MediaTitleText(child));
      } else if (Is(child, "link") && format_ == Format::kAtom) {
        const std::string rel = Attribute(child, "rel");
        std::string href = Attribute(child, "href");
        if (href.empty()) href = TextOf(child);
        href = Resolved(child, href);
        if (firstLink.empty()) firstLink = href;
        if (link.empty() && (rel.empty() || rel == "alternate")) link = href;
      } else if (Is(child, "link")) {
        if (link.empty()) link = Resolved(child, TextOf(child));
      } else if (Is(child, "guid") && format_ == Format::kRss) {
        if (Attribute(child, "isPermaLink") != "false" && permalink.empty())
          permalink = Resolved(child, TextOf(child));
      } else {
        ReadCategory(child, item.category, subject);
      }
    });
    if (item.title.empty()) item.title = std::move(otherTitle);
    if (link.empty()) link = format_ == Format::kAtom ? firstLink : permalink;
    item.link = FeedText(link);
    if (item.category.empty()) item.category = std::move(subject);
    // An item without a title or a link gives no headline to show or open.
    if (item.title.empty() || item.link.empty()) return;
    feed_.items.push_back(std::move(item));
  }

  // `reference` resolved against the xml:base of `node` and its ancestors,
  // over the feed's own URL; "" stays "".
  std::string Resolved(const xmlNode* node, std::string_view reference) const {
    const std::string_view trimmed = Trimmed(reference);
    if (trimmed.empty()) return {};
    std::vector<std::string> bases;
    for (const xmlNode* at = node; at && at->type == XML_ELEMENT_NODE; at = at->parent) {
      if (xmlHasNsProp(at, Xml("base"), Xml(kXmlNamespace)))
        bases.push_back(Attribute(at, "base", kXmlNamespace));
    }
    std::string base(feedUrl_);
    for (auto at = bases.rbegin(); at != bases.rend(); ++at)
      base = ResolveUri(base, *at);
    return ResolveUri(base, trimmed);
  }

  static std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kSpaces = " \t\r\n";
    const size_t start = text.find_first_not_of(kSpaces);
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(kSpaces) + 1 - start);
  }

  const xmlDoc* doc_;
  std::string_view feedUrl_;
  Format format_ = Format::kRss;
  std::string_view feedNamespace_;
  std::string feedCategory_;
  Feed feed_;
};

}  // namespace

Feed ParseXmlFeed(std::string utf8, std::string_view feedUrl) {
  InitialiseLibxml();
  const LenientXml lenient = MakeLenientXml(utf8);
  std::string().swap(utf8);  // the parser copies the mended text: one copy less at once
  if (lenient.text.size() > INT_MAX) throw QuilletError(CP932("フィードが大きすぎます"));

  FirstError error;
  xmlSetStructuredErrorFunc(&error, FirstError::Note);
  // Entities are replaced as the document is read, under libxml2's own
  // bounds on their expansion; the loader above refuses external ones.
  const std::unique_ptr<xmlDoc, DocumentFree> doc(
      xmlReadMemory(lenient.text.data(), static_cast<int>(lenient.text.size()), nullptr, "UTF-8",
                    XML_PARSE_RECOVER | XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR |
                        XML_PARSE_NOWARNING | XML_PARSE_COMPACT | XML_PARSE_IGNORE_ENC));
  xmlSetStructuredErrorFunc(nullptr, nullptr);

  const auto malformed = [&] {
    if (error.message.empty()) error = {1, 1, "Document is empty"};
    return QuilletError(XmlErrorText("フィードの XML が正しくありません", error.line, error.column,
                                     Utf8ToCp932(error.message, kGetaMark)));
  };
  if (!doc || !xmlDocGetRootElement(doc.get())) throw malformed();
  Feed feed = FeedReader(doc.get(), feedUrl).Read();
  if (!error.message.empty() && feed.items.empty()) throw malformed();
  if (lenient.firstMend.line != 0) {
    feed.warning = XmlErrorText("フィードの XML の誤りを補って読みました", lenient.firstMend.line,
                                lenient.firstMend.column, lenient.firstMend.what);
  } else if (!error.message.empty()) {
    feed.warning = XmlErrorText("フィードの XML の誤りを補って読みました", error.line, error.column,
                                Utf8ToCp932(error.message, kGetaMark));
  }
  return feed;
}

}  // namespace quillet
