// The character set of a downloaded feed or page, found from the evidence in
// and around its bytes, and the document decoded to UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct DecodedDocument {
  std::string utf8;     // the document as UTF-8, without its byte order mark
  std::string charset;  // the encoding used, as a canonical name ("UTF-8", "windows-1252", ...)
};

// Decodes a feed's (or page's) bytes by the evidence a careful reader weighs,
// in order: a byte order mark (UTF-8, UTF-16 LE/BE, UTF-32 LE/BE: FF FE 00 00
// is UTF-32 LE), or "<?" in UTF-16/32 without a mark; then `httpCharset` (the
// charset parameter of the HTTP Content-Type, "" when none); then the
// encoding the XML declaration names; then UTF-8. A name that no decoder
// knows is passed over for the next evidence, and so is one in which a
// document's "<?xml" would not read as the ASCII it is written in (a
// declaration of UTF-16 in a document of single bytes). Names are matched as
// web browsers match them (ISO-8859-1 and US-ASCII read as windows-1252,
// Shift_JIS as CP932, GB2312 as GBK, ...); other names go to iconv as written.
// Bytes invalid in their encoding become U+FFFD; it never fails.
DecodedDocument DecodeDocument(std::string_view bytes, std::string_view httpCharset);

// `bytes` decoded by the encoding `label` names (matched as DecodeDocument
// matches names), nothing removed from them; nullopt when no decoder knows it.
std::optional<DecodedDocument> DecodeAs(std::string_view bytes, std::string_view label);

// The charset parameter of a Content-Type value ("text/xml; charset=\"Shift_JIS\""
// -> "Shift_JIS"), "" when there is none.
std::string ContentTypeCharset(std::string_view contentType);

}  // namespace quillet
