#include "config/IniFile.h"

#include "common/Errors.h"
#include "common/Text.h"

#include <cstddef>
#include <fstream>
#include <string_view>
#include <vector>

namespace sollist::config {

namespace {

std::string Trim(std::string_view text) { return text::Trim(text, " \t\r"); }

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF"; // UTF-8

// A line's text, trimmed; the first line without the byte order mark a file may start with.
std::string LineText(std::string_view line, bool first) {
    if (first && line.starts_with(ByteOrderMark))
        line.remove_prefix(ByteOrderMark.size());
    return Trim(line);
}

bool IsSectionHeader(const std::string& text) { return !text.empty() && text.front() == '['; }

// Whether the header "[name]" names section: the name trimmed, compared without regard to case.
// Reading and rewriting agree on it, so that a value written is the value read.
bool HeaderNames(const std::string& header, const std::string& section) {
    const std::size_t close = header.find(']');
    return close != std::string::npos && text::EqualsAsciiNoCase(Trim(header.substr(1, close - 1)), section);
}

} // namespace

// Read line by line without a length limit, so that a long value is never cut short or its
// tail taken for a key of its own. Lines starting with ";" or "#", and lines without "=", are
// skipped.
std::map<std::string, std::string> ReadIniSection(const std::string& file, const std::string& section) {
    std::map<std::string, std::string> values;
    std::ifstream in(file, std::ios::binary);
    bool inSection = false;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        // A file saved as UTF-16 (with or without its byte order mark) has a NUL in every
        // other byte of its first line: none of its sections would be found.
        if (first && (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF") ||
                      line.find('\0') != std::string::npos))
            throw Exception("Die Datei " + file +
                            " ist als UTF-16 gespeichert: bitte als UTF-8 oder Windows-1252 speichern");
        const std::string text = LineText(line, first);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (IsSectionHeader(text)) {
            inSection = HeaderNames(text, section);
            continue;
        }
        const std::size_t equals = text.find('=');
        if (inSection && equals != std::string::npos)
            values.emplace(text::UpperAscii(Trim(text.substr(0, equals))), Trim(text.substr(equals + 1)));
    }
    return values;
}

std::string ValueOf(const std::map<std::string, std::string>& values, const std::string& name) {
    const auto it = values.find(text::UpperAscii(name));
    return it == values.end() ? std::string() : it->second;
}

std::string WithIniValue(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    const std::string line = key + "=" + value;
    bool inSection = false;
    std::ptrdiff_t sectionEnd = -1; // index after the last line of the section
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string trimmed = LineText(lines[i], i == 0);
        if (IsSectionHeader(trimmed)) {
            inSection = HeaderNames(trimmed, section);
            if (inSection)
                sectionEnd = static_cast<std::ptrdiff_t>(i + 1);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = trimmed.find('=');
        if (equals != std::string::npos && text::EqualsAsciiNoCase(Trim(trimmed.substr(0, equals)), key)) {
            lines[i] = line;
            sectionEnd = -2;
            break;
        }
        if (!trimmed.empty())
            sectionEnd = static_cast<std::ptrdiff_t>(i + 1);
    }
    if (sectionEnd >= 0) {
        lines.insert(lines.begin() + sectionEnd, line);
    } else if (sectionEnd == -1) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
    }
    std::string result;
    for (const auto& l : lines) result += l + "\n";
    return result;
}

} // namespace sollist::config
