#include "core/pages/css_selector.h"

#include <algorithm>
#include <cstdint>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// ASCII letters, digits, "-" and "_": XPath does not take every character
// CSS allows in a name (user-defined ones among them).
bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

std::string Lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    c = AsciiLower(c);
  return lower;
}

// `text` as an XPath string literal. Without escapes a CSS value holds at
// most one kind of quote, the one it is not quoted with.
std::string Literal(std::string_view text) {
  const char quote = text.find('\'') == std::string_view::npos ? '\'' : '"';
  return quote + std::string(text) + quote;
}

class Translator {
 public:
  explicit Translator(std::string_view selector) : s_(selector) {}

  CssTranslation Run() {
    std::string xpath;
    while (true) {
      SkipSpaces();
      std::string one;
      if (!Complex(one)) return {"", what_};
      xpath += xpath.empty() ? one : " | " + one;
      if (pos_ >= s_.size()) break;
      ++pos_;  // the ","
    }
    return {xpath, ""};
  }

 private:
  // One selector of the list, up to its "," or the end, into `out`.
  bool Complex(std::string& out) {
    std::string axis = "//";
    while (true) {
      std::string step;
      if (!Compound(step)) return false;
      out += axis + step;
      const bool spaced = SkipSpaces();
      if (pos_ >= s_.size() || s_[pos_] == ',') return true;
      const char c = s_[pos_];
      if (c == '>') {
        ++pos_;
        SkipSpaces();
        axis = "/";
      } else if (c == '+' || c == '~') {
        return Refuse(CP932("結合子「") + std::string(1, c) + CP932("」には対応していません"));
      } else if (spaced) {
        axis = "//";
      } else {
        return Unexpected();
      }
    }
  }

  // A compound selector: an optional type or "*", then ids, classes and
  // attribute tests, as one XPath step.
  bool Compound(std::string& out) {
    std::string tests;
    std::string type = "*";
    bool any = false;
    if (pos_ < s_.size() && s_[pos_] == '*') {
      ++pos_;
      any = true;
    } else if (pos_ < s_.size() && IsNameCharacter(s_[pos_])) {
      std::string name;
      if (!Name(name, true)) return false;
      type = Lowered(name);
      any = true;
    }
    while (pos_ < s_.size()) {
      const char c = s_[pos_];
      if (c == '#' || c == '.') {
        ++pos_;
        std::string name;
        if (!Name(name)) return false;
        tests += c == '#' ? "[@id=" + Literal(name) + "]"
                          : "[contains(concat(' ',normalize-space(@class),' ')," +
                                Literal(" " + name + " ") + ")]";
      } else if (c == '[') {
        if (!AttributeTest(tests)) return false;
      } else if (c == ':') {
        const size_t start = pos_;
        while (pos_ < s_.size() && (s_[pos_] == ':' || IsNameCharacter(s_[pos_])))
          ++pos_;
        return Refuse(CP932("「") + Utf8ToCp932(s_.substr(start, pos_ - start), kGetaMark) +
                      CP932("」には対応していません"));
      } else {
        break;
      }
      any = true;
    }
    if (!any)
      return pos_ >= s_.size() || s_[pos_] == ',' ? Refuse(CP932("空のセレクタがあります"))
                                                  : Unexpected();
    out = type + tests;
    return true;
  }

  // "[name]" or "[name=value]" at pos_.
  bool AttributeTest(std::string& tests) {
    ++pos_;
    SkipSpaces();
    std::string name;
    if (!Name(name, true)) return false;
    SkipSpaces();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      tests += "[@" + Lowered(name) + "]";
      return true;
    }
    if (pos_ >= s_.size()) return Refuse(CP932("「[」が閉じていません"));
    if (s_[pos_] != '=') {
      const size_t start = pos_;
      while (pos_ < s_.size() && s_[pos_] != '=' && s_[pos_] != ']')
        ++pos_;
      if (pos_ < s_.size() && s_[pos_] == '=' && pos_ - start == 1)
        return Refuse(CP932("「") + std::string(s_.substr(start, 2)) +
                      CP932("」には対応していません"));
      pos_ = start;
      return Unexpected();
    }
    ++pos_;
    SkipSpaces();
    std::string value;
    if (pos_ < s_.size() && (s_[pos_] == '"' || s_[pos_] == '\'')) {
      const size_t close = s_.find(s_[pos_], pos_ + 1);
      if (close == std::string_view::npos) return Refuse(CP932("引用符が閉じていません"));
      value = s_.substr(pos_ + 1, close - pos_ - 1);
      if (value.find('\\') != std::string::npos)
        return Refuse(CP932("「\\」のエスケープには対応していません"));
      // XPath's literals hold no control character but these.
      if (std::any_of(value.begin(), value.end(), [](char c) {
            return static_cast<uint8_t>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
          }))
        return Refuse(CP932("制御文字には対応していません"));
      pos_ = close + 1;
    } else if (!Name(value)) {
      return false;
    }
    SkipSpaces();
    if (pos_ >= s_.size() || s_[pos_] != ']') {
      if (pos_ >= s_.size()) return Refuse(CP932("「[」が閉じていません"));
      return Unexpected();
    }
    ++pos_;
    tests += "[@" + Lowered(name) + "=" + Literal(value) + "]";
    return true;
  }

  // A name (identifier) at pos_ into `out`: not a lone "-", not starting
  // with a digit nor with "-" and a digit. An element's or attribute's name
  // becomes an XPath name, which starts with a letter or "_".
  bool Name(std::string& out, bool element = false) {
    const size_t start = pos_;
    while (pos_ < s_.size() && IsNameCharacter(s_[pos_]))
      ++pos_;
    out = s_.substr(start, pos_ - start);
    if (pos_ < s_.size() && s_[pos_] == '\\')
      return Refuse(CP932("「\\」のエスケープには対応していません"));
    if (out.empty()) {
      if (pos_ >= s_.size()) return Refuse(CP932("名前が足りません"));
      return Unexpected();
    }
    const size_t digit = out[0] == '-' ? 1 : 0;
    if (out == "-" || (out[digit] >= '0' && out[digit] <= '9') || (element && out[0] == '-'))
      return Refuse(CP932("「") + Utf8ToCp932(out, kGetaMark) + CP932("」は名前になりません"));
    return true;
  }

  bool SkipSpaces() {
    const size_t start = pos_;
    while (pos_ < s_.size() && IsSpace(s_[pos_]))
      ++pos_;
    return pos_ > start;
  }

  bool Unexpected() {
    size_t length = 1;
    if (static_cast<uint8_t>(s_[pos_]) >= 0x80) {
      while (pos_ + length < s_.size() && (static_cast<uint8_t>(s_[pos_ + length]) & 0xC0) == 0x80)
        ++length;
    }
    return Refuse(CP932("「") + Utf8ToCp932(s_.substr(pos_, length), kGetaMark) +
                  CP932("」には対応していません"));
  }

  bool Refuse(std::string what) {
    what_ = std::move(what);
    return false;
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string what_;
};

}  // namespace

CssTranslation CssToXPath(std::string_view selector) {
  return Translator(selector).Run();
}

}  // namespace quillet
