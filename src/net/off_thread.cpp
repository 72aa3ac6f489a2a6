#include "net/off_thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quillet {

void YieldToTheWindow() {
  // Linux gives each thread a nice value of its own.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
}

std::atomic<int>& OffThreadWork() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace quillet
