// Starting with the desktop session: an XDG autostart entry in the user's
// $XDG_CONFIG_HOME/autostart/ (default ~/.config/autostart/) that starts the
// window program hidden in the tray.
#pragma once

#include <string>

namespace quillet {

inline constexpr const char* kApplicationId = "io.github.quillet.Quillet";

// The entry's path.
std::string AutostartFilePath();
// True when the entry is there.
bool AutostartEnabled();

// The text of the entry that starts `executable` with --tray; with `home`
// (the QUILLET_HOME of this start, or "") passed on in the environment.
std::string AutostartEntry(const std::string& executable, const std::string& home);

// Writes the entry (atomically) or removes it. Raises QuilletError
// "ファイル <path> を作成できません" when that fails.
void SetAutostart(bool on, const std::string& executable, const std::string& home);

}  // namespace quillet
