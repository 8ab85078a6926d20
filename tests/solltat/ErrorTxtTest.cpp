// The calculation error log: file layout, program-name column, place of the file, code page
// and a file that cannot be written.
#include "solltat/ErrorTxt.h"

#include "SolltatTestData.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace sollist::solltat {
namespace {

using test::ScratchTemp;

const std::string Header = "DATUM      ZEIT  PROGRAMMNAME FEHLERMELDUNG               ";
const std::string Separator = "========== ===== ============ ============================";

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

// "dd.mm.yyyy hh:mm " at the start of a problem line ('9' stands for any digit).
bool StartsWithDateAndTime(const std::string& line) {
    const std::string shape = "99.99.9999 99:99 ";
    if (line.size() < shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i])
            return false;
    return true;
}

void WriteOnce(const ScratchTemp& temp, const std::string& prog, const std::string& text) {
    TErrorTxt log(temp.Dir());
    log.Open(prog);
    log.Write(text);
}

TEST(ErrorTxt, NewFileHasHeaderSeparatorAndProblemLine) {
    ScratchTemp temp;
    WriteOnce(temp, "SollTat", "Offert: A1 Material: K1 Keytabelle nicht gefunden");

    const auto lines = CrLfLines(temp.Log());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Header);
    EXPECT_EQ(lines[1], Separator);
    EXPECT_TRUE(StartsWithDateAndTime(lines[2])) << lines[2];
    EXPECT_EQ(lines[2].substr(17), "SollTat      Offert: A1 Material: K1 Keytabelle nicht gefunden");
}

TEST(ErrorTxt, ExistingFileGainsOneLineAndNoSecondHeader) {
    ScratchTemp temp;
    WriteOnce(temp, "SollTat", "erste");
    WriteOnce(temp, "SollTat", "zweite");

    const auto lines = CrLfLines(temp.Log());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], Separator);
    EXPECT_TRUE(lines[2].ends_with(" erste"));
    EXPECT_TRUE(lines[3].ends_with(" zweite"));
}

TEST(ErrorTxt, ProgramNameFillsTwelveCharactersAndMessageStaysWhole) {
    const std::string longMessage(60, 'x');
    const struct {
        std::string prog, column;
    } cases[] = {{"SollTat", "SollTat     "}, {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKL"}, {"", "            "}};
    for (const auto& c : cases) {
        ScratchTemp temp;
        WriteOnce(temp, c.prog, longMessage);
        const auto lines = CrLfLines(temp.Log());
        ASSERT_EQ(lines.size(), 3u);
        // date (10), blank, time (5), blank: the program column starts at 17.
        EXPECT_EQ(lines[2].substr(17, 12), c.column) << c.prog;
        EXPECT_EQ(lines[2].substr(29), " " + longMessage) << c.prog;
    }
}

TEST(ErrorTxt, FileLiesInTheGivenFolder) {
    const struct {
        std::string folder, expected;
    } cases[] = {{"/var/x/", "/var/x/SollBerFehler.Txt"},
                 {"/var/x", "/var/x/SollBerFehler.Txt"},
                 {"", "/SollBerFehler.Txt"}};
    for (const auto& c : cases) {
        TErrorTxt log(c.folder);
        EXPECT_EQ(log.GetName(), "");
        log.Open("SollTat");
        EXPECT_EQ(log.GetName(), c.expected);
    }
}

// The conversion itself is tested with the text helpers.
TEST(ErrorTxt, TextIsStoredInWindows1252) {
    ScratchTemp temp;
    WriteOnce(temp, "SollTat", "Offert: A1 Element: 3 Material für Dickenberechnung fehlt");
    EXPECT_TRUE(temp.Log().ends_with("Material f\xFCr Dickenberechnung fehlt\r\n"));
}

TEST(ErrorTxt, UnwritableFileRaisesInOutErrorWithSystemText) {
    ScratchTemp temp;
    TErrorTxt log(temp.Dir() / "fehlt");
    log.Open("SollTat");
    try {
        log.Write("x");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.kind(), "EInOutError");
        EXPECT_EQ(std::string(e.what()), std::strerror(ENOENT));
    }
}

} // namespace
} // namespace sollist::solltat
