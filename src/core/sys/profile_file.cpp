#include "core/sys/profile_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/sys/file_system.h"
#include "core/text/cp932.h"

namespace quillet {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t'))
    ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
    --e;
  return s.substr(b, e - b);
}

// The section name of a "[Name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(t.substr(1, close - 1));
}

// The key of a "Key=Value" line, or nullopt.
std::optional<std::string_view> KeyName(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return TrimBlanks(line.substr(0, eq));
}

// Calls `line` with each line's text and its line break ("\r\n", "\n", "\r",
// or "" at the end of the bytes). Unlike text_ops' ForEachLine it hands over
// the break, which a rewrite keeps, and cuts nothing at a NUL byte. The next
// '\n' is found first (and kept while the lines before it end in '\r'), then
// a '\r' before it, each with memchr: every byte is looked at at most twice
// however long its line.
template <class LineFunction>
void ForEachLineWithBreak(std::string_view bytes, const LineFunction& line) {
  size_t pos = 0;
  size_t lf = bytes.find('\n');
  while (pos < bytes.size()) {
    if (lf != std::string_view::npos && lf < pos) lf = bytes.find('\n', pos);
    size_t nl = lf;
    const size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    if (const void* cr = std::memchr(bytes.data() + pos, '\r', end - pos); cr != nullptr)
      nl = static_cast<size_t>(static_cast<const char*>(cr) - bytes.data());
    if (nl == std::string_view::npos) {
      line(bytes.substr(pos), std::string_view());
      return;
    }
    const size_t eolLength =
        (bytes[nl] == '\r' && nl + 1 < bytes.size() && bytes[nl + 1] == '\n') ? 2 : 1;
    line(bytes.substr(pos, nl - pos), bytes.substr(nl, eolLength));
    pos = nl + eolLength;
  }
}

// How many lines the bytes hold, to reserve room for: their '\n's, counted
// with memchr.
size_t LineCountBound(std::string_view bytes) {
  size_t count = 1;
  for (size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1))
    ++count;
  return count;
}

// Line breaks inside a value would split its line; they become spaces.
std::string OneLine(std::string_view value) {
  std::string v(value);
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return v;
}

}  // namespace

ProfileDocument::Line ProfileDocument::MakeLine(std::string text, std::string_view eol) {
  Line line;
  line.text = std::move(text);
  // The line break as one of the literals, which outlive every document.
  line.eol = eol == "\r\n" ? "\r\n" : eol == "\n" ? "\n" : eol == "\r" ? "\r" : "";
  if (auto section = SectionName(line.text)) {
    line.kind = Kind::kSection;
    line.name = Cp932Lower(*section);
  } else if (auto key = KeyName(line.text)) {
    line.kind = Kind::kKey;
    // A key's name is lowered when its section is edited, not for every line.
  }
  return line;
}

ProfileDocument ProfileDocument::Parse(std::string_view bytes) {
  ProfileDocument doc;
  doc.lines_.reserve(LineCountBound(bytes));
  ForEachLineWithBreak(bytes, [&](std::string_view text, std::string_view eol) {
    doc.lines_.push_back(MakeLine(std::string(text), eol));
  });
  return doc;
}

std::string ProfileDocument::Serialize() const {
  size_t size = 0;
  for (const Line& line : lines_)
    size += line.text.size() + line.eol.size();
  std::string out;
  out.reserve(size);
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

std::pair<size_t, size_t> ProfileDocument::FindSection(std::string_view lowerSection) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::kSection || lines_[i].name != lowerSection) continue;
    size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::kSection)
      ++end;
    return {i + 1, end};
  }
  return {std::string::npos, std::string::npos};
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  SetAll(section, {{std::string(key), std::string(value)}});
}

void ProfileDocument::SetAll(std::string_view section,
                             const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string lowerSection = Cp932Lower(section);
  auto [begin, end] = FindSection(lowerSection);
  if (begin == std::string::npos) {
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = "\r\n";
    std::string header = "[";
    header.append(section);
    header += ']';
    lines_.push_back(MakeLine(std::move(header), "\r\n"));
    begin = end = lines_.size();
  }
  // The section's keys, first line of each; the ones to append in order.
  std::unordered_map<std::string, size_t> keyLines;
  for (size_t i = end; i-- > begin;) {
    if (lines_[i].kind == Kind::kKey) keyLines[Cp932Lower(*KeyName(lines_[i].text))] = i;
  }
  std::vector<Line> appended;
  appended.reserve(values.size());
  for (const auto& [key, value] : values) {
    Line line = MakeLine(key + "=" + OneLine(value), "\r\n");
    if (auto at = keyLines.find(Cp932Lower(key)); at != keyLines.end()) {
      // A value longer than a reader gives back, written back as it was read,
      // keeps its line whole rather than cut short.
      const std::string& text = lines_[at->second].text;
      const std::string_view stored = std::string_view(text).substr(text.find('=') + 1);
      if (stored.size() > kProfileValueMax && stored.substr(0, kProfileValueMax) == value) continue;
      lines_[at->second] = std::move(line);
    } else {
      appended.push_back(std::move(line));
    }
  }
  if (appended.empty()) return;
  // After the section's last non-blank line, ahead of blank lines that
  // separate it from the next section.
  size_t insert = end;
  while (insert > begin && TrimBlanks(lines_[insert - 1].text).empty())
    --insert;
  if (insert > 0 && lines_[insert - 1].eol.empty()) lines_[insert - 1].eol = "\r\n";
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert),
                std::make_move_iterator(appended.begin()), std::make_move_iterator(appended.end()));
}

void ProfileDocument::EraseKeys(std::string_view section,
                                const std::function<bool(std::string_view key)>& which) {
  auto [begin, end] = FindSection(Cp932Lower(section));
  if (begin == std::string::npos) return;
  const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(begin);
  const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(end);
  lines_.erase(std::remove_if(first, last,
                              [&](const Line& line) {
                                return line.kind == Kind::kKey && which(*KeyName(line.text));
                              }),
               last);
}

ProfileValues::ProfileValues(std::string bytes)
    : bytes_(std::make_shared<const std::string>(std::move(bytes))) {
  entries_.reserve(LineCountBound(*bytes_));
  Section* current = nullptr;  // null outside a section or in a repeated one
  ForEachLineWithBreak(*bytes_, [&](std::string_view text, std::string_view) {
    if (auto section = SectionName(text)) {
      auto [at, isNew] = sections_.try_emplace(Cp932Lower(*section));
      current = isNew ? &at->second : nullptr;
      if (current != nullptr) current->begin = current->end = entries_.size();
    } else if (auto key = KeyName(text); key && current != nullptr) {
      current->keys.try_emplace(Cp932Lower(*key), entries_.size());
      entries_.emplace_back(*key, text.substr(text.find('=') + 1));
      current->end = entries_.size();
    }
  });
}

std::optional<std::string> ProfileValues::Get(std::string_view section,
                                              std::string_view key) const {
  const auto at = sections_.find(Cp932Lower(section));
  if (at == sections_.end()) return std::nullopt;
  const auto entry = at->second.keys.find(Cp932Lower(key));
  if (entry == at->second.keys.end()) return std::nullopt;
  return std::string(entries_[entry->second].second.substr(0, kProfileValueMax));
}

std::span<const ProfileValues::Entry> ProfileValues::Entries(std::string_view section) const {
  const auto at = sections_.find(Cp932Lower(section));
  if (at == sections_.end()) return {};
  return std::span(entries_).subspan(at->second.begin, at->second.end - at->second.begin);
}

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) {
    uint64_t value = 0;
    for (char c : text.substr(2)) {
      int digit = (c >= '0' && c <= '9')   ? c - '0'
                  : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                           : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    // Eight hex digits cover the whole 32-bit pattern, negatives included.
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

bool ProfileLoad(const std::string& path, std::string& bytes) {
  const ReadResult result = ReadWholeFile(path, bytes);
  if (result != ReadResult::kOk) bytes.clear();
  return result != ReadResult::kFailed;
}

}  // namespace quillet
