#include "core/sys/profile_file.h"

#include <algorithm>
#include <cerrno>
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

bool NamesEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Cp932Lower(a) == Cp932Lower(b);
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

// Line breaks inside a value would split its line; they become spaces.
std::string OneLine(std::string_view value) {
  std::string v(value);
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return v;
}

}  // namespace

ProfileDocument ProfileDocument::Parse(std::string_view bytes) {
  ProfileDocument doc;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find_first_of("\r\n", pos);
    if (nl == std::string_view::npos) {
      doc.lines_.push_back({std::string(bytes.substr(pos)), ""});
      break;
    }
    size_t eolLength =
        (bytes[nl] == '\r' && nl + 1 < bytes.size() && bytes[nl + 1] == '\n') ? 2 : 1;
    doc.lines_.push_back(
        {std::string(bytes.substr(pos, nl - pos)), std::string(bytes.substr(nl, eolLength))});
    pos = nl + eolLength;
  }
  return doc;
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

std::pair<size_t, size_t> ProfileDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = SectionName(lines_[i].text);
    if (!name || !NamesEqual(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end].text))
      ++end;
    return {i + 1, end};
  }
  return {std::string::npos, std::string::npos};
}

std::optional<size_t> ProfileDocument::FindKey(size_t begin, size_t end,
                                               std::string_view key) const {
  for (size_t i = begin; i < end; ++i) {
    auto name = KeyName(lines_[i].text);
    if (name && NamesEqual(*name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileDocument::Get(std::string_view section,
                                                std::string_view key) const {
  auto [begin, end] = FindSection(section);
  if (begin == std::string::npos) return std::nullopt;
  auto at = FindKey(begin, end, key);
  if (!at) return std::nullopt;
  const std::string& text = lines_[*at].text;
  std::string value = text.substr(text.find('=') + 1);
  if (value.size() > kProfileValueMax) value.resize(kProfileValueMax);
  return value;
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + OneLine(value);
  auto [begin, end] = FindSection(section);
  if (begin != std::string::npos) {
    if (auto at = FindKey(begin, end, key)) {
      // A value longer than Get gives back, written back as it was read, keeps
      // its line whole rather than cut short.
      const std::string& text = lines_[*at].text;
      const std::string_view stored = std::string_view(text).substr(text.find('=') + 1);
      if (stored.size() > kProfileValueMax && stored.substr(0, kProfileValueMax) == value) return;
      lines_[*at].text = std::move(line);
      return;
    }
    // After the section's last non-blank line, ahead of blank lines that
    // separate it from the next section.
    size_t insert = end;
    while (insert > begin && TrimBlanks(lines_[insert - 1].text).empty())
      --insert;
    if (insert > 0 && lines_[insert - 1].eol.empty()) lines_[insert - 1].eol = "\r\n";
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), {std::move(line), "\r\n"});
    return;
  }
  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = "\r\n";
  std::string header = "[";
  header.append(section);
  header += ']';
  lines_.push_back({std::move(header), "\r\n"});
  lines_.push_back({std::move(line), "\r\n"});
}

std::vector<std::pair<std::string, std::string>> ProfileDocument::Entries(std::string_view section,
                                                                          size_t valueMax) const {
  std::vector<std::pair<std::string, std::string>> entries;
  auto [begin, end] = FindSection(section);
  if (begin == std::string::npos) return entries;
  for (size_t i = begin; i < end; ++i) {
    const std::string& text = lines_[i].text;
    if (auto key = KeyName(text)) {
      std::string value = text.substr(text.find('=') + 1);
      if (value.size() > valueMax) value.resize(valueMax);
      entries.emplace_back(std::string(*key), std::move(value));
    }
  }
  return entries;
}

void ProfileDocument::EraseKeys(std::string_view section,
                                const std::function<bool(std::string_view key)>& which) {
  auto [begin, end] = FindSection(section);
  if (begin == std::string::npos) return;
  const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(begin);
  const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(end);
  lines_.erase(std::remove_if(first, last,
                              [&](const Line& line) {
                                auto key = KeyName(line.text);
                                return key && which(*key);
                              }),
               last);
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

std::optional<std::string> ProfileRead(const std::string& path, std::string_view section,
                                       std::string_view key) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != ReadResult::kOk) return std::nullopt;
  return ProfileDocument::Parse(bytes).Get(section, key);
}

ProfileDocument ProfileLoad(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != ReadResult::kOk) return {};
  return ProfileDocument::Parse(bytes);
}

bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value) {
  return ProfileEdit(path, [&](ProfileDocument& doc) { doc.Set(section, key, value); });
}

bool ProfileEdit(const std::string& path, const std::function<void(ProfileDocument&)>& edit) {
  std::string bytes;
  // A file that exists but cannot be read is never overwritten blindly.
  if (ReadWholeFile(path, bytes) == ReadResult::kFailed) return false;
  ProfileDocument doc = ProfileDocument::Parse(bytes);
  edit(doc);
  // The file may hold a proxy password: a new one is the user's alone, as
  // is a folder made for it.
  return ForceDirectories(DirectoryOf(path)) && WriteFileAtomic(path, doc.Serialize(), 0600);
}

}  // namespace quillet
