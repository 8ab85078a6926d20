#include "common/UserConfig.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace sollist {

namespace {
bool Absolute(const char* path) { return path != nullptr && path[0] == '/'; }
bool Absolute(const std::string& path) { return path.starts_with('/'); }
} // namespace

std::string UserConfigHome(const std::string& xdgConfigHome, const std::string& home) {
    if (Absolute(xdgConfigHome))
        return xdgConfigHome;
    if (Absolute(home))
        return home + "/.config";
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        Absolute(found->pw_dir))
        return std::string(found->pw_dir) + "/.config";
    return {};
}

} // namespace sollist
