// The log search's line filter, run over whole blocks of log text: a line is
// kept when it starts with "<!--" or when its headline (the text before its
// first TAB) holds the keyword at a character start, single-byte letters A-Z
// folded on both sides as Cp932Lower does, or, with width folding, both sides
// folded as WidthFolded does. An empty keyword keeps only the "<!--" lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

class KeywordScan {
 public:
  explicit KeywordScan(std::string_view keyword, bool foldWidth = false);

  // True when `line` (without its line break) is kept.
  bool Keeps(std::string_view line) const;

  // Bytes Scan may read (never use) past the end of the text it is given.
  size_t Overrun() const { return keyword_.size() + 64; }

  // Calls onLine for every kept line of `text`, in order. `text` begins at a
  // line start and holds whole lines: CR LF, lone CR and lone LF end a line,
  // and a CR at its end is not followed by a LF beyond it. A NUL byte ends the
  // text: Scan returns false when it met one. Overrun() readable bytes must
  // follow the text.
  bool Scan(std::string_view text, const std::function<void(std::string_view)>& onLine) const;

 private:
  // True when the folded text at `at`, a character start, is the keyword.
  // Reads keyword-length bytes.
  bool MatchesAt(const char* at) const;
  // Scan and Keeps with width folding: a headline that holds one of the
  // forms of the keyword's rarest character is folded, then searched.
  bool ScanFolded(std::string_view text, const std::function<void(std::string_view)>& onLine) const;
  bool FoldedHolds(std::string_view headline, std::string& folded) const;
  void ChooseAnchors();

  bool foldWidth_;
  // With width folding: the forms of the keyword's rarest character
  // (WidthFoldForms), the last repeated to fill the four; the second byte
  // of each taken through its mask, 0 for a form of one byte. None when every
  // line is to be folded.
  unsigned char formByte1_[4] = {};
  unsigned char formByte2_[4] = {};
  unsigned char formMask2_[4] = {};
  bool anchored_ = false;

  std::string keyword_;  // folded; empty when no headline can hold it
  size_t rare1_ = 0;     // offsets of the two keyword bytes the block scan looks for
  size_t rare2_ = 0;
};

}  // namespace quillet
