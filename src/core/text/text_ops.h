// Text operations on page lines: line splitting, break splitting, link targets
// and tag removal. Lines are CP932 byte strings without line break characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

using Lines = std::vector<std::string>;

// True when `line` begins with `lowerPrefix` after the line's single-byte
// letters A-Z are folded; `lowerPrefix` must already be folded (Cp932Lower).
bool StartsWithFolded(std::string_view line, std::string_view lowerPrefix);

// Index of the first line that begins with `text`, both folded; -1 if none.
int FindLinePrefix(const Lines& lines, std::string_view text);

// Cuts `body` into lines at every CR LF, lone CR and lone LF; each line is
// taken up to its first NUL byte. A final line break adds no empty line.
void StreamToLines(Lines& lines, std::string_view body);

// Calls `line` with each line of `body` as StreamToLines cuts it, without
// copying it.
template <typename LineFn>
void ForEachLine(std::string_view body, LineFn&& line) {
  size_t pos = 0;
  const size_t n = body.size();
  while (pos < n) {
    size_t end = pos;
    while (end < n && body[end] != '\r' && body[end] != '\n')
      ++end;
    const std::string_view text = body.substr(pos, end - pos);
    line(text.substr(0, text.find('\0')));
    if (end < n && body[end] == '\r' && end + 1 < n && body[end + 1] == '\n') ++end;
    pos = end + 1;
  }
}

// Replaces every "<br>" (lower case only) by a line break and drops the lines
// that are empty after trimming spaces and control bytes.
void SplitBreaks(Lines& lines);

// The target of the line's first link ('<a href="...') after all spaces are
// removed; "" when there is none or it is not in double quotes.
std::string ExtractHref(std::string_view line);

// Deletes "<...>" runs while the first '<' comes before the first '>'.
std::string RemoveTags(std::string_view line);

}  // namespace quillet
