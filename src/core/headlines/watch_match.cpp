#include "core/headlines/watch_match.h"

#include "core/text/cp932.h"
#include "core/text/width_fold.h"

namespace quillet {

WatchMatch::WatchMatch(const std::vector<std::string>& keywords, bool foldWidth)
    : foldWidth_(foldWidth) {
  for (const std::string& keyword : keywords) {
    if (!keyword.empty()) folded_.push_back(Folded(keyword));
  }
}

std::string WatchMatch::Folded(std::string_view text) const {
  return foldWidth_ ? WidthFolded(text) : Cp932Lower(text);
}

bool WatchMatch::Matches(std::string_view headline) const {
  if (folded_.empty()) return false;
  const std::string folded = Folded(headline);
  for (const std::string& keyword : folded_) {
    if (Cp932Find(folded, keyword) != std::string::npos) return true;
  }
  return false;
}

}  // namespace quillet
