// The built program run as a process: console lines, the carriage return of the connection
// failure line, and exit statuses.
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace sollist {
namespace {

namespace fs = std::filesystem;

const std::string StartLine = "Verbindung zur Datenbank wird aufgebaut!\n";

struct RunResult {
    std::string output;   // standard output only
    int exitCode = -1;
};

// A private folder with a copy of the program, its firmen.ini and the per-user config.
class EntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("sollist_entry_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
        fs::copy_file(fs::path(test::BinaryDir()) / "sollist", dir_ / "sollist");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteFile(const fs::path& path, const std::string& content) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    void WriteConnection(int number, const std::string& database, const std::string& server) {
        settings_ += "[CONNECTION" + std::to_string(number) + "]\nDataBase=" + database + "\nServer=" + server + "\n";
        WriteFile(dir_ / "firmen.ini", settings_);
    }
    void WriteRegistry(const std::string& content) {
        WriteFile(dir_ / "config" / "Tarvex" / "R7" / "registry.ini", content);
    }

    RunResult Run(const std::string& password = "") {
        const std::string d = dir_.string();
        std::string command = "cd '" + d + "' && env -u ISC_PASSWORD HOME='" + d + "' XDG_CONFIG_HOME='" + d +
                              "/config' TEMP='" + d + "'";
        if (!password.empty()) command += " ISC_PASSWORD='" + password + "'";
        command += " ./sollist";
        RunResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    fs::path dir_;
    std::string settings_;
};

TEST_F(EntryTest, WithoutSettingsFileTheConnectionFailsWithExitStatus1) {
    const RunResult run = Run();
    EXPECT_EQ(run.exitCode, 1);
    const std::string failure = "Kann keine Serververbindung herstellen. ()\r";
    ASSERT_EQ(run.output.rfind(StartLine + failure, 0), 0u) << run.output;
    const std::string message = run.output.substr(StartLine.size() + failure.size());
    EXPECT_GT(message.size(), 1u);
    EXPECT_EQ(message.back(), '\n');
    EXPECT_EQ(message.find('\r'), std::string::npos);
}

TEST_F(EntryTest, EmbeddedRunOnAnEmptyBusinessDatabasePrintsStartAndEnd) {
    test::TestDatabase db(test::DbMode::Embedded);
    // The registry selects connection 2; connection 1 would fail.
    WriteConnection(1, (dir_ / "missing.fdb").string(), "");
    WriteConnection(2, db.Database(), "");
    WriteRegistry("[R7]\nConnectionNr=2\n");
    const RunResult run = Run();
    EXPECT_EQ(run.output, StartLine + "Fertig !\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(EntryTest, ErrorBeforeConnectingIsOneLineWithExitStatus0) {
    WriteRegistry("[R7]\nConnectionNr=zwei\n");
    const RunResult run = Run();
    EXPECT_EQ(run.output, "ERegistryException: Ungültiger Datentyp für 'ConnectionNr'\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(EntryTest, DatabaseErrorDuringTheRunIsOneLineWithoutFertig) {
    test::TestDatabase db(test::DbMode::Embedded, /*loadSchema=*/false);
    WriteConnection(1, db.Database(), "");
    const RunResult run = Run();
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.output.rfind(StartLine + "EIBCError: ", 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("Fertig !"), std::string::npos);
    EXPECT_EQ(run.output.back(), '\n');
}

std::string ServerPassword() {
    const char* password = std::getenv("ISC_PASSWORD");
    return password != nullptr && password[0] != '\0' ? password : "tarvex";
}

TEST_F(EntryTest, ServerRunUsesThePasswordFromTheEnvironment) {
    test::TestDatabase db(test::DbMode::Server);
    WriteConnection(1, db.Database(), db.Server());
    const RunResult run = Run(ServerPassword());
    EXPECT_EQ(run.output, StartLine + "Fertig !\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(EntryTest, ServerRefusingTheLoginIsAConnectionFailure) {
    test::TestDatabase db(test::DbMode::Server);
    WriteConnection(1, db.Database(), db.Server());
    const RunResult run = Run("wrong-" + ServerPassword());
    EXPECT_EQ(run.exitCode, 1);
    const std::string failure = "Kann keine Serververbindung herstellen. (" + db.Database() + ")\r";
    EXPECT_EQ(run.output.rfind(StartLine + failure, 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("tarvex"), std::string::npos) << "the password never shows";
}

} // namespace
} // namespace sollist
