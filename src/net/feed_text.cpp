#include "net/feed_text.h"

#include <algorithm>
#include <string>

#include "core/sys/error.h"
#include "core/text/code_convert.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

enum class Encoding { kUtf8, kSjis, kEuc, kJis, kLatin1 };

// Declared names, folded to lower case, that the decoder reads.
struct EncodingName {
  std::string_view name;
  Encoding encoding;
};
constexpr EncodingName kEncodingNames[] = {
    {"utf-8", Encoding::kUtf8},        {"utf8", Encoding::kUtf8},
    {"us-ascii", Encoding::kUtf8},     {"ascii", Encoding::kUtf8},
    {"shift_jis", Encoding::kSjis},    {"shift-jis", Encoding::kSjis},
    {"sjis", Encoding::kSjis},         {"x-sjis", Encoding::kSjis},
    {"ms_kanji", Encoding::kSjis},     {"csshiftjis", Encoding::kSjis},
    {"windows-31j", Encoding::kSjis},  {"cswindows31j", Encoding::kSjis},
    {"cp932", Encoding::kSjis},        {"ms932", Encoding::kSjis},
    {"euc-jp", Encoding::kEuc},        {"x-euc-jp", Encoding::kEuc},
    {"eucjp", Encoding::kEuc},         {"cseucpkdfmtjapanese", Encoding::kEuc},
    {"iso-2022-jp", Encoding::kJis},   {"csiso2022jp", Encoding::kJis},
    {"iso-8859-1", Encoding::kLatin1}, {"iso_8859-1", Encoding::kLatin1},
    {"latin1", Encoding::kLatin1},
};

constexpr std::string_view kXmlSpaces = " \t\r\n";

std::string_view SkipXmlSpaces(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(kXmlSpaces), text.size()));
  return text;
}

// The encoding named by the XML declaration at the start of `bytes`, as
// written; "" when there is no declaration or it names none.
std::string_view DeclaredEncoding(std::string_view bytes) {
  if (bytes.size() < 6 || !bytes.starts_with("<?xml") ||
      kXmlSpaces.find(bytes[5]) == std::string_view::npos) {
    return {};
  }
  const size_t close = bytes.find("?>");
  const size_t name = bytes.substr(0, close).find("encoding");
  if (close == std::string_view::npos || name == std::string_view::npos) return {};
  std::string_view rest = SkipXmlSpaces(bytes.substr(name + 8, close - name - 8));
  if (!rest.starts_with('=')) return {};
  rest = SkipXmlSpaces(rest.substr(1));
  if (!rest.starts_with('"') && !rest.starts_with('\'')) return {};
  const size_t end = rest.find(rest[0], 1);
  if (end == std::string_view::npos) return {};
  return rest.substr(1, end - 1);
}

// UTF-16 code units two bytes each; an odd last byte becomes U+FFFD.
QString FromUtf16(std::string_view bytes, bool bigEndian) {
  QString text(static_cast<qsizetype>(bytes.size() / 2 + bytes.size() % 2),
               QChar::ReplacementCharacter);
  char16_t* unit = reinterpret_cast<char16_t*>(text.data());
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    *unit++ = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return text;
}

QString FromUtf8(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

QString DecodeFeedText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return FromUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFE\xFF")) return FromUtf16(bytes.substr(2), true);
  if (bytes.starts_with("\xFF\xFE")) return FromUtf16(bytes.substr(2), false);
  // "<?" in UTF-16 without a byte order mark.
  if (bytes.starts_with(std::string_view("\0<\0?", 4))) return FromUtf16(bytes, true);
  if (bytes.starts_with(std::string_view("<\0?\0", 4))) return FromUtf16(bytes, false);

  const std::string_view declared = DeclaredEncoding(bytes);
  if (declared.empty()) return FromUtf8(bytes);
  std::string folded(declared);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  const auto* known = std::find_if(std::begin(kEncodingNames), std::end(kEncodingNames),
                                   [&](const EncodingName& n) { return n.name == folded; });
  if (known == std::end(kEncodingNames)) {
    // The name as written, printable ASCII only, for the message.
    std::string shown;
    for (char c : declared.substr(0, 40)) {
      if (c > ' ' && c < 0x7F) shown += c;
    }
    throw QuilletError(CP932("フィードの文字コード \"") + shown + CP932("\" には対応していません"));
  }
  switch (known->encoding) {
    case Encoding::kUtf8:
      return FromUtf8(bytes);
    case Encoding::kSjis:
      return FromUtf8(Cp932ToUtf8(bytes));
    case Encoding::kEuc:
      return FromUtf8(Cp932ToUtf8(EucToSjis(bytes)));
    case Encoding::kJis:
      return FromUtf8(Cp932ToUtf8(JisToSjis(bytes)));
    case Encoding::kLatin1:
      return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  return {};
}

}  // namespace quillet
