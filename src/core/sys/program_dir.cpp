#include "core/sys/program_dir.h"

#include <unistd.h>

#include <cstdlib>

namespace quillet {
namespace {

std::string& Override() {
  static std::string dir;
  return dir;
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0) return "./";
  buffer.resize(static_cast<size_t>(n));
  return buffer.substr(0, buffer.rfind('/') + 1);
}

}  // namespace

std::string ProgramDirectory() {
  if (!Override().empty()) return Override();
  const char* home = std::getenv("QUILLET_HOME");
  if (home != nullptr && *home != '\0') return WithSlash(home);
  return ExecutableFolder();
}

void SetProgramDirectory(const std::string& dir) {
  Override() = dir.empty() ? dir : WithSlash(dir);
}

}  // namespace quillet
