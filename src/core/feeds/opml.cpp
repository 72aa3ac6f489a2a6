#include "core/feeds/opml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "core/feeds/feed_text.h"
#include "core/sys/clock.h"
#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// What the parse's errors say: the first fatal one (the one that ends the
// parse), else the first of any kind, with its place in the file. Errors of
// the character conversion have no place; the next error that has one gives it.
struct FirstError {
  bool fatal = false;
  int line = 0, column = 0;
  std::optional<std::string> message;  // UTF-8, as libxml2 words it
};

// The structured error handler; its argument's constness differs between
// libxml2 versions, so the type is taken from the handler slot.
template <typename Error>
void KeepFirstError(void* context, Error* error) {
  auto* first = static_cast<FirstError*>(context);
  const bool fatal = error->level == XML_ERR_FATAL;
  if (!first->fatal && (fatal || !first->message)) {
    first->fatal = fatal;
    first->message = error->message != nullptr ? error->message : "";
    first->line = error->line;
    first->column = error->int2;
  } else if (first->line == 0 && error->line > 0) {
    first->line = error->line;
    first->column = error->int2;
  }
}

// Sends every libxml2 error of this thread to `first` while it lives, so
// that none is printed: the conversion's errors come without a parser.
class ErrorsTo {
 public:
  explicit ErrorsTo(FirstError& first)
      : savedHandler_(xmlStructuredError), savedContext_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(&first, &KeepFirstError);
  }
  ~ErrorsTo() { xmlSetStructuredErrorFunc(savedContext_, savedHandler_); }
  ErrorsTo(const ErrorsTo&) = delete;
  ErrorsTo& operator=(const ErrorsTo&) = delete;

 private:
  xmlStructuredErrorFunc savedHandler_;
  void* savedContext_;
};

[[noreturn]] void Malformed(const FirstError& error) {
  std::string message = CP932("OPML ファイルが正しくありません");
  if (error.line > 0) {
    message += " (" + std::to_string(error.line) + CP932(" 行目、") + std::to_string(error.column) +
               CP932(" 桁目)");
  }
  if (error.message) {
    const std::string why = FeedText(*error.message);
    if (!why.empty()) message += ": " + why;
  }
  throw QuilletError(message);
}

[[noreturn]] void TooLarge() {
  throw QuilletError(CP932("OPML ファイルが大きすぎます (16 MB まで)"));
}

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Document Parse(std::string_view bytes) {
  const std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> parser(xmlNewParserCtxt(),
                                                                            &xmlFreeParserCtxt);
  if (!parser) throw std::bad_alloc();
  FirstError error;
  const ErrorsTo errors(error);
  // Entities are left unsubstituted and no DTD is loaded: nothing outside
  // the bytes is read.
  Document doc(xmlCtxtReadMemory(parser.get(), bytes.data(), static_cast<int>(bytes.size()),
                                 nullptr, nullptr, XML_PARSE_NONET),
               &xmlFreeDoc);
  if (!doc) Malformed(error);
  return doc;
}

bool NameIs(const xmlChar* name, const char* wanted) {
  return strcasecmp(reinterpret_cast<const char*>(name), wanted) == 0;
}

// The value of the attribute without namespace called `name` (any case),
// entity references replaced, as one line of CP932; nullopt when absent.
std::optional<std::string> Attribute(const xmlDoc& doc, const xmlNode& element, const char* name) {
  for (const xmlAttr* attribute = element.properties; attribute != nullptr;
       attribute = attribute->next) {
    if (attribute->ns != nullptr || !NameIs(attribute->name, name)) continue;
    const std::unique_ptr<xmlChar, decltype(xmlFree)> value(
        xmlNodeListGetString(const_cast<xmlDoc*>(&doc), attribute->children, 1), xmlFree);
    return FeedText(value ? reinterpret_cast<const char*>(value.get()) : "");
  }
  return std::nullopt;
}

}  // namespace

std::vector<OpmlFeed> ReadOpml(std::string_view bytes) {
  if (bytes.size() > kOpmlMaxBytes) TooLarge();
  const Document doc = Parse(bytes);
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (root == nullptr || !NameIs(root->name, "opml")) {
    throw QuilletError(CP932("OPML ファイルではありません (最上位の要素が opml ではありません)"));
  }
  std::vector<OpmlFeed> feeds;
  // Depth first in document order, without recursion.
  for (const xmlNode* node = root->children; node != nullptr && node != root;) {
    if (node->type == XML_ELEMENT_NODE && NameIs(node->name, "outline")) {
      if (std::optional<std::string> url = Attribute(*doc, *node, "xmlUrl")) {
        std::string name = Attribute(*doc, *node, "text").value_or("");
        if (name.empty()) name = Attribute(*doc, *node, "title").value_or("");
        if (name.empty()) name = *url;
        feeds.push_back({std::move(name), std::move(*url)});
      }
    }
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
      node = node->children;
      continue;
    }
    while (node != root && node->next == nullptr)
      node = node->parent;
    if (node != root) node = node->next;
  }
  return feeds;
}

std::vector<OpmlFeed> ReadOpmlFile(const std::string& path) {
  // The size first, so that a huge file is not read to be refused.
  struct stat status {};
  if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<unsigned long long>(status.st_size) > kOpmlMaxBytes) {
    TooLarge();
  }
  std::string bytes;
  switch (ReadWholeFile(path, bytes)) {
    case ReadResult::kOk:
      return ReadOpml(bytes);
    case ReadResult::kNotFound:
      throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" はありません"));
    case ReadResult::kFailed:
      break;
  }
  throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" は開けません"));
}

namespace {

// `utf8` as the text of an attribute or element: the markup characters as
// entities, TAB and line breaks as character references, and the other
// control characters, which XML 1.0 cannot hold, as U+FFFD.
void AppendEscaped(std::string& out, std::string_view utf8) {
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
  }
}

void AppendAttribute(std::string& out, const char* name, std::string_view cp932) {
  out.append(" ").append(name).append("=\"");
  AppendEscaped(out, Cp932ToUtf8(cp932));
  out += '"';
}

// RFC 822 as RSS and OPML use it: "Mon, 07 Dec 2026 22:15:18 GMT".
std::string Rfc822Date(std::time_t when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

}  // namespace

std::string WriteOpml(const std::vector<settings::FeedSource>& feeds, std::time_t created) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<opml version=\"2.0\">\n"
      "  <head>\n"
      "    <title>Quillet のフィード</title>\n"
      "    <dateCreated>" +
      Rfc822Date(created) +
      "</dateCreated>\n"
      "  </head>\n"
      "  <body>\n";
  for (const settings::FeedSource& feed : feeds) {
    out += "    <outline type=\"rss\"";
    AppendAttribute(out, "text", feed.name);
    AppendAttribute(out, "title", feed.name);
    AppendAttribute(out, "xmlUrl", feed.url);
    out += "/>\n";
  }
  return out += "  </body>\n</opml>\n";
}

void WriteOpmlFile(const std::string& path, const std::vector<settings::FeedSource>& feeds) {
  if (!WriteFileAtomic(path, WriteOpml(feeds, Now())))
    throw QuilletError(FileNameForMessage(path) + CP932(" に書き込めません"));
}

}  // namespace quillet
