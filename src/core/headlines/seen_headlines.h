// The headlines this process has shown, per category: what makes a headline
// new when the logs are off. Bounded: once a generation holds kGeneration
// headlines it becomes the old one and the oldest is forgotten. A headline
// still on its page is met again each run and so never forgotten.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace quillet {

class SeenHeadlines {
 public:
  static constexpr size_t kGeneration = 10'000;

  // Notes the headline of the category; true when it was not seen before.
  // Letters A-Z are folded as the logs fold them.
  bool FirstSighting(int category, std::string_view headline);

 private:
  std::unordered_set<std::string> current_;
  std::unordered_set<std::string> old_;
};

}  // namespace quillet
