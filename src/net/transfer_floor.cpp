#include "net/transfer_floor.h"

#include <algorithm>
#include <utility>

namespace quillet {
namespace {

std::optional<TransferFloor> testFloor;

}  // namespace

TransferFloor ProgramTransferFloor() {
  return testFloor.value_or(TransferFloor{});
}

void SetTransferFloorForTesting(std::optional<TransferFloor> floor) {
  testFloor = floor;
}

TransferWatch::TransferWatch(std::function<void()> onTooSlow) : onTooSlow_(std::move(onTooSlow)) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
}

void TransferWatch::Start() {
  floor_ = ProgramTransferFloor();
  total_ = 0;
  checks_ = 0;
  totals_.fill(0);
  timer_.start(std::max(floor_.window / kChecksPerWindow, std::chrono::milliseconds(1)));
}

void TransferWatch::Check() {
  ++checks_;
  const auto slot = [](int64_t check) {
    return static_cast<size_t>(check % (kChecksPerWindow + 1));
  };
  totals_[slot(checks_)] = total_;
  if (checks_ < kChecksPerWindow) return;
  // The check a window ago holds what had come by then.
  if (total_ - totals_[slot(checks_ - kChecksPerWindow)] < floor_.bytes) {
    timer_.stop();
    onTooSlow_();
  }
}

}  // namespace quillet
