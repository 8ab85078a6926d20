#pragma once
#include <string>

namespace sollist {

// The folder of the per-user settings (connection number, password file) from the values of
// XDG_CONFIG_HOME and HOME that the entry read ("" when unset): xdgConfigHome, else
// home/.config, else the home folder from the user database plus /.config. Relative values are
// skipped, so the current folder is never taken for it (a scheduler may start the program
// without HOME). Empty when no folder can be found.
std::string UserConfigHome(const std::string& xdgConfigHome, const std::string& home);

} // namespace sollist
