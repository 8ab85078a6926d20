#include "config/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace sollist::config {

std::error_code ReplaceFileAtomically(const std::filesystem::path& path, const std::string& content) {
    std::error_code created;
    std::filesystem::create_directories(path.parent_path(), created);
    if (created)
        return created;
    std::string temp = (path.parent_path() / (path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    bool ok = fd >= 0;
    if (ok) {
        ok = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        ok = fsync(fd) == 0 && ok;
        ok = close(fd) == 0 && ok;
        ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    }
    if (ok)
        return {};
    const int error = errno;
    if (fd >= 0)
        unlink(temp.c_str());
    return {error, std::generic_category()};
}

} // namespace sollist::config
