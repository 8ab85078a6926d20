// The built program run as a process over a small business database: its exact output,
// exit status and what it stored, also when the database fails in the middle of the run.
#include "OrderHoursData.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace testdata;
using test::DbMode;
using test::TestDatabase;

struct ProcessResult {
    std::string output;
    int exitStatus = -1;
};

// Runs the program from a private folder holding a copy of it and a firmen.ini for an
// embedded database; HOME, XDG_CONFIG_HOME and TEMP point into the folder.
class ProgramFolder {
public:
    ProgramFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("sollist_run_" + std::to_string(::getpid()) + "_" + test->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(fs::path(test::BinaryDir()) / "sollist", dir_ / "sollist");
    }
    ~ProgramFolder() { fs::remove_all(dir_); }

    ProcessResult Run(const std::string& database) const {
        std::ofstream(dir_ / "firmen.ini") << "[CONNECTION1]\nDataBase=" << database << "\nServer=\n";
        const std::string program = (dir_ / "sollist").string();
        std::vector<std::string> env = {"HOME=" + dir_.string(), "XDG_CONFIG_HOME=" + dir_.string(),
                                        "TEMP=" + dir_.string()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_CONFIG_HOME=", 0) != 0 &&
                entry.rfind("TEMP=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<char*> envp;
        for (auto& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);

        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);

        ProcessResult result;
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
        ::close(pipeFds[0]);
        int status = 0;
        if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.exitStatus = WEXITSTATUS(status);
        return result;
    }

private:
    fs::path dir_;
};

const std::string StartLine = "Verbindung zur Datenbank wird aufgebaut!\n";

std::string Progress(const std::string& ofNumm) { return "Berechnung für Offert " + ofNumm + " läuft..\n"; }

TEST(OrderHoursProcess, RunStoresTargetAndActualHoursOfTheOpenOrders) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Surcharge(10) +
            Order("A1") + Target("A1", 1, "MONT", 4) + Target("A1", 2, "ZUSCHN", 10) +
            Booking("A1", "2024-05-02", 7, 10, "MONT") + Booking("A1", "2024-05-03", 13, 17.5, "REGIE") +
            Order("A2", "CURRENT_DATE - 10") + Target("A2", 1, "MONT", 2) +
            Order("A3", "CURRENT_DATE - 100") + Target("A3", 1, "MONT", 2));
    const ProcessResult run = ProgramFolder().Run(db.Database());

    EXPECT_EQ(run.output, StartLine + Progress("A1") + Progress("A2") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing),
              "A1/MONT/MON/2.200/3.000 A1/REGIE/REG/0.000/4.500 A1/ZUSCHN/ZUS/1.100/0.000 "
              "A2/MONT/MON/1.100/0.000");
    EXPECT_EQ(db.QueryValue(AuftragListing),
              "A1/3.300/3.000/4.500/0.000/2024-05-03/REG "
              "A2/1.100/0.000/0.000/0.000/-/ "
              "A3/-/-/-/-/-/-");
}

// AUFSSTD refuses the rows of B2: the run stops there with one error line; A1 stays stored.
TEST(OrderHoursProcess, DatabaseFailureMidRunKeepsTheOrdersBeforeIt) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) +
            Order("A1") + Target("A1", 1, "MONT", 2) + Booking("A1", "2024-05-02", 7, 9, "MONT") +
            Order("B2") + Target("B2", 1, "MONT", 2) +
            Order("C3") + Target("C3", 1, "MONT", 2) +
            "ALTER TABLE AUFSSTD ADD CONSTRAINT CK_NOT_B2 CHECK (ASOFNUMM <> 'B2');");
    const ProcessResult run = ProgramFolder().Run(db.Database());

    const std::string before = StartLine + Progress("A1") + Progress("B2");
    ASSERT_EQ(run.output.rfind(before + "EIBCError: ", 0), 0u) << run.output;
    const std::string error = run.output.substr(before.size());
    EXPECT_NE(error.find("CK_NOT_B2"), std::string::npos) << error;
    EXPECT_EQ(error.find("Berechnung"), std::string::npos);
    EXPECT_EQ(error.find("Fertig !"), std::string::npos);
    EXPECT_EQ(error.back(), '\n');
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/2.000");
    EXPECT_EQ(db.QueryValue(AuftragListing),
              "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/-/-/-/-/-/- C3/-/-/-/-/-/-");
}

} // namespace
} // namespace sollist::batch
