#pragma once
// The program's per-user files below a configuration folder (the folder XDG_CONFIG_HOME names):
// the registry file with the connection number, and the password file.
#include <filesystem>
#include <string>

namespace sollist::test {

// <configHome>/Tarvex/R7, the folder of both files.
std::filesystem::path UserConfigDir(const std::filesystem::path& configHome);
std::filesystem::path RegistryFile(const std::filesystem::path& configHome);
std::filesystem::path PasswordFile(const std::filesystem::path& configHome);

// Writes the password file with exactly this text and these permissions (creating its folders).
void WritePasswordFile(const std::filesystem::path& configHome, const std::string& text, unsigned mode);

} // namespace sollist::test
