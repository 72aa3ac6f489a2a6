// The CSS selectors a page's section may be cut by, translated to the XPath
// expression that selects the same elements of a page read as HTML.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

struct CssTranslation {
  std::string xpath;  // UTF-8; "" when the selector is refused
  std::string what;   // CP932: what is wrong with a refused selector
};

// Translates `selector` (UTF-8): type selectors and "*", "#id", ".class" (one
// of the whitespace-separated words of the class attribute), "[attr]" and
// "[attr=value]" (value quoted or not), compound selectors of these
// ("a.b#c[d]"), the descendant (" ") and child (">") combinators, and lists
// separated by ",". Names are of ASCII letters, digits, "-" and "_", and
// element and attribute names are matched in lower case, as the HTML parser
// stores them; quoted values hold no control character. Anything else is
// refused, and what is accepted translates to XPath that compiles.
CssTranslation CssToXPath(std::string_view selector);

}  // namespace quillet
