#include "Locale.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace sollist::test {

namespace fs = std::filesystem;

DecimalCommaLocale::DecimalCommaLocale()
    : dir_(fs::temp_directory_path() / ("sollist_locale_" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (dir_ / Name).string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0)
        env_.Set("LOCPATH", dir_.string());
}

DecimalCommaLocale::~DecimalCommaLocale() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

} // namespace sollist::test
