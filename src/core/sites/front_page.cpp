#include "core/sites/front_page.h"

#include <string>

#include "core/text/code_convert.h"

namespace quillet {

Lines PageLines(PageLinesFrom from, std::string_view body) {
  Lines lines;
  switch (from) {
    case PageLinesFrom::kStream:
      StreamToLines(lines, body);
      break;
    case PageLinesFrom::kStreamThenEuc: {
      StreamToLines(lines, body);
      std::string text;
      for (const std::string& line : lines)
        text += line + "\r\n";
      StreamToLines(lines, EucToSjis(text));
      break;
    }
    case PageLinesFrom::kConvert:
      StreamToLines(lines, ConvertTo(body.substr(0, body.find('\0')), kCodeSjis));
      break;
  }
  return lines;
}

Lines SectionDocument(const Site& site, std::string_view body) {
  // The page lines go before the breaks are split.
  Lines document = site.cut(PageLines(site.pageLines, body));
  if (site.normalise) SplitBreaks(document);
  return document;
}

}  // namespace quillet
