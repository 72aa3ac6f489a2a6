#include "core/headlines/seen_headlines.h"

#include "core/text/cp932.h"

namespace quillet {

bool SeenHeadlines::FirstSighting(int category, std::string_view headline) {
  std::string key = std::to_string(category);
  key += '\t';
  key += Cp932Lower(headline);
  const bool seen = old_.contains(key) || current_.contains(key);
  current_.insert(std::move(key));
  if (current_.size() >= kGeneration) {
    old_ = std::move(current_);
    current_.clear();
  }
  return !seen;
}

}  // namespace quillet
