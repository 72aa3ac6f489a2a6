// A feed document's bytes as Unicode text, decoded by its byte order mark or
// the encoding its XML declaration names, with the core's converters.
#pragma once

#include <QString>

#include <string_view>

namespace quillet {

// A UTF-8 or UTF-16 byte order mark (or UTF-16 "<?" without one) decides the
// encoding; else the declaration's encoding: UTF-8 (also US-ASCII),
// Shift_JIS (Windows-31J, CP932, x-sjis and the like), EUC-JP, ISO-2022-JP or
// ISO-8859-1; without a declaration, UTF-8. Bytes that are not valid in their
// encoding become U+FFFD. Any other encoding raises QuilletError.
QString DecodeFeedText(std::string_view bytes);

}  // namespace quillet
