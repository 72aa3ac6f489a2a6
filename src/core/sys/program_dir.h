// The program folders: where the settings file and the logs are kept.
//
// In order: the folder set by SetProgramDirectory (--home), the QUILLET_HOME
// environment variable when set and not empty, the running executable's
// folder when it holds quillet.ini (a portable copy): the settings and the
// logs are both there. Otherwise the user's XDG folders: the settings in
// $XDG_CONFIG_HOME/quillet/ (default ~/.config/quillet/), the logs in
// $XDG_DATA_HOME/quillet/ (default ~/.local/share/quillet/).
#pragma once

#include <string>

namespace quillet {

// What the choice depends on, as the process finds it.
struct FolderEnvironment {
  std::string override;  // SetProgramDirectory's folder, or ""
  std::string quilletHome;
  std::string executableFolder;
  bool executableFolderHoldsSettings = false;
  std::string xdgConfigHome;
  std::string xdgDataHome;
  std::string home;  // the user's home folder
};

struct ProgramFolders {
  std::string settings;  // each with a trailing '/'
  std::string data;
};

ProgramFolders ChooseProgramFolders(const FolderEnvironment& environment);

// The folder of quillet.ini, with a trailing '/'.
std::string SettingsDirectory();
// The folder of the logs and of the lock of a fetch run, with a trailing '/'.
std::string DataDirectory();
// The folder given by SetProgramDirectory or QUILLET_HOME, with a trailing
// '/'; "" when neither gives one.
std::string ChosenHome();

// Overrides the program folder for this process ("" removes the override).
void SetProgramDirectory(const std::string& dir);

}  // namespace quillet
