#pragma once
#include <filesystem>
#include <string>
#include <system_error>

namespace sollist::config {

// Writes a file of the user's own settings (readable by the user alone when new) so that readers
// see either the old or the new file, never a torn one (see ReplaceFile). Creates the folder
// when missing. Returns the failure (none when the file was written); a failed write leaves the
// old file and no temporary file.
[[nodiscard]] std::error_code ReplaceFileAtomically(const std::filesystem::path& path,
                                                    const std::string& content);

} // namespace sollist::config
