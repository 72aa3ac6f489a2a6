// The fixed rows of the seven sites as the fetch run uses them: addresses, the
// size probe, how the body becomes page lines, and the break normaliser.
#pragma once

#include <string>
#include <string_view>

#include "core/text/text_ops.h"

namespace quillet {

enum class PageLinesFrom {
  kStream,         // the body as received
  kStreamThenEuc,  // the body's lines converted from EUC-JP without detection
  kConvert,        // the body's code guessed and converted
};

struct SiteRow {
  int site;  // site number (catalogue)
  std::string host;
  std::string frontPagePath;
  std::string baseUrl;  // scheme and host; "/" at the end for アサヒ・コム and ZAKZAK
  bool sizeProbe;
  PageLinesFrom pageLines;
  bool normalise;  // SplitBreaks on the section document
  Lines (*cut)(const Lines& page);

  std::string FrontPageUrl() const { return "http://" + host + frontPagePath; }
};

// In fetch order.
const SiteRow& SiteRowOf(int site);

// The page lines of a body, as the row says.
Lines PageLines(PageLinesFrom from, std::string_view body);

}  // namespace quillet
