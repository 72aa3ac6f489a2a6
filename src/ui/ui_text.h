// The boundary between the program's CP932 text and the Unicode strings of
// the window system.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/text/text_codec.h"

namespace quillet {

inline QString UiText(std::string_view cp932) {
  return QString::fromStdString(Cp932ToUtf8(cp932));
}

// The same for a menu item's caption, where a single '&' would mark the
// access key instead of showing itself (URLs often hold one).
inline QString MenuCaption(std::string_view cp932) {
  return UiText(cp932).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace quillet
