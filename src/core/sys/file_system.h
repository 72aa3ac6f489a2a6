// File system helpers: existence tests, directory creation, whole-file reads
// and atomic whole-file replacement.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Creates `dir` with every missing parent, each for the user alone (0700);
// true when it exists afterwards.
bool ForceDirectories(const std::string& dir);

// Everything before the last '/', or "" when there is none.
std::string DirectoryOf(const std::string& path);

enum class ReadResult { kOk, kNotFound, kFailed };

// Reads the whole file into `out`. errno tells why on kFailed.
ReadResult ReadWholeFile(const std::string& path, std::string& out);

// Follows `path` through symbolic links to the file they end at, which need
// not exist yet; a relative link is read from the folder that holds it. False
// (errno set) when the links cannot be followed: ELOOP for a loop.
bool FollowLinks(const std::string& path, std::string& target);

// Replaces the file's content atomically: the bytes go to a temporary file in
// the same folder, which is flushed to disk and renamed over `path`, so a crash
// leaves either the old or the new file. When `path` is a symbolic link, the
// file it leads to is replaced in its own folder and the link stays; a link
// that leads nowhere (into a missing folder, round in a loop) is a failure.
// Temporary files that writers killed earlier left behind are removed first;
// those of writers at work are not. A file with no write permission bit counts
// as read-only and is not replaced. A replaced file keeps its mode; a new one
// gets `newFileMode` less the umask. Returns false (errno set) on failure.
bool WriteFileAtomic(const std::string& path, const std::string& data, unsigned newFileMode = 0666);
// The same with the file's bytes given as pieces, written one after another.
bool WriteFileAtomic(const std::string& path, const std::vector<std::string_view>& pieces,
                     unsigned newFileMode = 0666);

// True when a file can be created or replaced at `path`, or at the file a
// link there leads to (its folder exists and takes a new file, and an existing
// file is not read-only). Creates nothing that stays.
bool CanReplaceFile(const std::string& path);

// An exclusive lock (flock) on the lock file at `path`, made for the user
// alone when missing and left in place, held until the object goes. Writers
// of one file that each hold it take turns. A lock file that cannot be
// opened leaves the object holding nothing: Held() is false.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace quillet
