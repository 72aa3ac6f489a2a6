#include "core/text/html_tags.h"

#include <algorithm>

namespace quillet {
namespace {

constexpr size_t npos = std::string_view::npos;

bool IsAsciiAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsTagSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

// Elements whose content is text up to their own end tag.
bool HoldsRawText(const HtmlTag& tag) {
  for (const std::string_view name :
       {"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes"}) {
    if (tag.Is(name)) return true;
  }
  return false;
}

// Where the end tag "</name" that ends raw text from `at` starts, or npos.
size_t RawTextEnd(std::string_view html, size_t at, std::string_view name) {
  for (size_t p = html.find("</", at); p != npos; p = html.find("</", p + 2)) {
    const size_t after = p + 2 + name.size();
    if (after > html.size()) return npos;
    if (after < html.size() && !IsTagSpace(html[after]) && html[after] != '/' && html[after] != '>')
      continue;
    if (EqualsFolded(name, html.substr(p + 2, name.size()))) return p;
  }
  return npos;
}

// Where the comment whose "<!--" is at `at` ends: after "-->" or "--!>";
// "<!-->" and "<!--->" end at once. The end of the text when it is open.
size_t CommentEnd(std::string_view html, size_t at) {
  const size_t body = at + 4;
  if (html.substr(body, 1) == ">") return body + 1;
  if (html.substr(body, 2) == "->") return body + 2;
  for (size_t p = html.find("--", body); p != npos; p = html.find("--", p)) {
    while (p < html.size() && html[p] == '-')
      ++p;
    if (html.substr(p, 1) == ">") return p + 1;
    if (html.substr(p, 2) == "!>") return p + 2;
  }
  return html.size();
}

}  // namespace

bool EqualsFolded(std::string_view a, std::string_view lower) {
  return a.size() == lower.size() &&
         std::equal(a.begin(), a.end(), lower.begin(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool HtmlTag::Is(std::string_view lowerName) const {
  return EqualsFolded(name, lowerName);
}

std::optional<std::string_view> HtmlTag::Attribute(std::string_view lowerName) const {
  for (const HtmlAttribute& attribute : attributes) {
    if (EqualsFolded(attribute.name, lowerName)) return attribute.value;
  }
  return std::nullopt;
}

bool HtmlTagScanner::Next(HtmlTag& tag) {
  const std::string_view html = html_;
  const size_t n = html.size();
  while (pos_ < n) {
    const size_t at = html.find('<', pos_);
    if (at == npos || at + 1 >= n) break;
    const char next = html[at + 1];
    const bool endTag = next == '/' && at + 2 < n && IsAsciiAlpha(html[at + 2]);
    if (!IsAsciiAlpha(next) && !endTag) {
      if (next == '!' && html.substr(at + 2, 2) == "--") {
        pos_ = CommentEnd(html, at);
      } else if (next == '!' || next == '?' || next == '/') {
        // Doctypes, <![CDATA[ and other bogus comments end at the first ">".
        const size_t close = html.find('>', at + 2);
        pos_ = close == npos ? n : close + 1;
      } else {
        pos_ = at + 1;  // a "<" that opens nothing is text
      }
      continue;
    }

    tag.isEnd = endTag;
    tag.start = at;
    tag.attributes.clear();
    size_t i = at + (endTag ? 2 : 1);
    const size_t nameStart = i;
    while (i < n && !IsTagSpace(html[i]) && html[i] != '/' && html[i] != '>')
      ++i;
    tag.name = html.substr(nameStart, i - nameStart);

    // Attributes: a name runs to a space, "/", ">" or "=" (a first "=" is
    // part of it); a value is quoted, or runs to a space or ">".
    bool closed = false;
    while (i < n) {
      while (i < n && (IsTagSpace(html[i]) || html[i] == '/'))
        ++i;
      if (i >= n) break;
      if (html[i] == '>') {
        closed = true;
        ++i;
        break;
      }
      const size_t attrStart = i++;
      while (i < n && !IsTagSpace(html[i]) && html[i] != '/' && html[i] != '>' && html[i] != '=')
        ++i;
      HtmlAttribute attribute{html.substr(attrStart, i - attrStart), {}, 0};
      size_t j = i;
      while (j < n && IsTagSpace(html[j]))
        ++j;
      if (j < n && html[j] == '=') {
        ++j;
        while (j < n && IsTagSpace(html[j]))
          ++j;
        if (j < n && (html[j] == '"' || html[j] == '\'')) {
          const size_t close = html.find(html[j], j + 1);
          if (close == npos) {
            i = n;
            break;
          }
          attribute.value = html.substr(j + 1, close - j - 1);
          i = close + 1;
        } else {
          const size_t valueStart = j;
          while (j < n && !IsTagSpace(html[j]) && html[j] != '>')
            ++j;
          attribute.value = html.substr(valueStart, j - valueStart);
          i = j;
        }
      }
      attribute.end = i;
      if (!endTag) tag.attributes.push_back(attribute);
    }
    if (!closed) break;
    tag.end = i;
    pos_ = i;
    if (!endTag && HoldsRawText(tag)) {
      const size_t close = RawTextEnd(html, i, tag.name);
      pos_ = close == npos ? n : close;
    }
    return true;
  }
  pos_ = n;
  return false;
}

}  // namespace quillet
