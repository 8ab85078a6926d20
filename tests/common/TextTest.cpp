#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::text {
namespace {

TEST(Text, Windows1252KeepsWhatItCanHoldAndMarksTheRest) {
    const struct {
        std::string utf8, cp1252;
    } cases[] = {{"Material für Dickenberechnung fehlt", "Material f\xFCr Dickenberechnung fehlt"},
                 {"Größe 5 €", "Gr\xF6\xDF"
                               "e 5 \x80"},
                 {"„Zitat“ – Ÿ", "\x84Zitat\x93 \x96 \x9F"},
                 {"Kanji 中 und 😀", "Kanji ? und ?"},
                 {"kaputt \xC3 \xFF", "kaputt ? ?"}};
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
}

// Every byte reads as a character and is written back as the same byte, in each code page, so
// a text read from the database and written again never changes.
TEST(Text, CodePagesGiveEveryByteBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (const char* name : {"Windows-1252", "ISO-8859-1", "ISO-8859-15"}) {
        const CodePage* page = CodePage::Find(name);
        ASSERT_NE(page, nullptr) << name;
        EXPECT_EQ(page->FromUtf8(page->ToUtf8(all)), all) << name;
    }
}

TEST(Text, CodePagesDifferWhereTheyShould) {
    const CodePage& cp1252 = CodePage::Windows1252();
    const CodePage& latin1 = *CodePage::Find("latin1");
    const CodePage& latin9 = *CodePage::Find("iso8859_15");
    const struct {
        const CodePage& page;
        std::string bytes, utf8;
    } cases[] = {{cp1252, "\x80\x8A\xC4", "€ŠÄ"},
                 {latin9, "\xA4\xA6\xC4", "€ŠÄ"},
                 {latin1, "\xA4\xA6\xC4", "¤¦Ä"},
                 {cp1252, "\x81", "\u0081"}, // undefined: control character
                 {latin1, "\x80", "\u0080"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.page.ToUtf8(c.bytes), c.utf8) << c.page.Name() << " " << c.utf8;
        EXPECT_EQ(c.page.FromUtf8(c.utf8), c.bytes) << c.page.Name() << " " << c.utf8;
    }
    EXPECT_EQ(latin1.FromUtf8("€ und Š"), "? und ?");
    EXPECT_EQ(latin9.FromUtf8("¤"), "?");
}

TEST(Text, CodePageNamesAsInstallationsWriteThem) {
    for (const char* name : {"Windows-1252", "cp1252", "WIN1252", "windows 1252"})
        EXPECT_EQ(CodePage::Find(name), &CodePage::Windows1252()) << name;
    EXPECT_EQ(CodePage::Find("ISO-8859-1")->Name(), "ISO-8859-1");
    EXPECT_EQ(CodePage::Find("Latin-9")->Name(), "ISO-8859-15");
    for (const char* name : {"", "UTF-8", "ISO-8859-2", "1252"})
        EXPECT_EQ(CodePage::Find(name), nullptr) << name;
}

// Each malformed sequence is rejected and skipped by one byte, so a walk never stalls and
// never swallows the valid character after a broken one.
TEST(Text, MalformedUtf8IsOneInvalidByteAtATime) {
    const struct {
        const char* text;
        std::vector<char32_t> codePoints;
    } cases[] = {
        {"a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", {'a', 0xE4, 0x20AC, 0x1F600}},
        {"\xC3", {kInvalidCodePoint}},                                               // cut short
        {"\xC3(", {kInvalidCodePoint, '('}},                                         // no continuation
        {"\x80z", {kInvalidCodePoint, 'z'}},                                         // lone continuation
        {"\xC0\xAF", {kInvalidCodePoint, kInvalidCodePoint}},                        // overlong
        {"\xED\xA0\x80", {kInvalidCodePoint, kInvalidCodePoint, kInvalidCodePoint}}, // surrogate
        {"\xF5\x80", {kInvalidCodePoint, kInvalidCodePoint}},                        // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        std::vector<char32_t> seen;
        for (std::size_t pos = 0; pos < text.size();) seen.push_back(NextCodePoint(text, pos));
        EXPECT_EQ(seen, c.codePoints) << testing::PrintToString(text);
    }
}

TEST(Text, FirstCharactersNeverSplitsACharacter) {
    EXPECT_EQ(FirstCharacters("Türen ölen", 3), "Tür");
    EXPECT_EQ(FirstCharacters("€€€", 2), "€€");
    EXPECT_EQ(FirstCharacters("ab", 5), "ab");
}

TEST(Text, CaseFoldingIsAsciiOnly) {
    EXPECT_EQ(UpperAscii("Firmenstamm ä"), "FIRMENSTAMM ä");
    EXPECT_TRUE(EqualsAsciiNoCase("Connection1", "CONNECTION1"));
    EXPECT_FALSE(EqualsAsciiNoCase("ä", "Ä"));
    EXPECT_EQ(FindAsciiNoCase("/daten/$mitarbeiter/x", "$MITARBEITER"), 7u);
    EXPECT_EQ(Trim(" \tA B\r\n"), "A B");
    EXPECT_EQ(Trim("  x  ", "x"), "  x  ");
}

} // namespace
} // namespace sollist::text
