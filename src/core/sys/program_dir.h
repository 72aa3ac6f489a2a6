// The program directory: the root of the settings file and the log files.
#pragma once

#include <string>

namespace quillet {

// With a trailing '/'. In order: the folder set by SetProgramDirectory, the
// QUILLET_HOME environment variable when set and not empty, the folder of the
// running executable.
std::string ProgramDirectory();

// Overrides the program directory for this process ("" removes the override).
void SetProgramDirectory(const std::string& dir);

}  // namespace quillet
