#include "core/log/keyword_scan.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/text/cp932.h"
#include "core/text/width_fold.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillet {
namespace {

bool IsAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// A rough rank of how often a keyword byte occurs in headline logs (higher is
// more common), letters counted in both cases; the block scan looks for the
// two keyword bytes that rank lowest, so that few places need a closer look.
// A trail byte takes one of 188 values after its lead, so it ranks low; a lead
// byte of kana or common kanji ranks high.
int Commonness(unsigned char c, bool trail) {
  if (trail) return 30;
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
  static constexpr std::string_view kLettersByUse = "etaoinsrhldcumfpgwybvkxjqz";
  if (c >= 'a' && c <= 'z') return 60 - static_cast<int>(kLettersByUse.find(static_cast<char>(c)));
  if (c == ' ' || (c >= '0' && c <= '9')) return 70;
  if (c >= 0x81 && c <= 0x83) return 90;  // kana and punctuation
  if (c >= 0x88 && c <= 0x9F) return 50;  // the common kanji
  if (c >= 0x40) return 30;               // other leads, half-width kana
  return 10;                              // other signs and controls
}

// True when `at` is a character start of the line: the byte after one that
// cannot be a lead byte starts a character, and the lead-range bytes from
// there on pair up.
bool IsCharStart(const char* line, const char* at) {
  const char* run = at;
  while (run > line && IsCp932LeadByte(static_cast<unsigned char>(run[-1])))
    --run;
  return (at - run) % 2 == 0;
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

constexpr size_t kStride = 32;  // bytes the block scan looks at in one step

#if defined(__SSE2__)
__m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
__m128i Splat(unsigned char c) {
  return _mm_set1_epi8(static_cast<char>(c));
}

// Bit i is set when position p + i needs a closer look: the pair matches
// there, or the byte is '<' (a line may start with "<!--") or NUL (the end
// of the text).
uint32_t TriggerBits(const unsigned char* p, const BytePair& pair) {
  const __m128i fold1 = Splat(pair.fold1), want1 = Splat(pair.want1);
  const __m128i fold2 = Splat(pair.fold2), want2 = Splat(pair.want2);
  const __m128i angle = Splat('<'), zero = _mm_setzero_si128();
  uint32_t bits = 0;
  for (unsigned half = 0; half < 2; ++half) {
    const unsigned char* at = p + 16 * half;
    const __m128i here = Load(at);
    const __m128i first = _mm_cmpeq_epi8(_mm_or_si128(Load(at + pair.offset1), fold1), want1);
    const __m128i second = _mm_cmpeq_epi8(_mm_or_si128(Load(at + pair.offset2), fold2), want2);
    const __m128i special = _mm_or_si128(_mm_cmpeq_epi8(here, angle), _mm_cmpeq_epi8(here, zero));
    const __m128i hit = _mm_or_si128(_mm_and_si128(first, second), special);
    bits |= static_cast<uint32_t>(_mm_movemask_epi8(hit)) << (16 * half);
  }
  return bits;
}

// The forms the width-folded scan looks for: (p[0], p[1] & mask2) is
// (byte1, byte2) for one of the four.
struct Forms {
  const unsigned char (&byte1)[4];
  const unsigned char (&byte2)[4];
  const unsigned char (&mask2)[4];

  bool At(const unsigned char* p) const {
    for (size_t k = 0; k < 4; ++k) {
      if (p[0] == byte1[k] && (p[1] & mask2[k]) == byte2[k]) return true;
    }
    return false;
  }
};

// Bit i is set when a form starts at p + i, or the byte there is '<' or NUL.
uint32_t FormBits(const unsigned char* p, const Forms& forms) {
  uint32_t bits = 0;
  for (unsigned half = 0; half < 2; ++half) {
    const __m128i here = Load(p + 16 * half), next = Load(p + 16 * half + 1);
    __m128i hit =
        _mm_or_si128(_mm_cmpeq_epi8(here, Splat('<')), _mm_cmpeq_epi8(here, _mm_setzero_si128()));
    for (size_t k = 0; k < 4; ++k) {
      hit =
          _mm_or_si128(hit, _mm_and_si128(_mm_cmpeq_epi8(here, Splat(forms.byte1[k])),
                                          _mm_cmpeq_epi8(_mm_and_si128(next, Splat(forms.mask2[k])),
                                                         Splat(forms.byte2[k]))));
    }
    bits |= static_cast<uint32_t>(_mm_movemask_epi8(hit)) << (16 * half);
  }
  return bits;
}

// Bit i is set when the byte at p + i is at most 13 (TAB, CR, LF and NUL
// among them).
uint32_t LowBits(const unsigned char* p) {
  const __m128i v = Load(p);
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, Splat(13)), v)));
}
#else
uint32_t TriggerBits(const unsigned char* p, const BytePair& pair) {
  uint32_t bits = 0;
  for (unsigned i = 0; i < kStride; ++i) {
    if (p[i] == '<' || p[i] == 0 || pair.At(p + i)) bits |= uint32_t{1} << i;
  }
  return bits;
}
uint32_t FormBits(const unsigned char* p, const Forms& forms) {
  uint32_t bits = 0;
  for (unsigned i = 0; i < kStride; ++i) {
    if (p[i] == '<' || p[i] == 0 || forms.At(p + i)) bits |= uint32_t{1} << i;
  }
  return bits;
}
uint32_t LowBits(const unsigned char* p) {
  uint32_t bits = 0;
  for (unsigned i = 0; i < 16; ++i) {
    if (p[i] <= 13) bits |= uint32_t{1} << i;
  }
  return bits;
}
#endif

// The start of the line that holds `at`: after the last CR or LF before it,
// at or after `lineStart`, a line start.
const char* LineStart(const char* lineStart, const char* at) {
#if defined(__SSE2__)
  for (; at - lineStart >= 16; at -= 16) {
    const __m128i v = Load(reinterpret_cast<const unsigned char*>(at - 16));
    const auto bits = static_cast<uint32_t>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, Splat('\r')), _mm_cmpeq_epi8(v, Splat('\n')))));
    if (bits != 0) return at - 16 + (32 - __builtin_clz(bits));
  }
#endif
  while (at > lineStart && !IsLineBreak(at[-1]))
    --at;
  return at;
}

// The first stride from p on, kStride bytes apart, with a trigger bit: its
// start and its bits, or bits 0 when the text ends first.
struct Triggers {
  const char* at;
  uint32_t bits;
};

Triggers NextTriggers(const char* p, const char* end, const BytePair& pair) {
  for (; p < end; p += kStride) {
    const uint32_t bits = TriggerBits(reinterpret_cast<const unsigned char*>(p), pair);
    if (bits != 0) return {p, bits};
  }
  return {p, 0};
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUILLET_KEYWORD_SCAN_AVX2 1
// TriggerBits in one 32-byte register.
__attribute__((target("avx2"))) inline __m256i Load32(const unsigned char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
__attribute__((target("avx2"))) inline __m256i Splat32(unsigned char c) {
  return _mm256_set1_epi8(static_cast<char>(c));
}
// With kLetters false, neither byte of the pair is a letter: no case to fold.
template <bool kLetters>
__attribute__((target("avx2"))) inline uint32_t TriggerBitsAvx2(const unsigned char* p,
                                                                const BytePair& pair) {
  __m256i first = Load32(p + pair.offset1), second = Load32(p + pair.offset2);
  if constexpr (kLetters) {
    first = _mm256_or_si256(first, Splat32(pair.fold1));
    second = _mm256_or_si256(second, Splat32(pair.fold2));
  }
  const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(first, Splat32(pair.want1)),
                                        _mm256_cmpeq_epi8(second, Splat32(pair.want2)));
  const __m256i here = Load32(p);
  const __m256i special = _mm256_or_si256(_mm256_cmpeq_epi8(here, Splat32('<')),
                                          _mm256_cmpeq_epi8(here, _mm256_setzero_si256()));
  return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(both, special)));
}

// NextTriggers two strides a step, where the processor has AVX2.
template <bool kLetters>
__attribute__((target("avx2"))) Triggers NextTriggersAvx2(const char* p, const char* end,
                                                          const BytePair& pair) {
  for (; p < end; p += 2 * kStride) {
    const auto* at = reinterpret_cast<const unsigned char*>(p);
    const uint32_t low = TriggerBitsAvx2<kLetters>(at, pair),
                   high = TriggerBitsAvx2<kLetters>(at + kStride, pair);
    if ((low | high) != 0) return low != 0 ? Triggers{p, low} : Triggers{p + kStride, high};
  }
  return {p, 0};
}
#endif

using NextTriggersFunction = Triggers (*)(const char*, const char*, const BytePair&);

// NextTriggers for a pair with (`letters`) or without letters in it. With
// QUILLET_NO_AVX2 set, the portable one, as a processor without AVX2 runs it.
NextTriggersFunction ChooseNextTriggers([[maybe_unused]] bool letters) {
#if defined(QUILLET_KEYWORD_SCAN_AVX2)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && std::getenv("QUILLET_NO_AVX2") == nullptr)
    return letters ? NextTriggersAvx2<true> : NextTriggersAvx2<false>;
#endif
  return NextTriggers;
}

// The first byte at or after p that ends the line (CR, LF, NUL) or, with
// `tab`, the headline; `end` when none comes before it. Reads up to 15 bytes
// past `end`.
const char* FindEnd(const char* p, const char* end, bool tab) {
  for (; p < end; p += 16) {
    for (uint32_t bits = LowBits(reinterpret_cast<const unsigned char*>(p)); bits != 0;
         bits &= bits - 1) {
      const char* q = p + __builtin_ctz(bits);
      if (q >= end) return end;
      if (IsLineBreak(*q) || *q == '\0' || (tab && *q == '\t')) return q;
    }
  }
  return end;
}

}  // namespace

KeywordScan::KeywordScan(std::string_view keyword, bool foldWidth)
    : foldWidth_(foldWidth), keyword_(foldWidth ? WidthFolded(keyword) : Cp932Lower(keyword)) {
  // Headlines hold no TAB, line break or NUL: such a keyword is never found.
  if (keyword_.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos)
    keyword_.clear();
  std::vector<int> rank(keyword_.size());
  for (size_t i = 0; i < keyword_.size(); i += Cp932CharLength(keyword_, i)) {
    rank[i] = Commonness(static_cast<unsigned char>(keyword_[i]), false);
    if (i + 1 < keyword_.size())
      rank[i + 1] = Commonness(static_cast<unsigned char>(keyword_[i + 1]), true);
  }
  for (size_t i = 1; i < keyword_.size(); ++i) {
    if (rank[i] < rank[rare2_]) rare2_ = i;
  }
  rare1_ = rare2_ == 0 && keyword_.size() > 1 ? 1 : 0;
  for (size_t i = 0; i < keyword_.size(); ++i) {
    if (i != rare2_ && rank[i] < rank[rare1_]) rare1_ = i;
  }
  if (foldWidth_) ChooseAnchors();
}

// The whole character of the folded keyword whose forms are rarest (a lead
// byte cut off at the keyword's end matches the lead of many).
void KeywordScan::ChooseAnchors() {
  int best = 0;
  for (size_t i = 0; i < keyword_.size(); i += Cp932CharLength(keyword_, i)) {
    const size_t length = Cp932CharLength(keyword_, i);
    if (length == 1 && IsCp932LeadByte(static_cast<unsigned char>(keyword_[i]))) break;
    const std::vector<std::string> forms =
        WidthFoldForms(std::string_view(keyword_).substr(i, length));
    if (forms.size() > 4) continue;
    // A form of two bytes is as rare as a trail byte.
    int commonness = 0;
    for (const std::string& form : forms)
      commonness += Commonness(static_cast<unsigned char>(form.back()), form.size() == 2);
    if (anchored_ && commonness >= best) continue;
    for (size_t k = 0; k < 4; ++k) {
      const std::string& form = forms[std::min(k, forms.size() - 1)];
      formByte1_[k] = static_cast<unsigned char>(form[0]);
      formMask2_[k] = form.size() == 2 ? 0xFF : 0;
      formByte2_[k] = form.size() == 2 ? static_cast<unsigned char>(form[1]) : 0;
    }
    anchored_ = true;
    best = commonness;
  }
}

bool KeywordScan::MatchesAt(const char* at) const {
  const auto* k = reinterpret_cast<const unsigned char*>(keyword_.data());
  const auto* s = reinterpret_cast<const unsigned char*>(at);
  const size_t m = keyword_.size();
  for (size_t j = 0; j < m;) {
    unsigned char c = s[j];
    if (IsCp932LeadByte(c)) {
      if (c != k[j] || (j + 1 < m && s[j + 1] != k[j + 1])) return false;
      j += 2;
    } else {
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + ('a' - 'A'));
      if (c != k[j]) return false;
      ++j;
    }
  }
  return true;
}

bool KeywordScan::Keeps(std::string_view line) const {
  if (line.starts_with("<!--")) return true;
  const std::string_view headline = line.substr(0, line.find('\t'));
  if (keyword_.empty()) return false;
  if (foldWidth_) {
    std::string folded;
    return FoldedHolds(headline, folded);
  }
  if (headline.size() < keyword_.size()) return false;
  for (size_t i = 0; i <= headline.size() - keyword_.size(); i += Cp932CharLength(headline, i)) {
    if (MatchesAt(headline.data() + i)) return true;
  }
  return false;
}

bool KeywordScan::FoldedHolds(std::string_view headline, std::string& folded) const {
  folded.clear();
  AppendWidthFolded(folded, headline);
  const char* const base = folded.data();
  const size_t n = folded.size(), m = keyword_.size();
  for (size_t from = 0; n - from >= m;) {
    const auto* at = static_cast<const char*>(memmem(base + from, n - from, keyword_.data(), m));
    if (at == nullptr) return false;
    if (IsCharStart(base, at)) return true;
    from = static_cast<size_t>(at - base) + 1;
  }
  return false;
}

// The folded form of a headline has other bytes than the headline, so the
// block scan looks for the forms of one keyword character instead of the
// keyword's byte pair: a line without one cannot hold the keyword and is
// never folded.
bool KeywordScan::ScanFolded(std::string_view text,
                             const std::function<void(std::string_view)>& onLine) const {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  std::string folded;
  // Decides the line [start, ...) whose first form, if any, starts at
  // `anchor`, and returns where it ends.
  const auto decide = [&](const char* start, const char* anchor) {
    const char* headlineEnd = FindEnd(start, end, true);
    const char* lineEnd =
        headlineEnd < end && *headlineEnd == '\t' ? FindEnd(headlineEnd, end, false) : headlineEnd;
    const std::string_view line(start, static_cast<size_t>(lineEnd - start));
    if (line.starts_with("<!--") ||
        (!keyword_.empty() && anchor < headlineEnd &&
         FoldedHolds(std::string_view(start, static_cast<size_t>(headlineEnd - start)), folded)))
      onLine(line);
    return lineEnd;
  };
  const auto after = [&](const char* lineEnd) {
    return lineEnd + (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n' ? 2 : 1);
  };
  if (!anchored_) {  // every line is looked at
    for (const char* p = begin; p < end;) {
      const char* lineEnd = decide(p, p);
      if (lineEnd == end) return true;
      if (*lineEnd == '\0') return false;
      p = after(lineEnd);
    }
    return true;
  }
  const Forms forms{formByte1_, formByte2_, formMask2_};
  const char* lineStart = begin;  // a line start at or before p
  for (const char* p = begin; p < end;) {
    const char* next = p + kStride;
    for (uint32_t bits = FormBits(reinterpret_cast<const unsigned char*>(p), forms); bits != 0;
         bits &= bits - 1) {
      const char* q = p + __builtin_ctz(bits);
      if (q >= end) return true;
      if (*q == '\0') return false;  // its line holds no form before it
      const bool anchor = forms.At(reinterpret_cast<const unsigned char*>(q));
      const bool atLineStart = q == lineStart || IsLineBreak(q[-1]);
      const bool comment = atLineStart && end - q >= 4 && std::memcmp(q, "<!--", 4) == 0;
      if (!anchor && !comment) continue;
      const char* start = LineStart(lineStart, q);
      const char* lineEnd = decide(start, q);
      if (lineEnd == end) return true;
      if (*lineEnd == '\0') return false;
      next = lineStart = after(lineEnd);
      break;
    }
    p = next;
  }
  return true;
}

bool KeywordScan::Scan(std::string_view text,
                       const std::function<void(std::string_view)>& onLine) const {
  if (foldWidth_) return ScanFolded(text, onLine);
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
  // The line of the last keyword candidate: [start, lineEnd), its headline
  // ending at headlineEnd; no line before the first candidate.
  const char* start = nullptr;
  const char* headlineEnd = nullptr;
  const char* lineEnd = nullptr;
  static const NextTriggersFunction nextTriggersOf[2] = {ChooseNextTriggers(false),
                                                         ChooseNextTriggers(true)};
  const NextTriggersFunction nextTriggers = nextTriggersOf[(pair.fold1 | pair.fold2) != 0];
  const char* p = begin;
  while (p < end) {
    const Triggers triggers = nextTriggers(p, end, pair);
    if (triggers.bits == 0) return true;
    p = triggers.at;
    uint32_t bits = triggers.bits;
    bool lineDone = false;
    for (; bits != 0 && !lineDone; bits &= bits - 1) {
      const char* q = p + __builtin_ctz(bits);
      if (q >= end) return true;
      // A NUL no earlier look has reached: its line holds nothing to keep.
      if (*q == '\0') return false;
      const bool atLineStart = q == lineStart || IsLineBreak(q[-1]);
      const bool comment = atLineStart && end - q >= 4 && std::memcmp(q, "<!--", 4) == 0;
      if (!comment && (m == 0 || !pair.At(reinterpret_cast<const unsigned char*>(q)))) continue;

      if (lineEnd == nullptr || q > lineEnd) {  // the first look at this line: find its ends
        start = LineStart(lineStart, q);
        headlineEnd = FindEnd(start, end, true);
        lineEnd = headlineEnd < end && *headlineEnd == '\t' ? FindEnd(headlineEnd, end, false)
                                                            : headlineEnd;
      }
      // Every place the keyword starts is a candidate: once a candidate is
      // too close to the headline's end, the line is decided.
      const bool fits = q < headlineEnd && static_cast<size_t>(headlineEnd - q) >= m;
      const bool keep = comment || (fits && IsCharStart(start, q) && MatchesAt(q));
      if (keep) onLine(std::string_view(start, static_cast<size_t>(lineEnd - start)));
      lineDone = keep || !fits;
    }
    if (!lineDone) {
      p += kStride;
      continue;
    }
    if (lineEnd == end) return true;
    if (*lineEnd == '\0') return false;
    p = lineStart = lineEnd + (*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n' ? 2 : 1);
  }
  return true;
}

}  // namespace quillet
