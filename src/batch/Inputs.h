#pragma once
// What the programs take from outside besides their command line: the places of the settings
// file and of the calculation error log, the password. Only the entries read them, once, and
// hand them down (the run context, constructor arguments, the connection); nothing below the
// entries reads the environment.
#include <string>
#include <vector>

namespace sollist::config {
class TLocalIni;
}
namespace sollist::db {
class TIBCConnection;
}

namespace sollist::batch {

// The folders where firmen.ini is looked for, the first that has one winning: the program's
// own folder, then $SOLLIST_ETC_DIR, else /etc/sollist.
std::vector<std::string> SettingsDirs();

// The per-user settings folder: UserConfigHome of $XDG_CONFIG_HOME and $HOME.
std::string UserConfigDir();

// The settings of the chosen connection (firmen.ini from SettingsDirs, the user's ConnectionNr
// below UserConfigDir) read into localIni, and its database, server and code page set on
// connection.
void ReadConnectionSettings(config::TLocalIni& localIni, db::TIBCConnection& connection);

// The folder of the calculation error log: $TEMP as the installation knows it; on this
// platform usually unset, so $TMPDIR, else /tmp follows (a file in the root folder is not
// writable).
std::string ErrorLogDir();

// Connects; through a server with the password of db::LookupPassword ($ISC_PASSWORD, else the
// password file below UserConfigDir), which the embedded engine does not need. A missing password fails here,
// like a refused attach.
void Connect(db::TIBCConnection& connection);

} // namespace sollist::batch
