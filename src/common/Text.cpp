#include "common/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace sollist::text {

namespace {

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Unicode code points of the bytes 0x80..0x9F in Windows-1252 (0 = no character).
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAsciiChar);
    return upper;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAsciiChar(x) == UpperAsciiChar(y);
           });
}

std::size_t FindAsciiNoCase(std::string_view text, std::string_view needle) {
    const auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                [](char x, char y) { return UpperAsciiChar(x) == UpperAsciiChar(y); });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

std::string Trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (lead >= 0xF5 || extra < 0 || pos + static_cast<std::size_t>(extra) > text.size())
        return kInvalidCodePoint;
    char32_t cp = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((c & 0xC0) != 0x80)
            return kInvalidCodePoint;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || (cp >= 0xD800 && cp <= 0xDFFF))
        return kInvalidCodePoint;
    pos += static_cast<std::size_t>(extra);
    return cp;
}

std::string FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; pos < text.size() && n < count; ++n) NextCodePoint(text, pos);
    return std::string(text.substr(0, pos));
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) out += ToCp1252(NextCodePoint(text, pos));
    return out;
}

} // namespace sollist::text
