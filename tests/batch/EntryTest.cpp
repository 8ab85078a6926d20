// The built program run as a process: the runs that get through, and a database error during
// the run. The faults before the first order, connection failures among them, are in
// FaultConnectionTest.cpp.
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist {
namespace {

// A private program folder; connections written so far stay in firmen.ini.
class EntryTest : public ::testing::Test {
protected:
    void WriteConnection(int number, const std::string& database, const std::string& server) {
        settings_ += test::ConnectionSection(number, database, server);
        folder_.WriteSettings(settings_);
    }
    void WriteRegistry(const std::string& content) { folder_.WriteRegistry(content); }

    test::ProgramResult Run(const std::string& password = "") {
        test::RunOptions options;
        if (!password.empty())
            options.env.emplace_back("ISC_PASSWORD", password);
        return folder_.Run(options);
    }

    test::ProgramFolder folder_;
    std::string settings_;
};

TEST_F(EntryTest, EmbeddedRunOnAnEmptyBusinessDatabasePrintsStartAndEnd) {
    test::TestDatabase db(test::DbMode::Embedded);
    // The registry selects connection 2; connection 1 would fail.
    WriteConnection(1, (folder_.Dir() / "missing.fdb").string(), "");
    WriteConnection(2, db.Database(), "");
    WriteRegistry("[R7]\nConnectionNr=2\n");
    const test::ProgramResult run = Run();
    EXPECT_EQ(run.output, test::StartLine + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
}

TEST_F(EntryTest, DatabaseErrorDuringTheRunIsOneLineWithoutFertig) {
    test::TestDatabase db(test::DbMode::Embedded, /*loadSchema=*/false);
    WriteConnection(1, db.Database(), "");
    const test::ProgramResult run = Run();
    EXPECT_EQ(run.exitStatus, 2);
    ASSERT_EQ(run.output.rfind(test::StartLine + "EIBCError: ", 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("Fertig !"), std::string::npos);
    EXPECT_EQ(run.output.back(), '\n');
}

TEST_F(EntryTest, ServerRunUsesThePasswordFromTheEnvironment) {
    test::TestDatabase db(test::DbMode::Server);
    WriteConnection(1, db.Database(), db.Server());
    const test::ProgramResult run = Run(test::ServerPassword());
    EXPECT_EQ(run.output, test::StartLine + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
}

} // namespace
} // namespace sollist
