#include "UserConfig.h"

#include <sys/stat.h>

#include <fstream>

namespace sollist::test {

namespace fs = std::filesystem;

fs::path UserConfigDir(const fs::path& configHome) { return configHome / "Tarvex" / "R7"; }
fs::path RegistryFile(const fs::path& configHome) { return UserConfigDir(configHome) / "registry.ini"; }
fs::path PasswordFile(const fs::path& configHome) { return UserConfigDir(configHome) / "password"; }

void WritePasswordFile(const fs::path& configHome, const std::string& text, unsigned mode) {
    const fs::path path = PasswordFile(configHome);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ::chmod(path.c_str(), mode);
}

} // namespace sollist::test
