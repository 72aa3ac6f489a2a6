// Whether a headline holds a keyword of the watch list: letters A-Z folded on
// both sides (with foldWidth, full-width and half-width forms too, as
// WidthFolded folds them) and matched at character starts only, as the log
// search matches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class WatchMatch {
 public:
  WatchMatch() = default;
  explicit WatchMatch(const std::vector<std::string>& keywords, bool foldWidth = false);

  bool Empty() const { return folded_.empty(); }
  bool Matches(std::string_view headline) const;

 private:
  std::string Folded(std::string_view text) const;

  bool foldWidth_ = false;
  std::vector<std::string> folded_;
};

}  // namespace quillet
