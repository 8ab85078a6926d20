#pragma once
// What the programs take from outside besides their command line: the places of the settings
// file and of the calculation error log, the password. Only the entries read them, once, and
// hand them down (the run context, constructor arguments, the connection); nothing below the
// entries reads the environment.
#include "batch/OpenDatabase.h"

#include <string>
#include <vector>

namespace sollist::config {
class TLocalIni;
}

namespace sollist::batch {

// The folders where firmen.ini is looked for, the first that has one winning: the program's
// own folder, then $SOLLIST_ETC_DIR, else /etc/sollist.
std::vector<std::string> SettingsDirs();

// The per-user settings folder: UserConfigHome of $XDG_CONFIG_HOME and $HOME.
std::string UserConfigDir();

// The settings of the chosen connection (firmen.ini from SettingsDirs, the user's ConnectionNr
// below UserConfigDir) read into localIni, and with the password of a server connection
// (db::LookupPassword: $ISC_PASSWORD, else the password file below UserConfigDir) into the value every
// connection of the run is opened from (batch::OpenDatabase). The process name and lock timeout are the
// entry's to add.
TDatabaseSettings ReadDatabaseSettings(config::TLocalIni& localIni);

// The folder of the calculation error log: $TEMP as the installation knows it; on this
// platform usually unset, so $TMPDIR, else /tmp follows (a file in the root folder is not
// writable).
std::string ErrorLogDir();

// Why the run could not write its calculation error log into the folder (missing, not a
// folder, not writable, full; or the log file there not writable), as the system says it;
// empty when it can. Leaves nothing behind.
std::string ErrorLogDirProblem(const std::string& dir);

} // namespace sollist::batch
