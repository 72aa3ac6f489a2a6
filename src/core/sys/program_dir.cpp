#include "core/sys/program_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace quillet {
namespace {

constexpr const char* kSettingsFile = "quillet.ini";

std::string& Override() {
  static std::string dir;
  return dir;
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0) return "./";
  buffer.resize(static_cast<size_t>(n));
  return buffer.substr(0, buffer.rfind('/') + 1);
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (home.empty()) {
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr)
      home = user->pw_dir;
  }
  return home;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// An XDG base folder: the variable's value when it is an absolute path,
// else the default under the home folder.
std::string BaseFolder(const std::string& value, const std::string& home, const char* fallback) {
  if (!value.empty() && value.front() == '/') return WithSlash(value);
  return WithSlash(home) + fallback;
}

FolderEnvironment CurrentEnvironment() {
  FolderEnvironment e;
  e.override = Override();
  e.quilletHome = Environment("QUILLET_HOME");
  if (e.override.empty() && e.quilletHome.empty()) {
    e.executableFolder = ExecutableFolder();
    e.executableFolderHoldsSettings = IsFile(e.executableFolder + kSettingsFile);
    e.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    e.xdgDataHome = Environment("XDG_DATA_HOME");
    e.home = HomeFolder();
  }
  return e;
}

}  // namespace

ProgramFolders ChooseProgramFolders(const FolderEnvironment& e) {
  for (const std::string& dir : {e.override, e.quilletHome}) {
    if (!dir.empty()) return {WithSlash(dir), WithSlash(dir)};
  }
  if (e.executableFolderHoldsSettings)
    return {WithSlash(e.executableFolder), WithSlash(e.executableFolder)};
  return {BaseFolder(e.xdgConfigHome, e.home, ".config/") + "quillet/",
          BaseFolder(e.xdgDataHome, e.home, ".local/share/") + "quillet/"};
}

std::string SettingsDirectory() {
  return ChooseProgramFolders(CurrentEnvironment()).settings;
}

std::string DataDirectory() {
  return ChooseProgramFolders(CurrentEnvironment()).data;
}

std::string ChosenHome() {
  if (!Override().empty()) return Override();
  const std::string home = Environment("QUILLET_HOME");
  return home.empty() ? home : WithSlash(home);
}

void SetProgramDirectory(const std::string& dir) {
  Override() = dir.empty() ? dir : WithSlash(dir);
}

}  // namespace quillet
