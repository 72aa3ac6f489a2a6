// A category log read in blocks of whole lines, for the log search: memory
// stays at one block however large the log (more only for a longer line).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class LogBlocks {
 public:
  // Opens the log at `path`: Missing() when there is no such file (or it is a
  // folder), Failed() when it exists but cannot be read.
  explicit LogBlocks(std::string path);
  ~LogBlocks();
  LogBlocks(LogBlocks&& other) noexcept;
  LogBlocks(const LogBlocks&) = delete;
  LogBlocks& operator=(const LogBlocks&) = delete;
  LogBlocks& operator=(LogBlocks&&) = delete;

  bool Missing() const { return state_ == State::kMissing; }
  bool Failed() const { return state_ == State::kFailed; }

  // Raises "ファイル <path> は開けません", ReadLogBytes's error.
  [[noreturn]] void ThrowCannotOpen() const;

  // Calls onBlock with the file's text in blocks that begin at a line start
  // and end after a line break (the last block where the file ends), each
  // followed by `slack` readable bytes, until the file ends or onBlock
  // returns false. `buffer` holds the block and keeps its size for the next
  // log. Raises ThrowCannotOpen's error when a read fails.
  void Read(std::vector<char>& buffer, size_t slack,
            const std::function<bool(std::string_view)>& onBlock);

 private:
  enum class State { kMissing, kOpen, kFailed };
  std::string path_;
  State state_ = State::kMissing;
  int fd_ = -1;  // -1 for an open log that vanished after it was seen: empty
};

}  // namespace quillet
