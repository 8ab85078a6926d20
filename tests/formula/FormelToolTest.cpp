// Runs the built sollist-formel as a process and checks its line protocol.
#include "TextFiles.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TRun {
    int exitCode = -1;
    std::string out, err;
};

class TFormelToolTest : public testing::Test {
protected:
    fs::path dir_ = fs::temp_directory_path() / ("sollist_formel_tool_" + std::to_string(::getpid()));

    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    TRun Run(const std::string& input, const std::string& arguments = "") {
        std::ofstream(dir_ / "in", std::ios::binary) << input;
        const std::string command = std::string("'") + SOLLIST_FORMEL_TOOL + "' " + arguments + " <'" +
                                    (dir_ / "in").string() + "' >'" + (dir_ / "out").string() + "' 2>'" +
                                    (dir_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, sollist::test::ReadFileText(dir_ / "out"),
                sollist::test::ReadFileText(dir_ / "err")};
    }
};

TEST_F(TFormelToolTest, WritesOneLinePerFormula) {
    const TRun run = Run("2*3\nIF(1<2;10;20)\n2*-3\nCOT(0)\n\n0.5\n1,5*2-5\r\n1/3\nB*H\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "6\n10\nEParseErr: Syntaxfehler !\nEZeroDivide: Gleitkommadivision durch Null bei COT\n"
              "0\n0.5\n-2\n0.3333333333333333\nEParseErr: Unzulässige Variable: B\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(TFormelToolTest, UsesVariablesAndTablesFromTheCommandLine) {
    const TRun run = Run("B*H\nTABG(B/30;7)\nTABK(B/30;7.9)\nTABG(1;3)\nA1",
                         "--var B=600 --var H=-2.5 --var A1=1e3 --tab '7=16;19;22;25;28'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "-1500\n22\n19\nEParseErr: Kein Tabelleneintrag 3\n1000\n");
}

TEST_F(TFormelToolTest, LexicalErrorsStayValidUtf8) {
    const TRun run = Run("2+ä\n2+\xFF\n");
    EXPECT_EQ(run.out, "EParseErr: Lexikalischer Fehler: ä\nEParseErr: Lexikalischer Fehler: \xEF\xBF\xBD\n");
}

TEST_F(TFormelToolTest, HelpPrintsUsage) {
    const TRun run = Run("", "--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Usage: sollist-formel"), std::string::npos);
}

TEST_F(TFormelToolTest, MalformedOptionsExitWithStatus2) {
    for (const char* arguments :
         {"--var", "--var B", "--var B=x", "--var b=1", "--var B=1.5x", "--var B=inf", "--var B=nan",
          "--tab 7", "--tab 'x=1;2'", "--tab 99999999999=1", "--frobnicate"}) {
        const TRun run = Run("1\n", arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("sollist-formel: "), std::string::npos) << arguments;
    }
}

} // namespace
