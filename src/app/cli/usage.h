// quillet-cli's usage text, and the exit that wrong usage takes.
#pragma once

#include <string>

namespace quillet {

// The usage with the transfer floor's figures in place of FLOOR.
std::string UsageText();

// Names the problem, if any, and the usage on stderr; returns exit status 2.
int Usage(const char* problem);

}  // namespace quillet
