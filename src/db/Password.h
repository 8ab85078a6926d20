#pragma once
#include <string>

namespace sollist::db {

// The password for attaching through a server: fromEnvironment (the value of ISC_PASSWORD the
// entry read) when not empty, else the first line of <userConfigDir>/Tarvex/R7/password, a file
// that group and others may neither read nor write. Raises Exception (naming the file, never
// the password) when there is none or the file is not private.
std::string LookupPassword(const std::string& fromEnvironment, const std::string& userConfigDir);

// Where LookupPassword looks for the password file, below the per-user settings folder.
std::string PasswordFilePath(const std::string& userConfigDir);

} // namespace sollist::db
