#include "core/sys/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace quillet {
namespace {

// Mode for the file written: that of the file it replaces, else `mode` less
// the umask.
mode_t ReplacementMode(const std::string& path, mode_t mode) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return mode & ~mask;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// A temporary file beside `path` is named as the file, then ".tmp-", then the
// six letters and digits that mkstemp puts in place of the X's.
bool IsTemporaryOf(std::string_view name, std::string_view fileName) {
  constexpr std::string_view kInfix = ".tmp-";
  if (!name.starts_with(fileName)) return false;
  name.remove_prefix(fileName.size());
  if (name.size() != kInfix.size() + 6 || !name.starts_with(kInfix)) return false;
  return std::all_of(name.begin() + kInfix.size(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

// The folder of `path` with its trailing '/', or "./" when it has none.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

// flock, taken again when a signal interrupts the wait.
bool Flock(int fd, int operation) {
  int result;
  while ((result = flock(fd, operation)) != 0 && errno == EINTR) {
  }
  return result == 0;
}

// Opens a new temporary file beside `path`, locked for as long as it is open
// so that RemoveStaleTemporaries passes it over; returns its fd and name.
// From its creation until it is locked the folder is held locked shared,
// which the clean-up takes exclusive: it never sees a live writer's file
// unlocked. The folder serves as the lock, so no lock file is left behind.
int OpenTemporaryBeside(const std::string& path, std::string& tempName) {
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) Flock(folder, LOCK_SH);
  tempName = path + ".tmp-XXXXXX";
  const int fd = mkostemp(tempName.data(), O_CLOEXEC);
  const int saved = errno;
  if (fd >= 0) flock(fd, LOCK_EX);
  if (folder >= 0) close(folder);
  errno = saved;
  return fd;
}

// Removes the temporary files of `path` that writers killed during a save
// left behind: those no open writer holds locked. Nothing else is touched.
void RemoveStaleTemporaries(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string fileName = path.substr(slash == std::string::npos ? 0 : slash + 1);
  DIR* folder = opendir(FolderOf(path).c_str());
  if (folder == nullptr) return;
  if (!Flock(dirfd(folder), LOCK_EX)) {
    closedir(folder);
    return;
  }
  while (const dirent* entry = readdir(folder)) {
    if (!IsTemporaryOf(entry->d_name, fileName)) continue;
    const int fd =
        openat(dirfd(folder), entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      unlinkat(dirfd(folder), entry->d_name, 0);
    }
    close(fd);
  }
  closedir(folder);
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ForceDirectories(const std::string& dir) {
  if (dir.empty() || DirectoryExists(dir)) return true;
  std::string parent = DirectoryOf(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  // The user's alone: the settings may hold a proxy password.
  if (mkdir(dir.c_str(), 0700) == 0) return true;
  return errno == EEXIST && DirectoryExists(dir);
}

ReadResult ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  // O_NONBLOCK: a FIFO or device in place of the file must not hang the reader.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? ReadResult::kNotFound : ReadResult::kFailed;
  struct stat st {};
  const bool statted = fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode)) {
    const int error = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = error;
    return ReadResult::kFailed;
  }
  // Straight into `out`, sized by the file; one that grows meanwhile is read
  // on to its end.
  constexpr size_t kBlock = 65536;
  out.reserve(static_cast<size_t>(std::max<off_t>(st.st_size, 0)) + kBlock);
  out.resize(static_cast<size_t>(std::max<off_t>(st.st_size, 0)));
  size_t got = 0;
  for (;;) {
    if (got == out.size()) out.resize(got + kBlock);
    ssize_t n = read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      out.clear();
      errno = saved;
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  close(fd);
  return ReadResult::kOk;
}

bool FollowLinks(const std::string& path, std::string& target) {
  constexpr int kMaxLinks = 40;
  target = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    char text[PATH_MAX];
    const ssize_t n = readlink(target.c_str(), text, sizeof text);
    // EINVAL: not a link; ENOENT: nothing there (yet), or a folder on the way
    // missing, which the creation of the temporary file reports.
    if (n < 0) return errno == EINVAL || errno == ENOENT;
    if (static_cast<size_t>(n) == sizeof text) {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string_view link(text, static_cast<size_t>(n));
    target = link.starts_with('/') ? std::string(link) : FolderOf(target).append(link);
  }
  errno = ELOOP;
  return false;
}

bool WriteFileAtomic(const std::string& path, const std::string& data, unsigned newFileMode) {
  return WriteFileAtomic(path, std::vector<std::string_view>{data}, newFileMode);
}

bool WriteFileAtomic(const std::string& path, const std::vector<std::string_view>& pieces,
                     unsigned newFileMode) {
  std::string target;
  if (!FollowLinks(path, target)) return false;
  if (IsReadOnlyFile(target)) {
    errno = EACCES;
    return false;
  }
  RemoveStaleTemporaries(target);
  std::string tempName;
  const int fd = OpenTemporaryBeside(target, tempName);
  if (fd < 0) return false;
  bool ok = fchmod(fd, ReplacementMode(target, static_cast<mode_t>(newFileMode))) == 0;
  for (size_t i = 0; ok && i < pieces.size(); ++i)
    ok = WriteAll(fd, pieces[i].data(), pieces[i].size());
  ok = ok && fdatasync(fd) == 0 && rename(tempName.c_str(), target.c_str()) == 0;
  const int saved = errno;
  if (!ok) unlink(tempName.c_str());
  // Closed (and unlocked) only now: until the rename the clean-up of another
  // writer must see the file locked. The bytes are on disk already.
  close(fd);
  errno = saved;
  return ok;
}

bool CanReplaceFile(const std::string& path) {
  std::string target;
  if (!FollowLinks(path, target)) return false;
  if (IsReadOnlyFile(target) || DirectoryExists(target)) {
    errno = EACCES;
    return false;
  }
  std::string tempName;
  const int fd = OpenTemporaryBeside(target, tempName);
  if (fd < 0) return false;
  unlink(tempName.c_str());
  close(fd);
  return true;
}

FileLock::FileLock(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ >= 0 && !Flock(fd_, LOCK_EX)) {
    close(fd_);
    fd_ = -1;
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace quillet
