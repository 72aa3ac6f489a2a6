// The slowest transfer the program waits for: an HTTP request that receives
// fewer than `bytes` bytes in any `window` fails as silence does. The one
// figure for every HTTP client of the program, watched by TransferWatch.
#pragma once

#include <QTimer>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace quillet {

struct TransferFloor {
  int64_t bytes = 1024;
  std::chrono::milliseconds window{60'000};
};

// The floor in force: the default one, or the one a test set.
TransferFloor ProgramTransferFloor();
// For tests, which must not wait a minute; nullopt puts the default back.
void SetTransferFloorForTesting(std::optional<TransferFloor> floor);

// Watches one request against the floor in force when it starts: Start when
// the request starts, Count what each read brings (headers included), Stop
// at its end. `onTooSlow` runs once, at the first check that finds fewer than
// the floor's bytes in the last window; checks run every twelfth of the
// window, so a request fails at most that much later than the floor says.
class TransferWatch {
 public:
  explicit TransferWatch(std::function<void()> onTooSlow);
  TransferWatch(const TransferWatch&) = delete;
  TransferWatch& operator=(const TransferWatch&) = delete;

  void Start();
  void Count(int64_t bytes) { total_ += bytes; }
  void Stop() { timer_.stop(); }
  const TransferFloor& Floor() const { return floor_; }  // of the last Start

 private:
  static constexpr int kChecksPerWindow = 12;
  void Check();

  std::function<void()> onTooSlow_;
  QTimer timer_;
  TransferFloor floor_;
  int64_t total_ = 0;
  int64_t checks_ = 0;
  // The totals at the last kChecksPerWindow checks and at the start.
  std::array<int64_t, kChecksPerWindow + 1> totals_{};
};

}  // namespace quillet
