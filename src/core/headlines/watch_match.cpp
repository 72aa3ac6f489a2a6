#include "core/headlines/watch_match.h"

#include "core/text/cp932.h"

namespace quillet {

WatchMatch::WatchMatch(const std::vector<std::string>& keywords) {
  for (const std::string& keyword : keywords) {
    if (!keyword.empty()) folded_.push_back(Cp932Lower(keyword));
  }
}

bool WatchMatch::Matches(std::string_view headline) const {
  if (folded_.empty()) return false;
  const std::string folded = Cp932Lower(headline);
  for (const std::string& keyword : folded_) {
    if (Cp932Find(folded, keyword) != std::string::npos) return true;
  }
  return false;
}

}  // namespace quillet
