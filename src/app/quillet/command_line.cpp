#include "app/quillet/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quillet {
namespace {

// Qt's own options (QGuiApplication, QApplication, the xcb platform), which
// are given with one dash or two. The first group takes a value, either as
// the next argument or after '='.
constexpr std::array<std::string_view, 16> kQtOptionsWithValue = {"platform",
                                                                  "platformpluginpath",
                                                                  "platformtheme",
                                                                  "plugin",
                                                                  "qwindowgeometry",
                                                                  "geometry",
                                                                  "qwindowicon",
                                                                  "icon",
                                                                  "qwindowtitle",
                                                                  "title",
                                                                  "session",
                                                                  "display",
                                                                  "style",
                                                                  "stylesheet",
                                                                  "name",
                                                                  "qmljsdebugger"};
constexpr std::array<std::string_view, 5> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                                      "sync"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

CommandLineRequest ParseCommandLine(const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-h" || arg == "--help") return CommandLineRequest::kHelp;
    if (arg == "-v" || arg == "--version") return CommandLineRequest::kVersion;
  }
  bool tray = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    if (name == "--tray") {
      tray = true;
      continue;
    }
    if (name.size() < 2 || name[0] != '-') return CommandLineRequest::kUnknownOption;
    name.remove_prefix(name.starts_with("--") ? 2 : 1);
    const size_t equals = name.find('=');
    const bool valueAttached = equals != std::string_view::npos;
    if (valueAttached) name = name.substr(0, equals);
    if (Contains(kQtOptionsWithValue, name)) {
      if (!valueAttached) ++i;  // the value follows
      continue;
    }
    if (!valueAttached && Contains(kQtFlags, name)) continue;
    return CommandLineRequest::kUnknownOption;
  }
  return tray ? CommandLineRequest::kRunInTray : CommandLineRequest::kRun;
}

std::string UsageText() {
  return "Usage: quillet [options]\n"
         "Headline patrol for Japanese news sites: fetches the enabled headline\n"
         "categories, shows them in one list and keeps a log per category.\n"
         "\n"
         "Options:\n"
         "  -h, --help       show this help and exit\n"
         "  -v, --version    show the version and exit\n"
         "      --tray       start hidden in the tray with the patrol timer on\n"
         "  -platform NAME   and Qt's other options, as every Qt program takes them\n"
         "\n"
         "Settings (quillet.ini) and logs are kept in $QUILLET_HOME when it is set;\n"
         "else in the executable's folder when it holds quillet.ini (a portable\n"
         "copy); else quillet.ini in $XDG_CONFIG_HOME/quillet (~/.config/quillet)\n"
         "and the logs in $XDG_DATA_HOME/quillet (~/.local/share/quillet).\n"
         "A second start on the same folders brings the running window to the front.\n"
         "\n"
         "An https site's certificate is always verified against the system's CAs;\n"
         "$QUILLET_CA_FILE may name a PEM file of further CAs to trust.\n";
}

}  // namespace quillet
