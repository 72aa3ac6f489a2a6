#include "core/text/text_ops.h"

#include "core/text/cp932.h"

namespace quillet {

bool StartsWithFolded(std::string_view line, std::string_view lowerPrefix) {
  if (line.size() < lowerPrefix.size()) return false;
  const size_t n = lowerPrefix.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (IsCp932LeadByte(c)) {
      // A double-byte character is compared as it stands, trail byte included.
      if (line[i] != lowerPrefix[i]) return false;
      if (i + 1 < n && line[i + 1] != lowerPrefix[i + 1]) return false;
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
    if (static_cast<char>(c) != lowerPrefix[i]) return false;
    ++i;
  }
  return true;
}

int FindLinePrefix(const Lines& lines, std::string_view text) {
  const std::string lower = Cp932Lower(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (StartsWithFolded(lines[i], lower)) return static_cast<int>(i);
  }
  return -1;
}

void StreamToLines(Lines& lines, std::string_view body) {
  lines.clear();
  ForEachLine(body, [&](std::string_view line) { lines.emplace_back(line); });
}

void SplitBreaks(Lines& lines) {
  std::string text;
  size_t total = 0;
  for (const std::string& line : lines)
    total += line.size() + 2;
  text.reserve(total);
  for (const std::string& line : lines) {
    std::string_view rest = line;
    for (size_t br; (br = rest.find("<br>")) != std::string_view::npos;) {
      text.append(rest.substr(0, br));
      text.append("\r\n");
      rest.remove_prefix(br + 4);
    }
    text.append(rest);
    text.append("\r\n");
  }
  StreamToLines(lines, text);
  std::erase_if(lines, [](const std::string& line) { return TrimSpaces(line).empty(); });
}

std::string ExtractHref(std::string_view line) {
  std::string work;
  work.reserve(line.size());
  for (char c : line) {
    if (c != ' ') work += c;
  }
  // '<' and '"' are below 0x40, so they are never trail bytes.
  size_t at = Cp932Lower(work).find("<ahref=\"");
  if (at == std::string::npos) return {};
  size_t open = work.find('"', at);
  size_t close = work.find('"', open + 1);
  return work.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

std::string RemoveTags(std::string_view line) {
  // One pass does what repeated "delete the first <...>" does: after each
  // deletion the kept text holds neither '<' nor '>'.
  std::string out;
  out.reserve(line.size());
  size_t pos = 0;
  for (;;) {
    size_t lt = line.find('<', pos);
    size_t gt = line.find('>', pos);
    if (lt == std::string_view::npos || gt == std::string_view::npos || gt < lt) break;
    out.append(line.substr(pos, lt - pos));
    pos = gt + 1;
  }
  out.append(line.substr(pos));
  return out;
}

}  // namespace quillet
