// A downloaded page cut into the links of its sections by the rules the user
// wrote, and the feeds the page announces.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/pages/page_list.h"
#include "core/text/document_charset.h"

namespace quillet {

struct PageLink {
  std::string text;  // CP932
  std::string url;   // CP932
};

struct SectionCut {
  std::vector<PageLink> links;  // in page order
  std::string problem;          // CP932; "" when links were cut, else why none
};

struct AnnouncedFeed {
  std::string title;  // CP932
  std::string url;    // CP932, resolved
};

// A downloaded page, decoded once, parsed as HTML only when a section with an
// XPath or CSS rule first needs it, and cut by each section's rule. Sections
// cut between texts are read by a scan of the tags in their part alone.
class PageDocument {
 public:
  // `bytes` as downloaded, `contentType` the HTTP Content-Type value ("" when
  // none), `url` the page's final URL (after redirects), the base for
  // relative links.
  PageDocument(std::string_view bytes, std::string_view contentType, std::string url);
  ~PageDocument();
  PageDocument(const PageDocument&) = delete;
  PageDocument& operator=(const PageDocument&) = delete;

  SectionCut Cut(const PageSection& section);

  // The feeds the page announces: <link rel="alternate" href> whose type is
  // RSS, Atom or JSON Feed, http or https once resolved, in page order, no
  // URL twice.
  std::vector<AnnouncedFeed> Feeds();

  // The encoding the page was read in ("UTF-8", "Shift_JIS", ...).
  const std::string& Charset() const { return decoded_.charset; }

 private:
  struct Tree;
  struct Anchor;

  const std::string& Base();
  Tree& ParsedTree();
  SectionCut CutBetween(const PageSection& section);
  SectionCut CutBySelection(const PageSection& section, const std::string& xpath,
                            const std::string& noMatch);
  SectionCut Filter(const std::vector<Anchor>& anchors, const PageSection& section);

  std::string url_;
  DecodedDocument decoded_;
  std::optional<std::string> base_;
  std::unique_ptr<Tree> tree_;
};

// Why a section's rule cannot be used, as a message for the user (CP932);
// nullopt when it can: more than one way of cutting (texts, XPath, CSS; none
// cuts the whole page, as texts both left out do), an
// XPath expression that does not compile, a selector outside the CSS that
// CssToXPath reads, a minimum length outside 0..kPageMinLengthMax.
std::optional<std::string> SectionRuleProblem(const PageSection& section);

}  // namespace quillet
