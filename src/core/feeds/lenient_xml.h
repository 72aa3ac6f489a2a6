// A feed's XML made fit for a recovering parser, and bounded, before the
// parser sees it: the everyday breakages of published feeds are mended the way
// careful feed readers mend them, and the work any input can cause is capped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

// Attributes of one element past this many are left out: the parser's check
// for repeated attributes takes time in the square of their number.
inline constexpr size_t kMaxXmlAttributes = 128;
// The document is cut before an element that would be this deep, or the one
// past this many elements.
inline constexpr size_t kMaxXmlDepth = 128;
inline constexpr size_t kMaxXmlElements = 100'000;
// The mends may make the document this much longer; it is cut where they
// would make it longer still.
inline constexpr size_t kMaxXmlGrowth = size_t{1} << 20;

// Where the first mend was made, in the document as it came: line and
// column from 1, the column in bytes.
struct XmlMend {
  int line = 0;  // 0: nothing was mended
  int column = 0;
  std::string what;  // CP932
};

struct LenientXml {
  std::string text;  // UTF-8
  XmlMend firstMend;
  bool cut = false;  // a bound was reached and the rest left out
};

// Reads `utf8` once and writes it again with these mends: white space before
// the XML declaration moves behind it; control characters XML forbids are
// dropped; an "&" that starts no reference becomes "&amp;"; a reference to an
// entity neither XML nor the document's own DOCTYPE declares but HTML names
// (as RSS 0.91 feeds use "&eacute;" from their DTD) becomes the characters'
// numeric references, one HTML does not name is shown as typed; a numeric
// reference to a character XML forbids becomes U+FFFD; a "<" that cannot open
// markup, in text or in an attribute value, becomes "&lt;". Comments, CDATA
// sections and processing instructions are copied as they are. Linear in the
// size of the input.
LenientXml MakeLenientXml(std::string_view utf8);

}  // namespace quillet
