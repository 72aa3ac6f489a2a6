#include "core/text/page_charset.h"

#include <algorithm>

#include <cstdint>
#include <optional>
#include <string>

#include "core/text/code_convert.h"
#include "core/text/html_tags.h"
#include "core/text/utf8_check.h"

namespace quillet {
namespace {

constexpr size_t kPrescanLength = 1024;
constexpr size_t npos = std::string_view::npos;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// The charset a meta element's content names ("text/html; charset=EUC-JP"),
// as browsers extract it; "" when none.
std::string_view CharsetInContent(std::string_view content) {
  size_t pos = 0;
  while (pos + 7 <= content.size()) {
    size_t found = npos;
    for (size_t i = pos; i + 7 <= content.size(); ++i) {
      if (EqualsFolded(content.substr(i, 7), "charset")) {
        found = i;
        break;
      }
    }
    if (found == npos) return {};
    size_t i = found + 7;
    while (i < content.size() && IsSpace(content[i]))
      ++i;
    if (i >= content.size() || content[i] != '=') {
      pos = found + 7;
      continue;
    }
    ++i;
    while (i < content.size() && IsSpace(content[i]))
      ++i;
    if (i >= content.size()) return {};
    if (content[i] == '"' || content[i] == '\'') {
      const size_t close = content.find(content[i], i + 1);
      if (close == npos) return {};
      return content.substr(i + 1, close - i - 1);
    }
    size_t end = i;
    while (end < content.size() && !IsSpace(content[end]) && content[end] != ';')
      ++end;
    return content.substr(i, end - i);
  }
  return {};
}

bool IsValidUtf8WithHighBytes(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<uint8_t>(c) >= 0x80; }) &&
         IsValidUtf8(text);
}

// `bytes` decoded by the encoding `label` names, without copying through a
// decoder when they are UTF-8 already.
std::optional<DecodedDocument> DecodeNamed(std::string_view bytes, std::string_view label) {
  std::optional<DecodedDocument> decoded = DecodeAs(std::string_view(), label);
  if (!decoded) return std::nullopt;
  if (decoded->charset == "UTF-8" && IsValidUtf8WithHighBytes(bytes)) {
    decoded->utf8 = bytes;
    return decoded;
  }
  return DecodeAs(bytes, label);
}

}  // namespace

std::string_view MetaCharset(std::string_view bytes) {
  HtmlTagScanner scanner(bytes.substr(0, kPrescanLength));
  HtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.isEnd || !tag.Is("meta")) continue;
    if (const auto charset = tag.Attribute("charset"); charset && !charset->empty())
      return *charset;
    const auto equiv = tag.Attribute("http-equiv");
    const auto content = tag.Attribute("content");
    if (equiv && content && EqualsFolded(*equiv, "content-type")) {
      const std::string_view charset = CharsetInContent(*content);
      if (!charset.empty()) return charset;
    }
  }
  return {};
}

DecodedDocument DecodePage(std::string_view bytes, std::string_view httpCharset) {
  if (bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFE\xFF") ||
      bytes.starts_with("\xFF\xFE"))
    return DecodeDocument(bytes, "");
  if (auto decoded = DecodeNamed(bytes, httpCharset)) return std::move(*decoded);
  if (const std::string_view meta = MetaCharset(bytes); !meta.empty()) {
    if (auto decoded = DecodeAs(std::string_view(), meta)) {
      const bool wide = decoded->charset.starts_with("UTF-16");
      if (auto named = DecodeNamed(bytes, wide ? "UTF-8" : meta)) return std::move(*named);
    }
  }
  if (IsValidUtf8WithHighBytes(bytes)) return {std::string(bytes), "UTF-8"};
  switch (DetectCode(bytes)) {
    case kCodeJisB:
    case kCodeJisAt:
      return *DecodeAs(bytes, "ISO-2022-JP");
    case kCodeEuc:
      return *DecodeAs(bytes, "EUC-JP");
    case kCodeSjis:
    case kCodeEucOrSjis:
      return *DecodeAs(bytes, "Shift_JIS");
    default:
      return *DecodeAs(bytes, "UTF-8");
  }
}

}  // namespace quillet
