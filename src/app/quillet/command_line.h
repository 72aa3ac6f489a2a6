// The window program's command line: its own options, and Qt's, which
// QApplication takes out of the arguments itself.
#pragma once

#include <string>
#include <vector>

namespace quillet {

enum class CommandLineRequest { kRun, kRunInTray, kHelp, kVersion, kUnknownOption };

// Decides what the arguments (without the program name) ask for. Runs
// before any display is opened, so --help and --version work without one.
CommandLineRequest ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace quillet
