#include "db/Password.h"

#include "common/Errors.h"
#include "common/UserConfig.h"

#include <fmt/format.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace sollist::db {

std::string PasswordFilePath() {
    const std::string base = UserConfigHome();
    if (base.empty())
        throw Exception("Kein Passwort: weder ISC_PASSWORD noch HOME ist gesetzt");
    return base + "/Tarvex/R7/password";
}

std::string LookupPassword() {
    // An empty ISC_PASSWORD (a scheduler's "ISC_PASSWORD=" line) counts as unset.
    if (const char* password = std::getenv("ISC_PASSWORD"); password != nullptr && *password != '\0')
        return password;
    const std::string path = PasswordFilePath();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw Exception(fmt::format("Kein Passwort: ISC_PASSWORD setzen oder die Datei {} anlegen "
                                    "(nur für ihren Besitzer lesbar)",
                                    path));
    if (info.st_mode & (S_IRWXG | S_IRWXO))
        throw Exception(fmt::format("Die Passwortdatei {} darf für Gruppe und andere nicht "
                                    "zugänglich sein (chmod 600)",
                                    path));
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line))
        throw Exception(fmt::format("Die Passwortdatei {} ist nicht lesbar oder leer", path));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace sollist::db
