// Profile (ini) files: "[Section]" lines and "Key=Value" lines. Section and key
// names match without regard to ASCII case; lines that are neither are kept
// and ignored. Writing changes only the lines of the keys written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet {

// Longest value read back; the rest of a longer value is not returned.
inline constexpr size_t kProfileValueMax = 2047;

class ProfileValues;

// The lines of a profile file, for editing: every line kept as it stands.
class ProfileDocument {
 public:
  ProfileDocument() = default;
  static ProfileDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  // Replaces the key's value in place, or appends the key at the end of its
  // section, or appends the section at the end of the document. A line whose
  // value is longer than ProfileValues gives back stays whole when `value` is
  // what it gives back of it.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The same for several keys of one section, each named once, in this
  // order, with one pass over the document.
  void SetAll(std::string_view section,
              const std::vector<std::pair<std::string, std::string>>& values);
  // Removes the lines of the first section with this name whose key `which`
  // picks.
  void EraseKeys(std::string_view section, const std::function<bool(std::string_view key)>& which);

 private:
  enum class Kind : uint8_t { kOther, kSection, kKey };
  struct Line {
    std::string text;
    std::string_view eol;  // "\r\n", "\n", "\r" or "" for a last line without one (literals)
    Kind kind = Kind::kOther;
    std::string name;  // a section's name in lower case, blanks trimmed
  };
  static Line MakeLine(std::string text, std::string_view eol);
  // Index range [begin, end) of the body of the first section with this name
  // (lower case); begin == npos when there is none.
  std::pair<size_t, size_t> FindSection(std::string_view lowerSection) const;

  std::vector<Line> lines_;
};

// The values of a profile file, for reading: each looked up without a
// search. Section and key names match without regard to ASCII case; the
// first section of a name counts, and in it the first line of a key.
class ProfileValues {
 public:
  using Entry = std::pair<std::string_view, std::string_view>;  // key as it stands, value whole

  ProfileValues() = default;
  // The values of a file's bytes, which it keeps.
  explicit ProfileValues(std::string bytes);

  // The value, cut after kProfileValueMax bytes; nullopt when the section or
  // the key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // The "Key=Value" lines of the section in file order.
  std::span<const Entry> Entries(std::string_view section) const;

 private:
  struct Section {
    size_t begin = 0, end = 0;                     // its entries in entries_
    std::unordered_map<std::string, size_t> keys;  // lower-case key -> first entry
  };
  std::shared_ptr<const std::string> bytes_;           // where the entries point, moved with them
  std::vector<Entry> entries_;                         // of every section, each's together
  std::unordered_map<std::string, Section> sections_;  // by lower-case name
};

// Integer text as profile files hold it: decimal with an optional '-', or
// hexadecimal after "0x"/"0X" when the text is longer than two characters.
// Nothing else may follow. Returns nullopt for anything that does not parse.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

// The whole file's bytes; none when it is missing. False (errno set) when it
// exists but cannot be read.
bool ProfileLoad(const std::string& path, std::string& bytes);

}  // namespace quillet
