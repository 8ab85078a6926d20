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
        throw Exception("No password: neither ISC_PASSWORD nor HOME is set");
    return base + "/Tarvex/R7/password";
}

std::string LookupPassword() {
    // An empty ISC_PASSWORD (a scheduler's "ISC_PASSWORD=" line) counts as unset.
    if (const char* password = std::getenv("ISC_PASSWORD"); password != nullptr && *password != '\0')
        return password;
    const std::string path = PasswordFilePath();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw Exception(fmt::format("No password: set ISC_PASSWORD or create the file {} "
                                    "(readable by its owner only)",
                                    path));
    if (info.st_mode & (S_IRWXG | S_IRWXO))
        throw Exception(fmt::format("The password file {} must not be accessible by group or "
                                    "others (chmod 600)",
                                    path));
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line))
        throw Exception(fmt::format("The password file {} cannot be read or is empty", path));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace sollist::db
