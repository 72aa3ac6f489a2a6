#include "core/pages/page_document.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "core/feeds/feed_text.h"
#include "core/feeds/uri_reference.h"
#include "core/pages/css_selector.h"
#include "core/text/cp932.h"
#include "core/text/html_tags.h"
#include "core/text/html_text.h"
#include "core/text/page_charset.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// XPath steps one expression may take: far more than any rule needs on a
// large page, few enough that no expression runs for long.
constexpr unsigned long kXPathOpLimit = 20'000'000;

const xmlChar* Xml(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}
std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Catches what libxml2 reports on this thread while it lives, keeping the
// first error's message, and keeps its generic messages off stderr.
class ErrorCapture {
 public:
  ErrorCapture() {
    xmlSetStructuredErrorFunc(this, &Note);
    xmlSetGenericErrorFunc(nullptr, &Silence);
  }
  ~ErrorCapture() {
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    xmlSetGenericErrorFunc(nullptr, nullptr);
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  // " (Invalid expression)" for the user, or "" when nothing was reported.
  std::string Detail() const {
    std::string message = message_;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    return message.empty() ? "" : " (" + Utf8ToCp932(message, kGetaMark) + ")";
  }

 private:
  static void Note(void* data, xmlErrorPtr error) {
    auto* capture = static_cast<ErrorCapture*>(data);
    if (capture->message_.empty() && error && error->message) capture->message_ = error->message;
  }
  static void Silence(void*, const char*, ...) {}

  std::string message_;
};

// Pages are cut on worker threads: libxml2's globals are set up once, first.
void InitialiseLibxml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

struct ContextFree {
  void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
using Context = std::unique_ptr<xmlXPathContext, ContextFree>;

Context NewContext(xmlDoc* doc) {
  Context context(xmlXPathNewContext(doc));
  if (!context) throw std::bad_alloc();
  context->opLimit = kXPathOpLimit;
  return context;
}

// Why `xpath` (UTF-8) does not compile, or nullopt.
std::optional<std::string> XPathProblem(const std::string& xpath) {
  InitialiseLibxml();
  const ErrorCapture capture;
  const Context context = NewContext(nullptr);
  xmlXPathCompExprPtr compiled = xmlXPathCtxtCompile(context.get(), Xml(xpath.c_str()));
  if (compiled) {
    xmlXPathFreeCompExpr(compiled);
    return std::nullopt;
  }
  return capture.Detail();
}

bool IsHttp(std::string_view url) {
  const auto starts = [&](std::string_view scheme) {
    return url.size() >= scheme.size() && EqualsFolded(url.substr(0, scheme.size()), scheme);
  };
  return starts("http:") || starts("https:");
}

size_t Cp932Length(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i += Cp932CharLength(text, i))
    ++count;
  return count;
}

// The value of an element's attribute `name` in the parsed tree, or nullopt.
std::optional<std::string_view> TreeAttribute(const xmlNode* node, std::string_view name) {
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    if (View(attribute->name) != name) continue;
    const xmlNode* value = attribute->children;
    return value && value->type == XML_TEXT_NODE ? View(value->content) : std::string_view();
  }
  return std::nullopt;
}

bool IsElement(const xmlNode* node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && View(node->name) == name;
}

// The node after `node` in document order within the subtree of `root`,
// its children passed over when `descend` is false; nullptr at the end.
const xmlNode* NextInside(const xmlNode* node, const xmlNode* root, bool descend) {
  if (descend && node->children && node->type == XML_ELEMENT_NODE) return node->children;
  while (node != root) {
    if (node->next) return node->next;
    node = node->parent;
  }
  return nullptr;
}

// The index the document order gives an element (xmlXPathOrderDocElems).
size_t OrderOf(const xmlNode* node) {
  const auto stamp = reinterpret_cast<intptr_t>(node->content);
  return stamp < 0 ? static_cast<size_t>(-stamp) : 0;
}

// Where `needle` first occurs in `text` at or after `from`, or npos; glibc's
// memmem stays linear whatever the texts.
size_t Find(std::string_view text, std::string_view needle, size_t from) {
  const void* found = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
  return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data())
               : std::string_view::npos;
}

// libxml2 checks each attribute of a tag against every one before it: a page
// with tags of very many attributes would take quadratic time to parse.
constexpr size_t kParsedAttributesMax = 256;

// `html` with each start tag cut after its first kParsedAttributesMax
// attributes (HTML drops repeated names; a real page needs a few dozen at
// most), or nullopt when no tag has more.
std::optional<std::string> WithAttributesBounded(std::string_view html) {
  std::optional<std::string> bounded;
  size_t copied = 0;
  HtmlTagScanner scanner(html);
  HtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.attributes.size() <= kParsedAttributesMax) continue;
    if (!bounded) bounded.emplace().reserve(html.size());
    const size_t cut = tag.attributes[kParsedAttributesMax - 1].end;
    bounded->append(html.substr(copied, cut - copied));
    *bounded += '>';
    copied = tag.end;
  }
  if (bounded) bounded->append(html.substr(copied));
  return bounded;
}

// The anchor that holds `node` (a headline's <span> inside its link), or
// `node` itself. `clear` marks the elements known to have no anchor at or
// above them, so that each element is climbed through once.
const xmlNode* AnchorAround(const xmlNode* node, std::vector<char>& clear) {
  for (const xmlNode* at = node; at && at->type == XML_ELEMENT_NODE; at = at->parent) {
    const size_t order = std::min(OrderOf(at), clear.size() - 1);
    if (order != 0 && clear[order]) break;
    if (IsElement(at, "a") && TreeAttribute(at, "href")) return at;
  }
  for (const xmlNode* at = node; at && at->type == XML_ELEMENT_NODE; at = at->parent) {
    const size_t order = std::min(OrderOf(at), clear.size() - 1);
    if (order != 0 && clear[order]) break;
    clear[order] = order != 0;
  }
  return node;
}

}  // namespace

struct PageDocument::Anchor {
  std::string text;  // UTF-8, markup removed, not yet collapsed
  std::string alt;   // the alt of its first image, for an anchor without text
  std::string href;  // references decoded, not yet resolved
};

struct PageDocument::Tree {
  struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
  };
  std::unique_ptr<xmlDoc, DocFree> doc;
  size_t elements = 0;
};

PageDocument::PageDocument(std::string_view bytes, std::string_view contentType, std::string url)
    : url_(std::move(url)), decoded_(DecodePage(bytes, ContentTypeCharset(contentType))) {}

PageDocument::~PageDocument() = default;

const std::string& PageDocument::Base() {
  if (base_) return *base_;
  base_ = url_;
  HtmlTagScanner scanner(decoded_.utf8);
  HtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.isEnd) continue;
    if (tag.Is("body")) break;
    if (!tag.Is("base")) continue;
    if (const auto href = tag.Attribute("href")) {
      base_ = ResolveUri(url_, DecodeAttributeValue(*href));
      break;
    }
  }
  return *base_;
}

PageDocument::Tree& PageDocument::ParsedTree() {
  if (tree_) return *tree_;
  tree_ = std::make_unique<Tree>();
  InitialiseLibxml();
  const std::optional<std::string> bounded = WithAttributesBounded(decoded_.utf8);
  const std::string& html = bounded ? *bounded : decoded_.utf8;
  const int size = static_cast<int>(std::min<size_t>(html.size(), INT_MAX));
  const ErrorCapture capture;
  tree_->doc.reset(htmlReadMemory(html.data(), size, nullptr, "UTF-8",
                                  HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                      HTML_PARSE_NONET | HTML_PARSE_COMPACT |
                                      HTML_PARSE_IGNORE_ENC));
  if (tree_->doc) {
    // Stamps each element with its place in the page: the selection's links
    // are put in page order by it, and XPath sorts faster with it.
    const long count = xmlXPathOrderDocElems(tree_->doc.get());
    tree_->elements = count > 0 ? static_cast<size_t>(count) : 0;
  }
  return *tree_;
}

SectionCut PageDocument::Cut(const PageSection& section) {
  if (std::optional<std::string> problem = SectionRuleProblem(section))
    return {{}, std::move(*problem)};
  if (!section.xpath.empty()) {
    return CutBySelection(section, Cp932ToUtf8(section.xpath),
                          CP932("XPath に合う要素がありません"));
  }
  if (!section.css.empty()) {
    return CutBySelection(section, CssToXPath(Cp932ToUtf8(section.css)).xpath,
                          CP932("CSS セレクタに合う要素がありません"));
  }
  return CutBetween(section);
}

SectionCut PageDocument::CutBetween(const PageSection& section) {
  const std::string_view page = decoded_.utf8;
  const std::string from = Cp932ToUtf8(section.from);
  const std::string to = Cp932ToUtf8(section.to);
  size_t begin = 0;
  if (!from.empty()) {
    begin = Find(page, from, 0);
    if (begin == std::string_view::npos) return {{}, CP932("開始テキストが見つかりません")};
    begin += from.size();
  }
  size_t end = page.size();
  if (!to.empty()) {
    end = Find(page, to, begin);
    if (end == std::string_view::npos) {
      return {{},
              from.empty() ? CP932("終了テキストが見つかりません")
                           : CP932("開始テキストの後に終了テキストが見つかりません")};
    }
  }
  const std::string_view part = page.substr(begin, end - begin);

  // An anchor runs to its end tag, to the next anchor (which closes it, as
  // HTML closes it) or to the end of the part.
  std::vector<Anchor> anchors;
  constexpr size_t kNone = std::string_view::npos;
  size_t open = kNone;  // where the open anchor's content starts
  const auto close = [&](size_t at) {
    if (open != kNone) anchors.back().text = HtmlToText(part.substr(open, at - open));
    open = kNone;
  };
  HtmlTagScanner scanner(part);
  HtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.Is("a")) {
      close(tag.start);
      if (tag.isEnd) continue;
      if (const auto href = tag.Attribute("href")) {
        anchors.push_back({"", "", DecodeAttributeValue(*href)});
        open = tag.end;
      }
    } else if (open != kNone && !tag.isEnd && tag.Is("img") && anchors.back().alt.empty()) {
      if (const auto alt = tag.Attribute("alt")) anchors.back().alt = DecodeAttributeValue(*alt);
    }
  }
  close(part.size());
  return Filter(anchors, section);
}

SectionCut PageDocument::CutBySelection(const PageSection& section, const std::string& xpath,
                                        const std::string& noMatch) {
  Tree& tree = ParsedTree();
  if (!tree.doc || !xmlDocGetRootElement(tree.doc.get())) return {{}, noMatch};
  const ErrorCapture capture;
  const Context context = NewContext(tree.doc.get());
  struct ObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
  };
  const std::unique_ptr<xmlXPathObject, ObjectFree> result(
      xmlXPathEval(Xml(xpath.c_str()), context.get()));
  if (!result) {
    const std::string& rule = section.xpath.empty() ? section.css : section.xpath;
    return {{},
            (section.xpath.empty() ? CP932("CSS セレクタが正しくありません: ")
                                   : CP932("XPath 式が正しくありません: ")) +
                rule + capture.Detail()};
  }
  if (result->type != XPATH_NODESET || xmlXPathNodeSetIsEmpty(result->nodesetval))
    return {{}, noMatch};

  // Each selected element's anchors: itself, or those inside it. Attribute
  // and text nodes stand for their element. An element inside one already
  // walked is not walked again, and the anchors go in page order.
  std::vector<char> walked(tree.elements + 1, 0);
  std::vector<char> clear(tree.elements + 1, 0);  // no anchor at or above
  std::vector<const xmlNode*> found;
  const xmlNodeSet* selected = result->nodesetval;
  for (int i = 0; i < selected->nodeNr; ++i) {
    const xmlNode* node = selected->nodeTab[i];
    if (node->type == XML_NAMESPACE_DECL) continue;
    if (node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE) {
      node = xmlDocGetRootElement(tree.doc.get());
    } else if (node->type != XML_ELEMENT_NODE) {
      node = node->parent;
    }
    if (!node || node->type != XML_ELEMENT_NODE) continue;
    node = AnchorAround(node, clear);
    for (const xmlNode* at = node; at;) {
      bool descend = true;
      if (at->type == XML_ELEMENT_NODE) {
        const size_t order = std::min(OrderOf(at), tree.elements);
        descend = order == 0 || !walked[order];
        if (descend) {
          walked[order] = order != 0;
          if (IsElement(at, "a") && TreeAttribute(at, "href")) found.push_back(at);
        } else if (at == node) {
          break;
        }
      }
      at = NextInside(at, node, descend);
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const xmlNode* a, const xmlNode* b) { return OrderOf(a) < OrderOf(b); });

  std::vector<Anchor> anchors;
  anchors.reserve(found.size());
  for (const xmlNode* a : found) {
    Anchor anchor{"", "", std::string(*TreeAttribute(a, "href"))};
    for (const xmlNode* at = a->children; at;) {
      bool descend = true;
      if (at->type == XML_TEXT_NODE || at->type == XML_CDATA_SECTION_NODE) {
        anchor.text += View(at->content);
      } else if (at->type == XML_ELEMENT_NODE) {
        const std::string_view name = View(at->name);
        descend = name != "script" && name != "style";
        if (IsBreakingElement(name)) anchor.text += ' ';
        if (name == "img" && anchor.alt.empty()) {
          if (const auto alt = TreeAttribute(at, "alt")) anchor.alt = *alt;
        }
      }
      at = NextInside(at, a, descend);
    }
    anchors.push_back(std::move(anchor));
  }
  return Filter(anchors, section);
}

SectionCut PageDocument::Filter(const std::vector<Anchor>& anchors, const PageSection& section) {
  if (anchors.empty()) return {{}, CP932("切り出した部分にリンクがありません")};
  SectionCut cut;
  std::unordered_set<std::string> seen;
  for (const Anchor& anchor : anchors) {
    const std::string resolved = ResolveUri(Base(), anchor.href);
    if (!IsHttp(resolved)) continue;
    PageLink link{FeedText(anchor.text), FeedText(resolved)};
    if (link.text.empty()) link.text = FeedText(anchor.alt);
    if (link.text.empty()) continue;
    if (!section.links.empty() && Cp932Find(link.url, section.links) == std::string::npos) continue;
    if (Cp932Length(link.text) < static_cast<size_t>(std::max(section.minLength, 0))) continue;
    if (!seen.insert(link.url).second) continue;
    cut.links.push_back(std::move(link));
  }
  if (cut.links.empty()) cut.problem = CP932("条件に合うリンクがありません");
  return cut;
}

std::vector<AnnouncedFeed> PageDocument::Feeds() {
  static constexpr std::string_view kFeedTypes[] = {"application/rss+xml", "application/atom+xml",
                                                    "application/feed+json", "application/json"};
  std::vector<AnnouncedFeed> feeds;
  std::unordered_set<std::string> seen;
  HtmlTagScanner scanner(decoded_.utf8);
  HtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.isEnd || !tag.Is("link")) continue;
    const auto rel = tag.Attribute("rel");
    const auto href = tag.Attribute("href");
    const auto type = tag.Attribute("type");
    if (!rel || !href || !type) continue;
    // rel holds words; "alternate" is one of them, in any case.
    bool alternate = false;
    const std::string rels = DecodeAttributeValue(*rel);
    for (size_t pos = 0; pos < rels.size();) {
      const size_t start = rels.find_first_not_of(" \t\n\f\r", pos);
      if (start == std::string::npos) break;
      const size_t stop = std::min(rels.find_first_of(" \t\n\f\r", start), rels.size());
      alternate = alternate ||
                  EqualsFolded(std::string_view(rels).substr(start, stop - start), "alternate");
      pos = stop;
    }
    std::string mediaType = DecodeAttributeValue(*type);
    mediaType = mediaType.substr(0, mediaType.find(';'));
    const std::string_view trimmed = TrimSpaces(mediaType);
    const bool isFeed = std::any_of(std::begin(kFeedTypes), std::end(kFeedTypes),
                                    [&](std::string_view t) { return EqualsFolded(trimmed, t); });
    if (!alternate || !isFeed) continue;
    const std::string resolved = ResolveUri(Base(), DecodeAttributeValue(*href));
    if (!IsHttp(resolved)) continue;
    AnnouncedFeed feed{FeedText(DecodeAttributeValue(tag.Attribute("title").value_or(""))),
                       FeedText(resolved)};
    if (seen.insert(feed.url).second) feeds.push_back(std::move(feed));
  }
  return feeds;
}

std::optional<std::string> SectionRuleProblem(const PageSection& section) {
  const int ways = (!section.from.empty() || !section.to.empty() ? 1 : 0) +
                   (!section.xpath.empty() ? 1 : 0) + (!section.css.empty() ? 1 : 0);
  if (ways > 1)  // none: the whole page, between its start and its end
    return CP932("切り出し方を一つ指定してください (--from と --to、--xpath、--css のどれか)");
  if (section.minLength < 0 || section.minLength > kPageMinLengthMax)
    return CP932("--min-length は 0 から 1000 までです");
  if (!section.xpath.empty()) {
    if (const std::optional<std::string> detail = XPathProblem(Cp932ToUtf8(section.xpath)))
      return CP932("XPath 式が正しくありません: ") + section.xpath + *detail;
  }
  if (!section.css.empty()) {
    const CssTranslation translation = CssToXPath(Cp932ToUtf8(section.css));
    if (translation.xpath.empty()) {
      return CP932("CSS セレクタが正しくありません: ") + section.css + " (" + translation.what +
             ")";
    }
  }
  return std::nullopt;
}

}  // namespace quillet
