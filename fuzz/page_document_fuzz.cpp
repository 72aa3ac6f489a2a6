// Cutting a page by a user's rules on arbitrary bytes. The input's first
// byte picks the Content-Type and the minimum length; the rest is the page,
// then the texts from and to, the XPath expression, the CSS selector and the
// links filter, separated by NUL bytes. No crash, no undefined behaviour, and:
// a rule SectionRuleProblem refuses is refused by the cut with the same text;
// a cut gives links or says why not; each link has a text of at least the
// minimum length without line breaks, an http(s) URL holding the filter, met
// once; announced feeds are http(s), each once; every CSS selector accepted
// translates to XPath that libxml2 compiles; the tag scanner's tags lie in
// the page, in order.
#include <libxml/xpath.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/pages/css_selector.h"
#include "core/pages/page_document.h"
#include "core/text/cp932.h"
#include "core/text/html_tags.h"
#include "core/text/text_codec.h"

namespace {

void Check(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}

bool HasScheme(std::string_view url) {
  std::string lower(url.substr(0, 6));
  for (char& c : lower)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  return lower.starts_with("http:") || lower.starts_with("https:");
}

constexpr std::string_view kContentTypes[] = {"",
                                              "text/html",
                                              "text/html; charset=utf-8",
                                              "text/html; charset=Shift_JIS",
                                              "text/html; charset=euc-jp",
                                              "text/html; charset=x-unknown",
                                              "text/html; charset=utf-16le"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view contentType = kContentTypes[data[0] % std::size(kContentTypes)];
  const int minLength = data[0] / 16;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> fields;
  while (fields.size() < 5) {
    const size_t nul = rest.find('\0');
    if (nul == std::string_view::npos) break;
    fields.emplace_back(rest.substr(0, nul));
    rest.remove_prefix(nul + 1);
  }
  fields.emplace_back(rest);
  fields.resize(6);
  const std::string& page = fields[0];

  quillet::PageSection section;
  section.from = fields[1];
  section.to = fields[2];
  section.xpath = fields[3];
  section.css = fields[4];
  section.links = fields[5];
  section.minLength = minLength;

  quillet::PageDocument document(page, contentType, "https://example.jp/a/b.html");
  const quillet::SectionCut cut = document.Cut(section);
  if (const std::optional<std::string> problem = quillet::SectionRuleProblem(section)) {
    Check(cut.problem == *problem && cut.links.empty(), __LINE__);
  } else {
    Check(cut.problem.empty() != cut.links.empty(), __LINE__);
  }
  std::set<std::string> urls;
  for (const quillet::PageLink& link : cut.links) {
    Check(!link.text.empty() && link.text.find_first_of("\t\r\n") == std::string::npos, __LINE__);
    size_t characters = 0;
    for (size_t i = 0; i < link.text.size(); i += quillet::Cp932CharLength(link.text, i))
      ++characters;
    Check(characters >= static_cast<size_t>(minLength), __LINE__);
    Check(HasScheme(link.url), __LINE__);
    Check(quillet::Cp932Find(link.url, section.links) != std::string::npos, __LINE__);
    Check(urls.insert(link.url).second, __LINE__);
  }

  // A second section on the same document: the parsed tree is reused.
  section.from.clear();
  section.to.clear();
  section.xpath.clear();
  section.css = "a";
  const quillet::SectionCut again = document.Cut(section);
  Check(again.problem.empty() != again.links.empty(), __LINE__);

  std::set<std::string> feeds;
  for (const quillet::AnnouncedFeed& feed : document.Feeds()) {
    Check(HasScheme(feed.url), __LINE__);
    Check(feeds.insert(feed.url).second, __LINE__);
  }

  const quillet::CssTranslation css = quillet::CssToXPath(quillet::Cp932ToUtf8(fields[4]));
  Check(css.xpath.empty() != css.what.empty(), __LINE__);
  if (!css.xpath.empty()) {
    xmlXPathCompExprPtr compiled =
        xmlXPathCompile(reinterpret_cast<const xmlChar*>(css.xpath.c_str()));
    Check(compiled != nullptr, __LINE__);
    xmlXPathFreeCompExpr(compiled);
  }

  quillet::HtmlTagScanner scanner(page);
  quillet::HtmlTag tag;
  size_t last = 0;
  while (scanner.Next(tag)) {
    Check(tag.start >= last && tag.start < tag.end && tag.end <= page.size(), __LINE__);
    Check(page[tag.start] == '<' && page[tag.end - 1] == '>', __LINE__);
    last = tag.end;
  }
  return 0;
}
