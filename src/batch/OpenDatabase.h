#pragma once
// One way to open the database, for the entries and for each worker of a run on several
// connections: from one settings value, read once by the entry, which a worker copies whole.
// A failure is one console line that says why, as an administrator needs to read it.
#include "common/Errors.h"
#include "db/Connection.h"

#include <string>
#include <string_view>
#include <vector>

namespace sollist::batch {

// What the entry read of the installation for its connections (batch::ReadDatabaseSettings).
struct TDatabaseSettings {
    db::TConnectionSettings Connection;
    std::string SettingsFile;                // the firmen.ini read; empty: none was found
    std::vector<std::string> SettingsPlaces; // where it was looked for
    int ConnectionNumber = 1;                // the section [CONNECTIONn] read
    std::string PasswordProblem;             // why no password was found for the server
};

// The database could not be opened; the message is the whole console line.
class EConnectionFailed : public Exception {
public:
    using Exception::Exception;
    const char* kind() const noexcept override { return "EConnectionFailed"; }
};

// Opens connection with the settings, or raises EConnectionFailed with the line for the
// console: the database file opened by another process, this process out of file handles, the
// server refusing a further connection, or the client library's own words. which names the
// connection among several ("Verbindung 2 von 3"); empty for the entry's only one.
void OpenDatabase(db::TIBCConnection& connection, const db::TConnectionSettings& settings,
                  std::string_view which = {});
// The entry's: first what makes an attach pointless (no firmen.ini, no database in it, no
// password for the server), each its own line.
void OpenDatabase(db::TIBCConnection& connection, const TDatabaseSettings& settings);

} // namespace sollist::batch
