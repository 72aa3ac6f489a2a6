#include "core/text/document_charset.h"

#include <algorithm>
#include <optional>

#include "core/text/iconv_decoder.h"
#include "core/text/japanese_decoding.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

using namespace std::string_view_literals;

enum class Method { kIconv, kCp932, kEucJp, kIso2022Jp };

// The encodings web browsers decode, each under its canonical name with the
// labels that name it (lower case, separated by spaces), and the iconv
// decoder that reads it as browsers do.
struct Encoding {
  std::string_view name;
  const char* iconvName;
  std::string_view labels;
  Method method = Method::kIconv;
};
constexpr Encoding kEncodings[] = {
    {"UTF-8", "UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"IBM866", "IBM866", "866 cp866 csibm866 ibm866"},
    {"ISO-8859-2", "ISO-8859-2",
     "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {"ISO-8859-3", "ISO-8859-3",
     "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {"ISO-8859-4", "ISO-8859-4",
     "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {"ISO-8859-5", "ISO-8859-5",
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 "
     "iso_8859-5:1988"},
    {"ISO-8859-6", "ISO-8859-6",
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
     "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {"ISO-8859-7", "ISO-8859-7",
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
     "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {"ISO-8859-8", "ISO-8859-8",
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
     "iso_8859-8 iso_8859-8:1988 visual"},
    {"ISO-8859-8-I", "ISO-8859-8", "csiso88598i iso-8859-8-i logical"},
    {"ISO-8859-10", "ISO-8859-10",
     "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"ISO-8859-13", "ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
    {"ISO-8859-14", "ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
    {"ISO-8859-15", "ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {"ISO-8859-16", "ISO-8859-16", "iso-8859-16"},
    {"KOI8-R", "KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
    {"KOI8-U", "KOI8-U", "koi8-ru koi8-u"},
    {"macintosh", "MACINTOSH", "csmacintosh mac macintosh x-mac-roman"},
    {"windows-874", "CP874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {"windows-1250", "CP1250", "cp1250 windows-1250 x-cp1250"},
    {"windows-1251", "CP1251", "cp1251 windows-1251 x-cp1251"},
    {"windows-1252", "CP1252",
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
     "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {"windows-1253", "CP1253", "cp1253 windows-1253 x-cp1253"},
    {"windows-1254", "CP1254",
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 "
     "latin5 windows-1254 x-cp1254"},
    {"windows-1255", "CP1255", "cp1255 windows-1255 x-cp1255"},
    {"windows-1256", "CP1256", "cp1256 windows-1256 x-cp1256"},
    {"windows-1257", "CP1257", "cp1257 windows-1257 x-cp1257"},
    {"windows-1258", "CP1258", "cp1258 windows-1258 x-cp1258"},
    {"x-mac-cyrillic", "MAC-CYRILLIC", "x-mac-cyrillic x-mac-ukrainian"},
    // Browsers read GBK with the GB18030 decoder, a superset.
    {"GBK", "GB18030",
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {"gb18030", "GB18030", "gb18030"},
    {"Big5", "BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"EUC-JP", "", "cseucpkdfmtjapanese euc-jp eucjp x-euc-jp", Method::kEucJp},
    {"ISO-2022-JP", "", "csiso2022jp iso-2022-jp", Method::kIso2022Jp},
    {"Shift_JIS", "",
     "cp932 csshiftjis cswindows31j ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis",
     Method::kCp932},
    // Browsers read EUC-KR as Microsoft's superset, which glibc calls CP949.
    {"EUC-KR", "CP949",
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
     "ksc_5601 windows-949"},
    {"UTF-16BE", "UTF-16BE", "unicodefffe utf-16be"},
    {"UTF-16LE", "UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
};

constexpr size_t kMaxNameLength = 40;
constexpr std::string_view kAsciiSpaces = " \t\n\f\r";

std::string_view Trim(std::string_view text, std::string_view spaces) {
  text.remove_prefix(std::min(text.find_first_not_of(spaces), text.size()));
  return text.substr(0, text.find_last_not_of(spaces) + 1);
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-_.:()").find(c) != std::string_view::npos;
}

bool HasLabel(std::string_view labels, std::string_view label) {
  while (!labels.empty()) {
    const size_t end = std::min(labels.find(' '), labels.size());
    if (labels.substr(0, end) == label) return true;
    labels.remove_prefix(std::min(end + 1, labels.size()));
  }
  return false;
}

// How to decode the encoding a label names.
struct Decoder {
  std::string name;
  std::string iconvName;
  Method method;
};

std::string DecodeWith(const Decoder& decoder, std::string_view bytes) {
  switch (decoder.method) {
    case Method::kCp932:
      return Cp932ToUtf8(bytes);
    case Method::kEucJp:
      return DecodeEucJp(bytes);
    case Method::kIso2022Jp:
      return DecodeIso2022Jp(bytes);
    case Method::kIconv:
      break;
  }
  IconvDecoder iconv(decoder.iconvName.c_str());
  return iconv.Decode(bytes);
}

// The decoder for `label`, or none when the label is not a name of letters,
// digits and -_.:() or no decoder knows it.
std::optional<Decoder> DecoderFor(std::string_view label) {
  label = Trim(label, kAsciiSpaces);
  if (label.empty() || label.size() > kMaxNameLength ||
      !std::all_of(label.begin(), label.end(), IsNameCharacter)) {
    return std::nullopt;
  }
  std::string folded(label);
  std::transform(folded.begin(), folded.end(), folded.begin(), Lower);
  const auto* known = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                   [&](const Encoding& e) { return HasLabel(e.labels, folded); });
  Decoder decoder;
  if (known != std::end(kEncodings)) {
    decoder = {std::string(known->name), known->iconvName, known->method};
  } else {
    std::string name(label);
    std::transform(name.begin(), name.end(), name.begin(), Upper);
    decoder = {name, name, Method::kIconv};
  }
  if (decoder.method == Method::kIconv && !IconvDecoder(decoder.iconvName.c_str()).Known())
    return std::nullopt;
  return decoder;
}

constexpr std::string_view kXmlSpaces = " \t\r\n";

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
  std::string_view rest = Trim(bytes.substr(name + 8, close - name - 8), kXmlSpaces);
  if (!rest.starts_with('=')) return {};
  rest = Trim(rest.substr(1), kXmlSpaces);
  if (!rest.starts_with('"') && !rest.starts_with('\'')) return {};
  const size_t end = rest.find(rest[0], 1);
  if (end == std::string_view::npos) return {};
  return rest.substr(1, end - 1);
}

// Byte order marks, then "<?" in UTF-32 and UTF-16 without one. UTF-32's
// come first: FF FE 00 00 starts with UTF-16 LE's mark.
struct Mark {
  std::string_view bytes;
  const char* charset;
  bool isMark;  // removed from the text
};
constexpr Mark kMarks[] = {
    {"\xEF\xBB\xBF"sv, "UTF-8", true},       {"\0\0\xFE\xFF"sv, "UTF-32BE", true},
    {"\xFF\xFE\0\0"sv, "UTF-32LE", true},    {"\xFE\xFF"sv, "UTF-16BE", true},
    {"\xFF\xFE"sv, "UTF-16LE", true},        {"\0\0\0<\0\0\0?"sv, "UTF-32BE", false},
    {"<\0\0\0?\0\0\0"sv, "UTF-32LE", false}, {"\0<\0?"sv, "UTF-16BE", false},
    {"<\0?\0"sv, "UTF-16LE", false},
};

}  // namespace

DecodedDocument DecodeDocument(std::string_view bytes, std::string_view httpCharset) {
  for (const Mark& mark : kMarks) {
    if (!bytes.starts_with(mark.bytes)) continue;
    IconvDecoder decoder(mark.charset);
    return {decoder.Decode(bytes.substr(mark.isMark ? mark.bytes.size() : 0)), mark.charset};
  }
  constexpr std::string_view kXmlStart = "<?xml";
  for (const std::string_view label : {httpCharset, DeclaredEncoding(bytes)}) {
    const std::optional<Decoder> decoder = DecoderFor(label);
    if (!decoder) continue;
    if (bytes.starts_with(kXmlStart) && DecodeWith(*decoder, kXmlStart) != kXmlStart) continue;
    return {DecodeWith(*decoder, bytes), decoder->name};
  }
  IconvDecoder utf8("UTF-8");
  return {utf8.Decode(bytes), "UTF-8"};
}

std::optional<DecodedDocument> DecodeAs(std::string_view bytes, std::string_view label) {
  const std::optional<Decoder> decoder = DecoderFor(label);
  if (!decoder) return std::nullopt;
  return DecodedDocument{DecodeWith(*decoder, bytes), decoder->name};
}

std::string ContentTypeCharset(std::string_view contentType) {
  // type/subtype, then parameters "; name=value", a value plain or quoted
  // with backslash escapes; the first charset counts, as browsers read it
  // (an empty plain value counts as none), but with spaces allowed around
  // the name and the value.
  size_t pos = contentType.find(';');
  while (pos < contentType.size()) {
    ++pos;
    const size_t nameEnd = contentType.find_first_of(";=", pos);
    std::string name(Trim(contentType.substr(pos, nameEnd - pos), kAsciiSpaces));
    std::transform(name.begin(), name.end(), name.begin(), Lower);
    if (nameEnd == std::string_view::npos) break;
    pos = nameEnd;
    if (contentType[pos] == ';') continue;
    pos = std::min(contentType.find_first_not_of(kAsciiSpaces, pos + 1), contentType.size());
    std::string value;
    if (pos < contentType.size() && contentType[pos] == '"') {
      for (++pos; pos < contentType.size() && contentType[pos] != '"'; ++pos) {
        if (contentType[pos] == '\\' && pos + 1 < contentType.size()) ++pos;
        value += contentType[pos];
      }
      pos = contentType.find(';', pos);
    } else {
      const size_t end = std::min(contentType.find(';', pos), contentType.size());
      value = Trim(contentType.substr(pos, end - pos), kAsciiSpaces);
      pos = end;
      if (value.empty()) continue;
    }
    if (name == "charset") return value;
  }
  return {};
}

}  // namespace quillet
