// Folding for a search that does not tell full-width from half-width
// characters: the full-width forms of ASCII letters, digits and signs become
// the ASCII characters, half-width katakana become full-width katakana, and
// letters A-Z become a-z, so that 「ＧＰ」, 「gp」 and 「Gp」 fold alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Appends the folded form of the CP932 text `text` to `out`:
// - A-Z and their full-width forms (Ａ-Ｚ, ａ-ｚ) as a-z; full-width digits and
//   signs (０-９, ！, ＃, ...) and the ideographic space as their ASCII bytes;
// - half-width katakana and signs (ｱ, ｰ, ｡, ...) as their full-width forms,
//   a voiced or semi-voiced mark joined to the kana before it where one
//   full-width character holds both (ｶﾞ as ガ, ﾊﾟ as パ).
// Everything else, a lead byte that ends the text included, is copied. The
// folded text starts a character wherever the text does, so a match found
// at a character start of the folded text is one at a character start of
// the text.
void AppendWidthFolded(std::string& out, std::string_view text);

std::string WidthFolded(std::string_view text);

// The forms that fold to the folded character `c` (a whole character of a
// WidthFolded text), as the bytes that begin each: one of them stands in
// every text whose folded form holds `c` (for "g": g, G, Ｇ and ｇ; for ガ: ガ
// and ｶﾞ). At most four, of one or two bytes each; a search looks for them
// before it folds a line.
std::vector<std::string> WidthFoldForms(std::string_view c);

}  // namespace quillet
