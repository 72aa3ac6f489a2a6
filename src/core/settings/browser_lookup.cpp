#include "core/settings/browser_lookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string LookUp(std::initializer_list<std::string_view> names) {
  const char* searchPath = std::getenv("PATH");
  if (searchPath == nullptr) return "";
  return Utf8ToCp932(FindProgramOnPath(names, searchPath));
}

}  // namespace

std::string FindProgramOnPath(std::initializer_list<std::string_view> names,
                              std::string_view searchPath) {
  for (std::string_view name : names) {
    size_t begin = 0;
    while (begin <= searchPath.size()) {
      size_t end = searchPath.find(':', begin);
      if (end == std::string_view::npos) end = searchPath.size();
      std::filesystem::path folder(searchPath.substr(begin, end - begin));
      if (folder.empty()) folder = ".";
      const std::filesystem::path candidate = folder / name;
      if (IsExecutableFile(candidate.string())) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(candidate, error);
        if (!error) return absolute.lexically_normal().string();
      }
      begin = end + 1;
    }
  }
  return "";
}

std::string RegisteredIEPath() {
  return LookUp({"x-www-browser", "firefox", "firefox-esr"});
}

std::string RegisteredNNPath() {
  return LookUp({"chromium", "google-chrome", "konqueror", "epiphany-browser"});
}

}  // namespace quillet
