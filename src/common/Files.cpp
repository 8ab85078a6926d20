#include "common/Files.h"

#include "common/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sollist {

namespace fs = std::filesystem;

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// The file a path names, through symbolic links; the path itself when it is no link or its
// file does not exist.
fs::path FileNamedBy(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return path;
    fs::path file = fs::canonical(path, error);
    return error ? path : file;
}

// Creates a file of its own beside target ("<name>.<pid>-<n>.tmp"): in the same folder, so that
// the rename stays on one file system.
int CreateBeside(const fs::path& target, unsigned mode, fs::path& temp) {
    for (int attempt = 0;; ++attempt) {
        temp = target;
        temp += "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

// After the rename: the folder's entry on the disk too. A folder that cannot be synced leaves the
// file complete either way.
void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::error_code ReplaceFile(const fs::path& path, std::string_view content, unsigned mode) {
    const fs::path target = FileNamedBy(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    fs::path temp;
    const int fd = CreateBeside(target, mode, temp);
    if (fd < 0)
        return LastError();
    bool written = WriteAll(fd, content);
    written = written && (!replacing || ::fchmod(fd, old.st_mode & 07777) == 0);
    written = written && ::fsync(fd) == 0;
    std::error_code error = written ? std::error_code() : LastError();
    if (::close(fd) != 0 && !error)
        error = LastError();
    if (!error && std::rename(temp.c_str(), target.c_str()) != 0)
        error = LastError();
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    SyncFolder(target.parent_path());
    return {};
}

void ThrowCannotWrite(const std::string& path, int error) {
    throw EInOutError("Datei kann nicht geschrieben werden: " + path + " (" + std::strerror(error) + ")");
}

} // namespace sollist
