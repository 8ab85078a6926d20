#include "db/Password.h"

#include "common/Errors.h"

#include <fmt/format.h>

#include <sys/stat.h>

#include <fstream>

namespace sollist::db {

std::string PasswordFilePath(const std::string& userConfigDir) {
    if (userConfigDir.empty())
        throw Exception("Kein Passwort: weder ISC_PASSWORD noch HOME ist gesetzt");
    return userConfigDir + "/Tarvex/R7/password";
}

std::string LookupPassword(const std::string& fromEnvironment, const std::string& userConfigDir) {
    // An empty ISC_PASSWORD (a scheduler's "ISC_PASSWORD=" line) counts as unset.
    if (!fromEnvironment.empty())
        return fromEnvironment;
    const std::string path = PasswordFilePath(userConfigDir);
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
    // Both would reach the server as part of the password, which answers only that user name
    // and password are not defined.
    if (line.starts_with("\xEF\xBB\xBF") || line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF"))
        throw Exception(fmt::format("Die Passwortdatei {} beginnt mit einer Byte-Order-Markierung (BOM): "
                                    "bitte ohne BOM speichern",
                                    path));
    if (line.find_first_not_of(" \t") == std::string::npos)
        throw Exception(fmt::format("Die erste Zeile der Passwortdatei {} ist leer: das Passwort gehört "
                                    "in die erste Zeile",
                                    path));
    return line;
}

} // namespace sollist::db
