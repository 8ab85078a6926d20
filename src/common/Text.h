#pragma once
// Text helpers of the whole program. Texts are UTF-8; codes, keys and names that are compared
// without regard to case are ASCII, so case folding here is ASCII only.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace sollist::text {

std::string UpperAscii(std::string_view text);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
// Position of the first occurrence of needle without regard to ASCII case, or npos.
std::size_t FindAsciiNoCase(std::string_view text, std::string_view needle);

// The text without leading and trailing characters of blanks.
std::string Trim(std::string_view text, std::string_view blanks = " \t\r\n");

// Returned by NextCodePoint for a malformed sequence.
inline constexpr char32_t kInvalidCodePoint = 0xFFFFFFFF;
// Decodes the UTF-8 sequence at text[pos] (pos < size) and moves pos past it. A malformed
// sequence (bad lead or continuation byte, cut short, overlong, surrogate) gives
// kInvalidCodePoint and moves pos by one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);
// Whether text is valid UTF-8 throughout.
bool IsValidUtf8(std::string_view text);
// The first count characters (a malformed byte counts as one).
std::string FirstCharacters(std::string_view text, std::size_t count);

// An 8-bit code page, in which older installations hold their texts. One table, the
// characters of the bytes 0x80..0xFF, serves both directions. Bytes that the code page leaves
// undefined read as the control characters of the same number and are written back as those
// bytes, so that a text read and written again stays byte for byte what it was.
class CodePage {
public:
    // Windows-1252 (also CP1252, WIN1252), ISO-8859-1 (ISO8859_1, Latin1), ISO-8859-15
    // (ISO8859_15, Latin9); case, "-", "_" and blanks do not count. Null for any other name.
    static const CodePage* Find(std::string_view name);
    static const CodePage& Windows1252();

    std::string_view Name() const { return name_; }
    std::string ToUtf8(std::string_view bytes) const;
    // A character the code page cannot hold (or a byte that is no valid UTF-8) becomes "?".
    std::string FromUtf8(std::string_view text) const;

    using HighTable = std::array<char16_t, 128>;
    constexpr CodePage(std::string_view name, const HighTable& high) : name_(name), high_(high) {}

private:
    char ByteOf(char32_t cp) const;

    std::string_view name_;
    HighTable high_;
};

// UTF-8 text as Windows-1252 bytes (the error log's code page).
inline std::string Utf8ToCp1252(std::string_view text) { return CodePage::Windows1252().FromUtf8(text); }

} // namespace sollist::text
