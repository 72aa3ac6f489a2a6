// The character set of a downloaded web page, found as web browsers find it,
// and the page decoded to UTF-8.
#pragma once

#include <string_view>

#include "core/text/document_charset.h"

namespace quillet {

// Decodes a page's bytes by the evidence in order: a byte order mark; then
// `httpCharset` (the Content-Type's charset, "" when none); then a
// <meta charset> or <meta http-equiv="Content-Type" content="...charset=...">
// within the first 1024 bytes (UTF-16 there reads as UTF-8, as browsers read
// it); then UTF-8 when the bytes are valid UTF-8 with a byte above 0x7F; then
// the Japanese code DetectCode guesses (Shift_JIS, and text it cannot tell
// from EUC-JP, as CP932); then UTF-8. A name no decoder knows is passed over.
// Bytes invalid in their encoding become U+FFFD; it never fails.
DecodedDocument DecodePage(std::string_view bytes, std::string_view httpCharset);

// The charset that the <meta> declarations at the start of `bytes` name, as
// written; "" when none does.
std::string_view MetaCharset(std::string_view bytes);

}  // namespace quillet
