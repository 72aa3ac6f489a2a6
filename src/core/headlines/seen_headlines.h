// The headlines this process has met, per category: what makes a headline
// new when the logs are off. New is "not met by an earlier run": the same
// headline twice in one run is new both times. Bounded: once a generation
// holds kGeneration headlines it becomes the old one and the oldest is
// forgotten. A headline still on its page is met again each run and so never
// forgotten.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quillet {

class SeenHeadlines {
 public:
  static constexpr size_t kGeneration = 10'000;

  // A run begins: what was met so far counts as met by an earlier run.
  void BeginRun() { ++run_; }
  // Notes the headline of the category; true when no earlier run met it.
  // Letters A-Z are folded as the logs fold them.
  bool NewInRun(int category, std::string_view headline);

 private:
  // Each key with the run that met it first.
  std::unordered_map<std::string, uint64_t> current_;
  std::unordered_map<std::string, uint64_t> old_;
  uint64_t run_ = 0;
};

}  // namespace quillet
