#include "common/Files.h"

#include "common/Errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
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

// The name of a temporary file of this program's beside target: "<name>.<pid>-<n>.tmp".
fs::path TempName(const fs::path& target, long pid, int n) {
    fs::path temp = target;
    temp += "." + std::to_string(pid) + "-" + std::to_string(n) + ".tmp";
    return temp;
}

// Creates a file of its own beside target: in the same folder, so that the rename stays on one
// file system. Created with mode (less the umask), so it is never more open than the file it
// becomes, not even before its permissions are set.
int CreateBeside(const fs::path& target, unsigned mode, fs::path& temp) {
    for (int attempt = 0;; ++attempt) {
        temp = TempName(target, ::getpid(), attempt);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

// The process id of a temporary file name of target ("<name>.<pid>-<n>.tmp"), 0 when the name
// is none.
long TempOwner(const std::string& name, const std::string& targetName) {
    if (name.size() <= targetName.size() + 1 || name.compare(0, targetName.size(), targetName) != 0 ||
        name[targetName.size()] != '.' || !name.ends_with(".tmp"))
        return 0;
    const std::string middle = name.substr(targetName.size() + 1, name.size() - targetName.size() - 5);
    const std::size_t dash = middle.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 9 &&
               text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string::npos || !digits(std::string_view(middle).substr(0, dash)) ||
        !digits(std::string_view(middle).substr(dash + 1)))
        return 0;
    return std::stol(middle.substr(0, dash));
}

// Removes the temporary files of target that a process which no longer runs left behind (a
// killed writer). Files of a running process, this one included, stay; so does anything that
// only looks alike but is no regular file. Best effort: what cannot be read or removed stays.
void RemoveStaleTemps(const fs::path& target) {
    const std::string targetName = target.filename().string();
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const long pid = TempOwner(it->path().filename().string(), targetName);
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // it runs (or is another user's and runs)
        std::error_code ignored;
        if (fs::is_regular_file(fs::symlink_status(it->path(), ignored)))
            fs::remove(it->path(), ignored);
    }
}

// Writes content into a file that is no regular file (a device, a pipe): it cannot be replaced,
// only written to.
std::error_code WriteInto(const fs::path& target, std::string_view content) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return LastError();
    std::error_code error = WriteAll(fd, content) ? std::error_code() : LastError();
    if (::close(fd) != 0 && !error)
        error = LastError();
    return error;
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
    if (replacing && S_ISDIR(old.st_mode))
        return std::make_error_code(std::errc::is_a_directory);
    if (replacing && !S_ISREG(old.st_mode))
        return WriteInto(target, content);
    RemoveStaleTemps(target);
    fs::path temp;
    const int fd = CreateBeside(target, replacing ? old.st_mode & 07777 : mode, temp);
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
