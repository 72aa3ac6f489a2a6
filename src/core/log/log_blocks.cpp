#include "core/log/log_blocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr size_t kBlockSize = 256 * 1024;

// End of the whole lines at the front of data[0, size): after the last line
// break, leaving out a CR at the very end whose LF may come with the next read;
// 0 when there is none.
size_t WholeLinesEnd(const char* data, size_t size) {
  for (size_t i = size; i > 0; --i) {
    const char c = data[i - 1];
    if (c == '\n' || (c == '\r' && i < size)) return i;
  }
  return 0;
}

}  // namespace

LogBlocks::LogBlocks(std::string path) : path_(std::move(path)) {
  if (!FileExists(path_)) return;
  // O_NONBLOCK: a FIFO or device in place of the file must not hang the reader.
  fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st {};
  if (fd_ < 0) {
    state_ = errno == ENOENT ? State::kOpen : State::kFailed;
  } else if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    state_ = State::kFailed;
  } else {
    state_ = State::kOpen;
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
}

LogBlocks::~LogBlocks() {
  if (fd_ >= 0) close(fd_);
}

LogBlocks::LogBlocks(LogBlocks&& other) noexcept
    : path_(std::move(other.path_)), state_(other.state_), fd_(std::exchange(other.fd_, -1)) {}

void LogBlocks::ThrowCannotOpen() const {
  throw QuilletError(CP932("ファイル ") + FileNameForMessage(path_) + CP932(" は開けません"));
}

void LogBlocks::Read(std::vector<char>& buffer, size_t slack,
                     const std::function<bool(std::string_view)>& onBlock) {
  if (fd_ < 0) return;
  if (buffer.size() < kBlockSize + slack) buffer.resize(kBlockSize + slack);
  size_t held = 0;  // bytes of an unfinished line carried to the front
  for (;;) {
    size_t room = buffer.size() - slack - held;
    if (room == 0) {  // one line longer than the buffer
      buffer.resize(buffer.size() * 2);
      room = buffer.size() - slack - held;
    }
    const ssize_t got = read(fd_, buffer.data() + held, room);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowCannotOpen();
    }
    const bool atEnd = got == 0;
    held += static_cast<size_t>(got);
    const size_t whole = atEnd ? held : WholeLinesEnd(buffer.data(), held);
    if (whole > 0 && !onBlock(std::string_view(buffer.data(), whole))) return;
    if (atEnd) return;
    held -= whole;
    std::memmove(buffer.data(), buffer.data() + whole, held);
  }
}

}  // namespace quillet
