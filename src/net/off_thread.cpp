#include "net/off_thread.h"

namespace quillet {

std::atomic<int>& OffThreadWork() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace quillet
