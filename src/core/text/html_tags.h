// A linear scanner of HTML tags and their attributes, for reading a page's
// links and declarations without building its tree. It reads tags as HTML's
// tokenizer does: comments, doctypes and bogus comments are skipped, and the
// content of script, style, title, textarea and the like is text, not tags.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace quillet {

struct HtmlAttribute {
  std::string_view name;   // as written
  std::string_view value;  // as written, without its quotes; "" when it has none
  size_t end = 0;          // just after it (after its closing quote)
};

struct HtmlTag {
  std::string_view name;                  // as written
  bool isEnd = false;                     // "</name ...>"
  size_t start = 0;                       // where its "<" is
  size_t end = 0;                         // just after its ">"
  std::vector<HtmlAttribute> attributes;  // of a start tag, in order

  // Whether the tag's name is `lowerName`, ignoring ASCII case.
  bool Is(std::string_view lowerName) const;
  // The value of the first attribute named `lowerName` (ASCII case ignored),
  // as written; nullopt when there is none.
  std::optional<std::string_view> Attribute(std::string_view lowerName) const;
};

class HtmlTagScanner {
 public:
  explicit HtmlTagScanner(std::string_view html) : html_(html) {}

  // The next start or end tag into `tag`; false when there is none. A tag
  // cut off by the end of the text is none.
  bool Next(HtmlTag& tag);

 private:
  std::string_view html_;
  size_t pos_ = 0;
};

// Whether `a` equals `lower` when its ASCII letters are folded to lower case.
bool EqualsFolded(std::string_view a, std::string_view lower);

}  // namespace quillet
