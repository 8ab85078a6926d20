#pragma once
// What a program wrote, for tests to compare: a whole file, and how often a text occurs in it.
#include <cstddef>
#include <filesystem>
#include <string>

namespace sollist::test {

// The file's bytes; throws std::runtime_error when it cannot be read.
std::string ReadFileText(const std::filesystem::path& path);
// How often part occurs in text (without overlaps).
std::size_t Count(const std::string& text, const std::string& part);

} // namespace sollist::test
