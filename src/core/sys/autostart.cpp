#include "core/sys/autostart.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/sys/error.h"
#include "core/sys/file_system.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

// An argument of an Exec line: quoted when it holds anything but plain
// characters, the reserved ones escaped with a backslash. The file's string
// values are unescaped first, so each such backslash is written twice, and a
// literal backslash four times; '%' is doubled.
std::string ExecArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"'\\><~|&;$*?#()`%") == std::string::npos) return arg;
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '\\') {
      quoted += "\\\\\\\\";
      continue;
    }
    if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string AutostartFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return base + "/autostart/" + kApplicationId + ".desktop";
}

bool AutostartEnabled() {
  return FileExists(AutostartFilePath());
}

std::string AutostartEntry(const std::string& executable, const std::string& home) {
  std::string exec;
  if (!home.empty()) exec = "env " + ExecArgument("QUILLET_HOME=" + home) + " ";
  exec += ExecArgument(executable) + " --tray";
  return std::string("[Desktop Entry]\n") +
         "Type=Application\n"
         "Name=Quillet\n"
         "Comment=Headline patrol in the tray\n"
         "Comment[ja]=トレイでヘッドラインを巡回\n"
         "Exec=" +
         exec + "\n" + "Icon=" + kApplicationId + "\n" +
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void SetAutostart(bool on, const std::string& executable, const std::string& home) {
  const std::string path = AutostartFilePath();
  const bool done = on ? ForceDirectories(DirectoryOf(path)) &&
                             WriteFileAtomic(path, AutostartEntry(executable, home), 0644)
                       : std::remove(path.c_str()) == 0 || errno == ENOENT;
  if (!done)
    throw QuilletError(CP932("ファイル ") + FileNameForMessage(path) + CP932(" を作成できません"));
}

}  // namespace quillet
