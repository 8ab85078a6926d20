#pragma once
#include <string>

namespace sollist::db {

// The password for attaching through a server: the environment variable ISC_PASSWORD when set
// and not empty, else the first line of <UserConfigHome()>/Tarvex/R7/password, a file that
// group and others may neither read nor write. Raises Exception (naming the file, never the
// password) when there is none or the file is not private.
std::string LookupPassword();

// Where LookupPassword looks for the password file.
std::string PasswordFilePath();

} // namespace sollist::db
