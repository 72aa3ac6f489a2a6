// Where the behaviour dialog finds the two browsers' programs when their path
// fields would open empty: the first of a few well-known program names that
// the folders of PATH hold.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quillet {

// The absolute path (file-system bytes) of the first of `names` that one of
// the folders of `searchPath` (colon-separated, as PATH; an empty entry is
// the current folder) holds as an executable file. Every folder is tried for
// a name before the next name is. "" when none is found.
std::string FindProgramOnPath(std::initializer_list<std::string_view> names,
                              std::string_view searchPath);

// The stand-ins for the registered application paths, looked up on the
// process's PATH and returned as CP932 text like IEPath and NNPath; "" when
// none is found or PATH is unset.
std::string RegisteredIEPath();  // x-www-browser, firefox, firefox-esr
std::string RegisteredNNPath();  // chromium, google-chrome, konqueror, epiphany-browser

}  // namespace quillet
