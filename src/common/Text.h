#pragma once
// Text helpers of the whole program. Texts are UTF-8; codes, keys and names that are compared
// without regard to case are ASCII, so case folding here is ASCII only.
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
// The first count characters (a malformed byte counts as one).
std::string FirstCharacters(std::string_view text, std::size_t count);

// UTF-8 text as Windows-1252 bytes; a character without a code in it (or a byte that is no
// valid UTF-8) becomes "?".
std::string Utf8ToCp1252(std::string_view text);

} // namespace sollist::text
