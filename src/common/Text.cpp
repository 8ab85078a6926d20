#include "common/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace sollist::text {

namespace {

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Latin-1: every byte is the code point of the same number.
constexpr CodePage::HighTable Latin1High() {
    CodePage::HighTable high{};
    for (std::size_t i = 0; i < high.size(); ++i) high[i] = static_cast<char16_t>(0x80 + i);
    return high;
}

// Windows-1252: Latin-1 with printable characters at 0x80..0x9F (0x81, 0x8D, 0x8F, 0x90, 0x9D
// are undefined and keep their control characters).
constexpr CodePage::HighTable Cp1252High() {
    constexpr std::array<char16_t, 32> c1 = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    CodePage::HighTable high = Latin1High();
    for (std::size_t i = 0; i < c1.size(); ++i) high[i] = c1[i];
    return high;
}

// ISO-8859-15: Latin-1 with the euro sign and seven letters in place of eight symbols.
constexpr CodePage::HighTable Latin9High() {
    CodePage::HighTable high = Latin1High();
    constexpr std::pair<unsigned char, char16_t> changed[] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161},
                                                              {0xB4, 0x017D}, {0xB8, 0x017E}, {0xBC, 0x0152},
                                                              {0xBD, 0x0153}, {0xBE, 0x0178}};
    for (const auto& [byte, cp] : changed) high[byte - 0x80u] = cp;
    return high;
}

constexpr CodePage kWindows1252("Windows-1252", Cp1252High());
constexpr CodePage kLatin1("ISO-8859-1", Latin1High());
constexpr CodePage kLatin9("ISO-8859-15", Latin9High());

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();)
        if (NextCodePoint(text, pos) == kInvalidCodePoint)
            return false;
    return true;
}

std::string FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; pos < text.size() && n < count; ++n) NextCodePoint(text, pos);
    return std::string(text.substr(0, pos));
}

const CodePage* CodePage::Find(std::string_view name) {
    std::string key;
    for (char c : name)
        if (c != '-' && c != '_' && c != ' ')
            key += UpperAsciiChar(c);
    for (const auto& [spelling, page] : {std::pair{"WINDOWS1252", &kWindows1252},
                                         {"CP1252", &kWindows1252},
                                         {"WIN1252", &kWindows1252},
                                         {"ISO88591", &kLatin1},
                                         {"LATIN1", &kLatin1},
                                         {"ISO885915", &kLatin9},
                                         {"LATIN9", &kLatin9}})
        if (key == spelling)
            return page;
    return nullptr;
}

const CodePage& CodePage::Windows1252() { return kWindows1252; }

std::string CodePage::ToUtf8(std::string_view bytes) const {
    if (IsAscii(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte < 0x80 ? byte : high_[byte - 0x80u]);
    }
    return out;
}

char CodePage::ByteOf(char32_t cp) const {
    if (cp < 0x80)
        return static_cast<char>(cp);
    if (cp <= 0xFF && high_[cp - 0x80] == cp) // most letters sit at their own number
        return static_cast<char>(cp);
    const auto it = std::find(high_.begin(), high_.end(), cp);
    return it == high_.end() ? '?' : static_cast<char>(0x80 + (it - high_.begin()));
}

std::string CodePage::FromUtf8(std::string_view text) const {
    if (IsAscii(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) out += ByteOf(NextCodePoint(text, pos));
    return out;
}

} // namespace sollist::text
