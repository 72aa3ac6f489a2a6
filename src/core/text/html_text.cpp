#include "core/text/html_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

namespace quillet {
namespace {

struct NamedReference {
  std::string_view name;
  std::string_view utf8;
  bool withoutSemicolon;  // a legacy name, decoded in text without its ";" too
};

constexpr NamedReference kNamedReferences[] = {
#include "core/text/html_entities.inc"
};

constexpr bool NameBefore(const NamedReference& r, std::string_view name) {
  return r.name < name;
}

static_assert(std::is_sorted(std::begin(kNamedReferences), std::end(kNamedReferences),
                             [](const NamedReference& a, const NamedReference& b) {
                               return NameBefore(a, b.name);
                             }));

// A run of letters and digits longer than this names nothing.
constexpr size_t kLongestName =
    std::max_element(std::begin(kNamedReferences), std::end(kNamedReferences),
                     [](const NamedReference& a, const NamedReference& b) {
                       return a.name.size() < b.name.size();
                     })
        ->name.size();

const NamedReference* FindNamedReference(std::string_view name) {
  const auto* end = std::end(kNamedReferences);
  const auto* found = std::lower_bound(std::begin(kNamedReferences), end, name, NameBefore);
  return found != end && found->name == name ? found : nullptr;
}

// The legacy names apart, in the table's order, so that a run is matched
// against the few that share its first letter (nine at most).
constexpr size_t kLegacyCount =
    static_cast<size_t>(std::count_if(std::begin(kNamedReferences), std::end(kNamedReferences),
                                      [](const NamedReference& r) { return r.withoutSemicolon; }));
constexpr auto kLegacyReferences = [] {
  std::array<NamedReference, kLegacyCount> legacy{};
  std::copy_if(std::begin(kNamedReferences), std::end(kNamedReferences), legacy.begin(),
               [](const NamedReference& r) { return r.withoutSemicolon; });
  return legacy;
}();

// No legacy name begins another (in sorted order one would come right before
// a name it begins), so the longest match HTML asks for is the only one.
static_assert(std::adjacent_find(kLegacyReferences.begin(), kLegacyReferences.end(),
                                 [](const NamedReference& a, const NamedReference& b) {
                                   return b.name.starts_with(a.name);
                                 }) == kLegacyReferences.end());

// The legacy name that the non-empty `run` begins with, or null.
const NamedReference* FindLegacyPrefix(std::string_view run) {
  for (auto r = std::lower_bound(kLegacyReferences.begin(), kLegacyReferences.end(),
                                 run.substr(0, 1), NameBefore);
       r != kLegacyReferences.end() && r->name[0] == run[0]; ++r) {
    if (run.starts_with(r->name)) return &*r;
  }
  return nullptr;
}

// What HTML reads in place of the numbers 0x80-0x9F (windows-1252's
// characters); 0 where the number stands for itself.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  const auto byte = [&](uint32_t b) { out += static_cast<char>(b); };
  if (c < 0x80) {
    byte(c);
  } else if (c < 0x800) {
    byte(0xC0 | (c >> 6));
    byte(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    byte(0xE0 | (c >> 12));
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
  } else {
    byte(0xF0 | (c >> 18));
    byte(0x80 | ((c >> 12) & 0x3F));
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
  }
}

bool IsAsciiAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiAlnum(char c) {
  return IsAsciiAlpha(c) || IsDigit(c);
}
bool IsHexDigit(char c) {
  return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
// CR counts too: HTML reads a CR as a line feed before tokenizing.
bool IsTagSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

// Decodes the numeric reference at `at` ("&#" and a digit, or "&#x" and a hex
// digit, the caller has checked) into `out`; returns the index after it.
size_t DecodeNumericReference(std::string_view html, size_t at, std::string& out) {
  size_t i = at + 2;
  const bool hex = html[i] == 'x' || html[i] == 'X';
  if (hex) ++i;
  // Past 0x10FFFF every number is as invalid as the next: stop counting there.
  constexpr uint32_t kTooLarge = 0x110000;
  uint32_t number = 0;
  for (; i < html.size() && (hex ? IsHexDigit(html[i]) : IsDigit(html[i])); ++i) {
    const char c = html[i];
    const int digit = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    number = std::min(number * (hex ? 16u : 10u) + static_cast<uint32_t>(digit), kTooLarge);
  }
  if (i < html.size() && html[i] == ';') ++i;

  char32_t c = number;
  if (number == 0 || number >= kTooLarge || (number >= 0xD800 && number <= 0xDFFF)) {
    c = kReplacement;
  } else if (number >= 0x80 && number <= 0x9F && kWindows1252[number - 0x80] != 0) {
    c = kWindows1252[number - 0x80];
  }
  AppendUtf8(out, c);
  return i;
}

// Decodes the character reference that the "&" at `at` starts into `out` and
// returns the index after it; an "&" that starts none is appended as text.
// In an attribute value a legacy name without ";" followed by "=" or a letter
// or digit is no reference ("?a=1&copy=2" keeps its "&copy").
size_t DecodeReference(std::string_view html, size_t at, std::string& out,
                       bool inAttribute = false) {
  const size_t n = html.size();
  if (at + 2 < n && html[at + 1] == '#') {
    const char c = html[at + 2];
    if (IsDigit(c) || ((c == 'x' || c == 'X') && at + 3 < n && IsHexDigit(html[at + 3])))
      return DecodeNumericReference(html, at, out);
  }

  // The longest name that matches: the whole run of letters and digits when a
  // ";" follows it, or else the longest legacy name the run begins with.
  size_t run = 0;
  while (at + 1 + run < n && run <= kLongestName && IsAsciiAlnum(html[at + 1 + run]))
    ++run;
  const std::string_view name = html.substr(at + 1, run);
  if (at + 1 + run < n && html[at + 1 + run] == ';') {
    if (const NamedReference* r = FindNamedReference(name)) {
      out += r->utf8;
      return at + run + 2;
    }
  }
  if (const NamedReference* r = run > 0 ? FindLegacyPrefix(name) : nullptr) {
    const size_t after = at + 1 + r->name.size();
    if (inAttribute && after < n && (html[after] == '=' || IsAsciiAlnum(html[after]))) {
      out += '&';
      return at + 1;
    }
    out += r->utf8;
    return at + 1 + r->name.size();
  }
  out += '&';
  return at + 1;
}

// The index after the ">" that ends the tag whose name ends before `at`, or
// npos when the input ends first. Quotes hold a ">" only around a value.
size_t TagEnd(std::string_view html, size_t at) {
  enum { kBeforeName, kName, kAfterName, kBeforeValue, kUnquotedValue } state = kBeforeName;
  for (size_t i = at; i < html.size(); ++i) {
    const char c = html[i];
    if (c == '>') return i + 1;
    const bool space = IsTagSpace(c);
    switch (state) {
      case kBeforeName:
        if (!space && c != '/') state = kName;
        break;
      case kName:
      case kAfterName:
        if (c == '=') {
          state = kBeforeValue;
        } else if (c == '/') {
          state = kBeforeName;
        } else {
          state = space ? kAfterName : kName;
        }
        break;
      case kBeforeValue:
        if (c == '"' || c == '\'') {
          i = html.find(c, i + 1);
          if (i == std::string_view::npos) return i;
          state = kBeforeName;
        } else if (!space) {
          state = kUnquotedValue;
        }
        break;
      case kUnquotedValue:
        if (space) state = kBeforeName;
        break;
    }
  }
  return std::string_view::npos;
}

// Where the end tag "</name" of a script or style element that starts at `at`
// begins, or npos. (The escapes HTML allows in scripts, "<!--" with an inner
// "<script>", are not followed: the first end tag ends it.)
size_t RawTextEnd(std::string_view html, size_t at, std::string_view name) {
  for (size_t p = html.find("</", at); p != std::string_view::npos; p = html.find("</", p + 2)) {
    const size_t after = p + 2 + name.size();
    if (after >= html.size() ||
        (!IsTagSpace(html[after]) && html[after] != '/' && html[after] != '>'))
      continue;
    if (std::equal(name.begin(), name.end(), html.begin() + p + 2,
                   [](char a, char b) { return a == AsciiLower(b); }))
      return p;
  }
  return std::string_view::npos;
}

}  // namespace

bool IsBreakingElement(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "address", "article", "aside",  "blockquote", "br",      "caption", "center",   "dd",
      "details", "dialog",  "dir",    "div",        "dl",      "dt",      "fieldset", "figcaption",
      "figure",  "footer",  "form",   "h1",         "h2",      "h3",      "h4",       "h5",
      "h6",      "header",  "hgroup", "hr",         "li",      "main",    "menu",     "nav",
      "ol",      "p",       "pre",    "section",    "summary", "table",   "tbody",    "td",
      "tfoot",   "th",      "thead",  "tr",         "ul"};
  static_assert(std::is_sorted(std::begin(kNames), std::end(kNames)));
  return std::binary_search(std::begin(kNames), std::end(kNames), name);
}

namespace {

// The index after the markup that the "<" at `at` opens, having appended what
// it stands for to `out`: a space, nothing, or the "<" itself when it opens none.
size_t ReadMarkup(std::string_view html, size_t at, std::string& out) {
  constexpr size_t npos = std::string_view::npos;
  const size_t n = html.size();
  const char next = at + 1 < n ? html[at + 1] : '\0';
  const bool endTag = next == '/' && at + 2 < n && IsAsciiAlpha(html[at + 2]);
  if (!IsAsciiAlpha(next) && !endTag) {
    if (next == '!' && html.substr(at + 2, 2) == "--") {
      // A comment ends at "-->" or "--!>"; "<!-->" and "<!--->" end at once.
      const size_t body = at + 4;
      if (html.substr(body, 1) == ">") return body + 1;
      if (html.substr(body, 2) == "->") return body + 2;
      for (size_t p = html.find("--", body); p != npos; p = html.find("--", p)) {
        while (p < n && html[p] == '-')
          ++p;
        if (html.substr(p, 1) == ">") return p + 1;
        if (html.substr(p, 2) == "!>") return p + 2;
      }
      return n;
    }
    if (next == '!' || next == '?' || (next == '/' && at + 2 < n && html[at + 2] != '>')) {
      // Doctypes, <![CDATA[ and other bogus comments end at the first ">".
      const size_t end = html.find('>', at + 2);
      return end == npos ? n : end + 1;
    }
    if (next == '/' && at + 2 < n) return at + 3;  // "</>" is dropped
    out += '<';
    return at + 1;
  }

  const size_t nameStart = at + (endTag ? 2 : 1);
  size_t nameEnd = nameStart;
  while (nameEnd < n && !IsTagSpace(html[nameEnd]) && html[nameEnd] != '/' && html[nameEnd] != '>')
    ++nameEnd;
  const size_t end = TagEnd(html, nameEnd);
  if (end == npos) return n;

  // Names longer than any this reads need no folding.
  char folded[12];
  const size_t length = nameEnd - nameStart;
  if (length > sizeof folded) return end;
  std::transform(html.begin() + nameStart, html.begin() + nameEnd, folded, AsciiLower);
  const std::string_view name(folded, length);
  if (!endTag && (name == "script" || name == "style")) {
    const size_t close = RawTextEnd(html, end, name);
    return close == npos ? n : close;
  }
  if (IsBreakingElement(name)) out += ' ';
  return end;
}

}  // namespace

std::string HtmlToText(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  constexpr std::string_view kSpecial("<&\0", 3);
  size_t i = 0;
  while (i < html.size()) {
    const size_t stop = std::min(html.find_first_of(kSpecial, i), html.size());
    text.append(html, i, stop - i);
    if (stop == html.size()) break;
    if (html[stop] == '<') {
      i = ReadMarkup(html, stop, text);
    } else if (html[stop] == '&') {
      i = DecodeReference(html, stop, text);
    } else {
      i = stop + 1;  // NUL: HTML drops it from text
    }
  }
  return text;
}

std::string DecodeAttributeValue(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  size_t i = 0;
  while (i < value.size()) {
    const size_t stop = std::min(value.find('&', i), value.size());
    text.append(value, i, stop - i);
    if (stop == value.size()) break;
    i = DecodeReference(value, stop, text, true);
  }
  return text;
}

std::string_view HtmlNamedReference(std::string_view name) {
  const NamedReference* r = FindNamedReference(name);
  return r != nullptr ? r->utf8 : std::string_view();
}

}  // namespace quillet
