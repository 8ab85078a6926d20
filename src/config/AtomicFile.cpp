#include "config/AtomicFile.h"

#include "common/Files.h"

namespace sollist::config {

std::error_code ReplaceFileAtomically(const std::filesystem::path& path, const std::string& content) {
    std::error_code created;
    std::filesystem::create_directories(path.parent_path(), created);
    if (created)
        return created;
    return ReplaceFile(path, content, 0600);
}

} // namespace sollist::config
