// Each site's cutting rules: they read the page lines (CP932) from first to
// last and build the site's section document, before break splitting. Pure
// functions of the page; each site's rules live in a file of their own.
#pragma once

#include "core/text/text_ops.h"

namespace quillet {

Lines CutYomiuri(const Lines& page);
Lines CutAsahi(const Lines& page);
Lines CutImpress(const Lines& page);
Lines CutZakzak(const Lines& page);
Lines CutCnn(const Lines& page);
// Raise QuilletError "List index out of bounds (N)" when a rule needs a page
// line past the last one (N: the index asked for).
Lines CutChuou(const Lines& page);
Lines CutMainichi(const Lines& page);

}  // namespace quillet
