// Profile (ini) files: "[Section]" lines and "Key=Value" lines. Section and key
// names match without regard to ASCII case; lines that are neither are kept
// and ignored. Writing changes only the line of the key written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Longest value read back; the rest of a longer value is not returned.
inline constexpr size_t kProfileValueMax = 2047;

class ProfileDocument {
 public:
  ProfileDocument() = default;
  static ProfileDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces the key's value in place, or appends the key at the end of its
  // section, or appends the section at the end of the document. A line whose
  // value is longer than Get gives back stays whole when `value` is what Get
  // gives back of it.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The "Key=Value" lines of the first section with this name, in file order,
  // keys and values as they stand, values cut after `valueMax` bytes (as Get
  // cuts them, unless told otherwise).
  std::vector<std::pair<std::string, std::string>> Entries(
      std::string_view section, size_t valueMax = kProfileValueMax) const;
  // Removes the lines of the first section with this name whose key `which`
  // picks.
  void EraseKeys(std::string_view section, const std::function<bool(std::string_view key)>& which);

 private:
  struct Line {
    std::string text;
    std::string eol;  // "\r\n", "\n", "\r" or "" for a last line without one
  };
  // Index range [begin, end) of the body of the first section with this name;
  // begin == npos when there is none.
  std::pair<size_t, size_t> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(size_t begin, size_t end, std::string_view key) const;

  std::vector<Line> lines_;
};

// Integer text as profile files hold it: decimal with an optional '-', or
// hexadecimal after "0x"/"0X" when the text is longer than two characters.
// Nothing else may follow. Returns nullopt for anything that does not parse.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

// Reads the value from the file at `path`, read afresh; nullopt when the file,
// the section or the key is missing or the file cannot be read.
std::optional<std::string> ProfileRead(const std::string& path, std::string_view section,
                                       std::string_view key);

// The whole file, read afresh; an empty document when it is missing or cannot
// be read.
ProfileDocument ProfileLoad(const std::string& path);

// Writes one value; the file (and its missing folders) is created on first
// write and replaced atomically. Returns false (errno set) when the file cannot be read or written.
bool ProfileWrite(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value);
// Applies `edit` to the file's document and writes it back in one atomic
// replacement; returns as ProfileWrite.
bool ProfileEdit(const std::string& path, const std::function<void(ProfileDocument&)>& edit);

}  // namespace quillet
