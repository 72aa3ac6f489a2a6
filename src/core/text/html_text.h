// HTML fragments (a feed's html titles, RSS titles) to their text, read by the
// rules of HTML's own tokenizer, and HTML's named character references.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// The text of the HTML fragment `html`, UTF-8 in and out. A "<" opens markup
// only when an ASCII letter, "/", "!" or "?" follows; any other "<" is text.
// Tags, comments, doctypes and bogus comments (<?...>, <![CDATA[...>) go, and
// so does the content of <script> and <style>; markup left open at the end
// drops the rest. <br> and block tags become one space, other tags nothing.
// Named references (the legacy ones without ";" too) and numeric ones are
// decoded as HTML decodes them in text; an "&" that starts none stays. NUL
// bytes go; other bytes, white space and invalid UTF-8 pass as they are.
// The text is never longer than 6/5 of `html` (&nLt; is 5 bytes for 6), and
// valid UTF-8 gives valid UTF-8. Linear in the length of `html`.
std::string HtmlToText(std::string_view html);

// An attribute value as written (without its quotes) to its text: character
// references decoded as HTML decodes them in attribute values, where a
// legacy name without ";" followed by "=" or a letter or digit stays as it is.
std::string DecodeAttributeValue(std::string_view value);

// Elements that start a new line when shown, by their lower-case name.
bool IsBreakingElement(std::string_view name);

// The UTF-8 that "&name;" stands for in HTML (`name` without "&" and ";"),
// or "" when HTML defines no such name.
std::string_view HtmlNamedReference(std::string_view name);

}  // namespace quillet
