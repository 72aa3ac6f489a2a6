#include "core/feeds/lenient_xml.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <unordered_set>

#include "core/text/html_text.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kSpaces = " \t\r\n";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// The first byte of an element name: a letter, "_", ":" or any character
// beyond ASCII.
bool IsNameStart(char c) {
  return IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<uint8_t>(c) >= 0x80;
}
bool IsNameChar(char c) {
  return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.';
}
// C0 controls other than TAB, LF and CR, which no XML document may hold.
bool IsForbiddenControl(char c) {
  const auto byte = static_cast<uint8_t>(c);
  return byte < 0x20 && c != '\t' && c != '\n' && c != '\r';
}
bool IsXmlCharacter(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendHex(std::string& out, uint32_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::array<char, 8> digits{};
  size_t n = 0;
  do {
    digits[n++] = kDigits[code & 0xF];
    code >>= 4;
  } while (code != 0);
  out += "&#x";
  while (n > 0)
    out += digits[--n];
  out += ';';
}

// Each character of UTF-8 `text` as a numeric character reference.
void AppendAsReferences(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < text.size(); ++k)
      code = code << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    AppendHex(out, code);
    i += length;
  }
}

class Mender {
 public:
  // Room for every mend the bound allows: the text is never moved.
  explicit Mender(std::string_view in) : in_(in) { out_.reserve(in.size() + kMaxXmlGrowth + 64); }

  LenientXml Run() {
    MoveSpaceBeforeDeclaration();
    while (at_ < in_.size() && !cut_) {
      if (Overgrown()) break;
      const char c = in_[at_];
      if (c == '<') {
        Markup();
      } else if (c == '&') {
        Reference();
      } else {
        Emit(c);
        ++at_;
      }
    }
    return {std::move(out_), std::move(mend_), cut_};
  }

 private:
  bool LooksAt(std::string_view text) const { return in_.substr(at_).starts_with(text); }
  char Peek(size_t ahead) const { return at_ + ahead < in_.size() ? in_[at_ + ahead] : '\0'; }

  void Mended(size_t where, const char* what) {
    if (mend_.line != 0) return;
    const std::string_view before = in_.substr(0, where);
    const size_t lineStart = before.rfind('\n') + 1;  // npos + 1 is 0
    mend_.line = static_cast<int>(std::count(before.begin(), before.end(), '\n')) + 1;
    mend_.column = static_cast<int>(where - lineStart) + 1;
    mend_.what = Utf8ToCp932(what, kGetaMark);
  }

  // Whether the mends have made the text too long: then it is cut here.
  bool Overgrown() {
    if (out_.size() <= in_.size() + kMaxXmlGrowth) return false;
    Mended(at_, "補った箇所が多すぎるため、以降を読みません");
    cut_ = true;
    return true;
  }

  void Emit(char c) {
    if (IsForbiddenControl(c)) return Mended(at_, "XML に使えない制御文字");
    out_ += c;
  }

  // Copies up to and including `terminator`, or to the end of the input.
  void CopyThrough(std::string_view terminator) {
    const size_t found = in_.find(terminator, at_);
    const size_t end = found == std::string_view::npos ? in_.size() : found + terminator.size();
    while (at_ < end) {
      Emit(in_[at_]);
      ++at_;
    }
  }

  void MoveSpaceBeforeDeclaration() {
    const size_t declaration = in_.find_first_not_of(kSpaces);
    if (declaration == 0 || declaration == std::string_view::npos) return;
    const std::string_view rest = in_.substr(declaration);
    if (!rest.starts_with("<?xml") || rest.size() < 6 || !IsSpace(rest[5])) return;
    const size_t close = in_.find("?>", declaration);
    if (close == std::string_view::npos) return;
    Mended(0, "XML 宣言の前に空白");
    at_ = declaration;
    CopyThrough("?>");
    out_.append(in_.substr(0, declaration));
  }

  void Markup() {
    if (LooksAt("<!--")) return CopyThrough("-->");
    if (LooksAt("<![CDATA[")) return CopyThrough("]]>");
    if (LooksAt("<!DOCTYPE")) return Doctype();
    if (LooksAt("<?")) return CopyThrough("?>");
    if (Peek(1) == '/' && IsNameStart(Peek(2))) return EndTag();
    if (IsNameStart(Peek(1))) return StartTag();
    if (Peek(1) == '!') return CopyThrough(">");
    Mended(at_, "タグを始めない <");
    out_ += "&lt;";
    ++at_;
  }

  // An end tag, up to its ">": an "&" in a broken one is no reference.
  void EndTag() {
    depth_ -= depth_ > 0;
    while (at_ < in_.size()) {
      const char c = in_[at_++];
      if (c == '&') {
        Mended(at_ - 1, "参照を始めない &");
        out_ += "&amp;";
        continue;
      }
      Emit(c);
      if (c == '>') return;
    }
  }

  // The DOCTYPE, copied; the general entities its internal subset declares
  // are noted, so that references to them stay.
  void Doctype() {
    bool inSubset = false;
    while (at_ < in_.size()) {
      const char c = in_[at_];
      if (c == '"' || c == '\'') {
        Emit(c);
        ++at_;
        CopyThrough(std::string_view(&in_[at_ - 1], 1));
        continue;
      }
      if (inSubset && LooksAt("<!--")) {
        CopyThrough("-->");
        continue;
      }
      if (inSubset && LooksAt("<!ENTITY")) NoteEntity(at_ + 8);
      Emit(c);
      ++at_;
      if (c == '[') inSubset = true;
      if (c == ']') inSubset = false;
      if (c == '>' && !inSubset) return;
    }
  }

  void NoteEntity(size_t at) {
    while (at < in_.size() && IsSpace(in_[at]))
      ++at;
    if (at >= in_.size() || in_[at] == '%') return;  // a parameter entity
    const size_t start = at;
    while (at < in_.size() && IsNameChar(in_[at]))
      ++at;
    declared_.emplace(in_.substr(start, at - start));
  }

  void StartTag() {
    if (depth_ >= kMaxXmlDepth || elements_ >= kMaxXmlElements) {
      Mended(at_, depth_ >= kMaxXmlDepth ? "要素の入れ子が深すぎるため、以降を読みません"
                                         : "要素が多すぎるため、以降を読みません");
      cut_ = true;
      return;
    }
    ++elements_;
    out_ += '<';
    ++at_;
    while (at_ < in_.size() && IsNameChar(in_[at_]))
      out_ += in_[at_++];
    size_t attributes = 0;
    while (at_ < in_.size() && !cut_) {
      const char c = in_[at_];
      if (IsSpace(c)) {
        if (attributes < kMaxXmlAttributes) out_ += c;
        ++at_;
      } else if (c == '>') {
        out_ += c;
        ++at_;
        ++depth_;
        return;
      } else if (c == '/' && Peek(1) == '>') {
        out_ += "/>";
        at_ += 2;
        return;
      } else if (c == '<') {
        return;  // a tag left open: the parser reports it
      } else {
        const size_t kept = out_.size();
        const size_t start = at_;
        Attribute();
        if (++attributes > kMaxXmlAttributes) {
          Mended(start, "属性が多すぎるため、一部を読みません");
          out_.resize(kept);
        }
      }
    }
  }

  // One attribute: its name, and its value with the mends text gets.
  void Attribute() {
    const size_t start = at_;
    while (at_ < in_.size() && !IsSpace(in_[at_]) && in_[at_] != '=' && in_[at_] != '>' &&
           in_[at_] != '<' && !(in_[at_] == '/' && Peek(1) == '>')) {
      // No name holds "&": the parser sees no "&" but a reference's.
      if (in_[at_] == '&') {
        Mended(at_, "参照を始めない &");
        out_ += "&amp;";
        ++at_;
      } else {
        Emit(in_[at_++]);
      }
    }
    if (at_ == start) Emit(in_[at_++]);  // a stray "=": the parser reports it
    while (at_ < in_.size() && IsSpace(in_[at_]))
      out_ += in_[at_++];
    if (at_ >= in_.size() || in_[at_] != '=') return;
    out_ += in_[at_++];
    while (at_ < in_.size() && IsSpace(in_[at_]))
      out_ += in_[at_++];
    if (at_ >= in_.size() || (in_[at_] != '"' && in_[at_] != '\'')) return;
    const char quote = in_[at_];
    out_ += in_[at_++];
    while (at_ < in_.size() && in_[at_] != quote && !Overgrown()) {
      if (in_[at_] == '&') {
        Reference();
      } else if (in_[at_] == '<') {
        Mended(at_, "属性値の中の <");
        out_ += "&lt;";
        ++at_;
      } else {
        Emit(in_[at_++]);
      }
    }
    if (at_ < in_.size()) out_ += in_[at_++];
  }

  void Reference() {
    const size_t start = at_;
    if (Peek(1) == '#') {
      const bool hex = Peek(2) == 'x' || Peek(2) == 'X';
      size_t at = at_ + (hex ? 3 : 2);
      uint32_t code = 0;
      const size_t digits = at;
      while (at < in_.size() &&
             (hex ? std::isxdigit(static_cast<uint8_t>(in_[at])) != 0 : IsDigit(in_[at]))) {
        const char d = in_[at++];
        const auto value = static_cast<uint32_t>(IsDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
        code = std::min<uint32_t>(code * (hex ? 16 : 10) + value, 0x110000);
      }
      if (at > digits && at < in_.size() && in_[at] == ';') {
        if (IsXmlCharacter(code)) {
          out_.append(in_.substr(start, at + 1 - start));
        } else {
          Mended(start, "XML に使えない文字の参照");
          out_ += "&#xFFFD;";
        }
        at_ = at + 1;
        return;
      }
    } else {
      size_t at = at_ + 1;
      while (at < in_.size() && IsNameChar(in_[at]))
        ++at;
      if (at > at_ + 1 && at < in_.size() && in_[at] == ';') {
        const std::string_view name = in_.substr(at_ + 1, at - at_ - 1);
        if (IsPredefined(name) || declared_.contains(std::string(name))) {
          out_.append(in_.substr(start, at + 1 - start));
          at_ = at + 1;
          return;
        }
        Mended(start, "宣言されていない実体参照");
        if (const std::string_view text = HtmlNamedReference(name); !text.empty()) {
          AppendAsReferences(out_, text);
          at_ = at + 1;
          return;
        }
        out_ += "&amp;";  // shown as typed
        ++at_;
        return;
      }
    }
    Mended(start, "参照を始めない &");
    out_ += "&amp;";
    ++at_;
  }

  static bool IsPredefined(std::string_view name) {
    return name == "lt" || name == "gt" || name == "amp" || name == "apos" || name == "quot";
  }

  std::string_view in_;
  size_t at_ = 0;
  std::string out_;
  XmlMend mend_;
  bool cut_ = false;
  size_t depth_ = 0;
  size_t elements_ = 0;
  std::unordered_set<std::string> declared_;
};

}  // namespace

LenientXml MakeLenientXml(std::string_view utf8) {
  return Mender(utf8).Run();
}

}  // namespace quillet
