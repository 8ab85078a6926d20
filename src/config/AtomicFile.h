#pragma once
#include <filesystem>
#include <string>
#include <system_error>

namespace sollist::config {

// Writes content to path so that readers see either the old or the new file, never a torn one:
// a temporary file beside it, flushed to disk, renamed over it. Creates the folder when missing.
// Returns the failure (none when the file was written); a failed write leaves no temporary file.
[[nodiscard]] std::error_code ReplaceFileAtomically(const std::filesystem::path& path,
                                                    const std::string& content);

} // namespace sollist::config
