#include "core/headlines/seen_headlines.h"

#include "core/text/cp932.h"

namespace quillet {

bool SeenHeadlines::NewInRun(int category, std::string_view headline) {
  std::string key = std::to_string(category);
  key += '\t';
  key += Cp932Lower(headline);
  uint64_t firstRun = run_;
  if (auto it = current_.find(key); it != current_.end()) {
    firstRun = it->second;
  } else {
    if (auto old = old_.find(key); old != old_.end()) firstRun = old->second;
    current_.emplace(std::move(key), firstRun);
  }
  if (current_.size() >= kGeneration) {
    old_ = std::move(current_);
    current_.clear();
  }
  return firstRun == run_;
}

}  // namespace quillet
