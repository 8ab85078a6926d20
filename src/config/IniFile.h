#pragma once
// The INI text of firmen.ini and of the per-user registry file: section header lines "[name]"
// and key lines "key=value"; section and key names compared without regard to case, names and
// values trimmed of blanks.
#include <map>
#include <string>

namespace sollist::config {

// The keys of one section of an INI file (names upper-cased; the first occurrence wins).
// A missing file or section gives no keys; a file saved as UTF-16 raises Exception naming it.
std::map<std::string, std::string> ReadIniSection(const std::string& file, const std::string& section);
// The value of name (any case) among the keys of ReadIniSection; empty text when it is missing.
std::string ValueOf(const std::map<std::string, std::string>& values, const std::string& name);

// The INI text with key=value set in section (the first such key replaced, else added at the
// section's end, else the section added at the end), other lines kept as they are.
std::string WithIniValue(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value);

} // namespace sollist::config
