#pragma once
// Files written whole or not at all, and the error that names a file that cannot be written.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace sollist {

// Replaces the file at path with content, so that no reader, full disk or killed process ever
// leaves a part of it: the content goes to a temporary file beside it ("<name>.<pid>-<n>.tmp"),
// is flushed to the disk and renamed over the old file. On failure the old file stays as it was
// and the temporary file is removed; those a killed writer left (its process no longer runs)
// are removed by the next write. A symbolic link at path keeps pointing at its file, which is
// the one replaced. The new file keeps the old one's permissions, from the temporary file's
// creation on; a file that did not exist gets mode less the umask. What is no regular file (a
// device such as /dev/null, a pipe, a link to /proc/self/fd/1) is written into, never
// replaced; a folder is refused (is_a_directory).
[[nodiscard]] std::error_code ReplaceFile(const std::filesystem::path& path, std::string_view content,
                                          unsigned mode = 0666);

// Writes all bytes to the open file, again after an interruption; false (errno set) on failure.
[[nodiscard]] bool WriteAll(int fd, std::string_view bytes);

// EInOutError "Datei kann nicht geschrieben werden: <path> (<the system's text for error>)".
[[noreturn]] void ThrowCannotWrite(const std::string& path, int error);

} // namespace sollist
