#include "core/log/keyword_scan.h"

#include <cstring>

#include "core/text/cp932.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillet {
namespace {

bool IsAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// A rough rank of how often a byte occurs in headline logs (higher is more
// common), letters counted in both cases; the block scan looks for the two
// keyword bytes that rank lowest, so that few places need a closer look.
int Commonness(unsigned char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
  static constexpr std::string_view kLettersByUse = "etaoinsrhldcumfpgwybvkxjqz";
  if (c >= 'a' && c <= 'z') return 60 - static_cast<int>(kLettersByUse.find(static_cast<char>(c)));
  if (c == ' ' || (c >= '0' && c <= '9')) return 70;
  if (c >= 0x81 && c <= 0x83) return 90;  // leads of kana and punctuation
  if (c >= 0x88 && c <= 0x9F) return 50;  // leads of the common kanji
  if (c >= 0x40) return 30;               // trail bytes, other leads, half-width kana
  return 10;                              // other signs and controls
}

// What the block scan compares: a byte of the folded keyword, with 0x20 in
// `fold` when it is a letter, so that (text byte | fold) == want finds both
// of its cases. Bytes past a text's end are read but never used.
struct BytePair {
  size_t offset1, offset2;
  unsigned char fold1, want1, fold2, want2;

  bool At(const unsigned char* p) const {
    return (p[offset1] | fold1) == want1 && (p[offset2] | fold2) == want2;
  }
};

// Bit i is set when position p + i needs a closer look: the pair matches
// there, or the byte is '<' (a line may start with "<!--") or NUL (the end
// of the text).
#if defined(__SSE2__)
unsigned TriggerBits(const unsigned char* p, const BytePair& pair) {
  const auto load = [](const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  const auto splat = [](unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); };
  const __m128i here = load(p);
  const __m128i first =
      _mm_cmpeq_epi8(_mm_or_si128(load(p + pair.offset1), splat(pair.fold1)), splat(pair.want1));
  const __m128i second =
      _mm_cmpeq_epi8(_mm_or_si128(load(p + pair.offset2), splat(pair.fold2)), splat(pair.want2));
  const __m128i special =
      _mm_or_si128(_mm_cmpeq_epi8(here, splat('<')), _mm_cmpeq_epi8(here, _mm_setzero_si128()));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_and_si128(first, second), special)));
}
#else
unsigned TriggerBits(const unsigned char* p, const BytePair& pair) {
  unsigned bits = 0;
  for (unsigned i = 0; i < 16; ++i) {
    if (p[i] == '<' || p[i] == 0 || pair.At(p + i)) bits |= 1u << i;
  }
  return bits;
}
#endif

}  // namespace

KeywordScan::KeywordScan(std::string_view keyword) : keyword_(Cp932Lower(keyword)) {
  // Headlines hold no TAB, line break or NUL: such a keyword is never found.
  if (keyword_.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos)
    keyword_.clear();
  const auto rank = [&](size_t i) { return Commonness(static_cast<unsigned char>(keyword_[i])); };
  for (size_t i = 1; i < keyword_.size(); ++i) {
    if (rank(i) < rank(rare2_)) rare2_ = i;
  }
  rare1_ = rare2_ == 0 && keyword_.size() > 1 ? 1 : 0;
  for (size_t i = 0; i < keyword_.size(); ++i) {
    if (i != rare2_ && rank(i) < rank(rare1_)) rare1_ = i;
  }
}

bool KeywordScan::HeadlineHasKeyword(const char* line, const char* from,
                                     const char* headlineEnd) const {
  const size_t m = keyword_.size();
  if (m == 0 || static_cast<size_t>(headlineEnd - line) < m) return false;
  const auto* k = reinterpret_cast<const unsigned char*>(keyword_.data());
  const auto* last = reinterpret_cast<const unsigned char*>(headlineEnd - m);
  // Walk the character starts from the line's start so that the folding and
  // the match starts follow the headline's own character boundaries.
  for (const auto* s = reinterpret_cast<const unsigned char*>(line); s <= last;
       s += IsCp932LeadByte(*s) ? 2 : 1) {
    if (s < reinterpret_cast<const unsigned char*>(from)) continue;
    size_t j = 0;
    while (j < m) {
      unsigned char c = s[j];
      if (IsCp932LeadByte(c)) {
        if (c != k[j] || (j + 1 < m && s[j + 1] != k[j + 1])) break;
        j += 2;
      } else {
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
        if (c != k[j]) break;
        ++j;
      }
    }
    if (j >= m) return true;
  }
  return false;
}

bool KeywordScan::Keeps(std::string_view line) const {
  if (line.starts_with("<!--")) return true;
  const size_t tab = line.find('\t');
  const char* headlineEnd = line.data() + (tab == std::string_view::npos ? line.size() : tab);
  return HeadlineHasKeyword(line.data(), line.data(), headlineEnd);
}

bool KeywordScan::Scan(std::string_view text,
                       const std::function<void(std::string_view)>& onLine) const {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const size_t m = keyword_.size();
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(keyword_[i]); };
  const auto fold = [&](size_t i) -> unsigned char { return IsAsciiLetter(byte(i)) ? 0x20 : 0; };
  // Without a keyword the pair looks for NUL, which is looked at anyway.
  const BytePair pair =
      m == 0 ? BytePair{0, 0, 0, 0, 0, 0}
             : BytePair{rare1_,       rare2_,
                        fold(rare1_), static_cast<unsigned char>(byte(rare1_) | fold(rare1_)),
                        fold(rare2_), static_cast<unsigned char>(byte(rare2_) | fold(rare2_))};

  const char* lineStart = begin;  // a line start at or before p
  const char* p = begin;
  while (p < end) {
    unsigned bits = TriggerBits(reinterpret_cast<const unsigned char*>(p), pair);
    const char* next = nullptr;
    for (; bits != 0 && next == nullptr; bits &= bits - 1) {
      const char* q = p + __builtin_ctz(bits);
      if (q >= end) return true;
      // A NUL no earlier look has reached: its line holds nothing to keep.
      if (*q == '\0') return false;
      const bool atLineStart = q == lineStart || IsLineBreak(q[-1]);
      const bool comment = atLineStart && end - q >= 4 && std::memcmp(q, "<!--", 4) == 0;
      if (!comment && (m == 0 || !pair.At(reinterpret_cast<const unsigned char*>(q)))) continue;

      // The whole line is decided here, at its first place worth a look.
      const char* start = q;
      while (start > lineStart && !IsLineBreak(start[-1]))
        --start;
      const char* headlineEnd = start;
      while (headlineEnd < end && *headlineEnd != '\t' && !IsLineBreak(*headlineEnd) &&
             *headlineEnd != '\0')
        ++headlineEnd;
      const char* lineEnd = headlineEnd;
      while (lineEnd < end && !IsLineBreak(*lineEnd) && *lineEnd != '\0')
        ++lineEnd;
      if (comment || (q < headlineEnd && static_cast<size_t>(headlineEnd - q) >= m &&
                      HeadlineHasKeyword(start, q, headlineEnd))) {
        onLine(std::string_view(start, static_cast<size_t>(lineEnd - start)));
      }
      if (lineEnd == end) return true;
      if (*lineEnd == '\0') return false;
      next = lineEnd + (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n' ? 2 : 1);
    }
    if (next != nullptr) {
      p = lineStart = next;
    } else {
      p += 16;
    }
  }
  return true;
}

}  // namespace quillet
