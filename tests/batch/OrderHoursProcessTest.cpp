// The built program run as a process over a small business database: its exact output,
// exit status and what it stored, also when the database fails in the middle of the run.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::batch {
namespace {

using namespace testdata;
using test::DbMode;
using test::TestDatabase;

// Runs the program from a private folder against an embedded database.
test::ProgramResult RunOn(const TestDatabase& db) {
    test::ProgramFolder folder;
    folder.WriteConnection(db.Database());
    return folder.Run();
}

TEST(OrderHoursProcess, RunStoresTargetAndActualHoursOfTheOpenOrders) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Surcharge(10) + Order("A1") + Target("A1", 1, "MONT", 4) +
            Target("A1", 2, "ZUSCHN", 10) + Booking("A1", "2024-05-02", 7, 10, "MONT") +
            Booking("A1", "2024-05-03", 13, 17.5, "REGIE") + Order("A2", "CURRENT_DATE - 10") +
            Target("A2", 1, "MONT", 2) + Order("A3", "CURRENT_DATE - 100") + Target("A3", 1, "MONT", 2));
    const test::ProgramResult run = RunOn(db);

    EXPECT_EQ(run.output,
              test::StartLine + test::ProgressLine("A1") + test::ProgressLine("A2") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing),
              "A1/MONT/MON/2.200/3.000 A1/REGIE/REG/0.000/4.500 A1/ZUSCHN/ZUS/1.100/0.000 "
              "A2/MONT/MON/1.100/0.000");
    EXPECT_EQ(db.QueryValue(AuftragListing), "A1/3.300/3.000/4.500/0.000/2024-05-03/REG "
                                             "A2/1.100/0.000/0.000/0.000/-/ "
                                             "A3/-/-/-/-/-/-");
}

// AUFSSTD refuses the rows of B2: the run stops there with one error line; A1 stays stored.
TEST(OrderHoursProcess, DatabaseFailureMidRunKeepsTheOrdersBeforeIt) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) +
            Booking("A1", "2024-05-02", 7, 9, "MONT") + Order("B2") + Target("B2", 1, "MONT", 2) +
            Order("C3") + Target("C3", 1, "MONT", 2) +
            "ALTER TABLE AUFSSTD ADD CONSTRAINT CK_NOT_B2 CHECK (ASOFNUMM <> 'B2');");
    const test::ProgramResult run = RunOn(db);

    const std::string before = test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2");
    ASSERT_EQ(run.output.rfind(before + "EIBCError: ", 0), 0u) << run.output;
    const std::string error = run.output.substr(before.size());
    EXPECT_NE(error.find("CK_NOT_B2"), std::string::npos) << error;
    EXPECT_EQ(error.find("Berechnung"), std::string::npos);
    EXPECT_EQ(error.find("Fertig !"), std::string::npos);
    EXPECT_EQ(error.back(), '\n');
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/2.000");
    EXPECT_EQ(db.QueryValue(AuftragListing),
              "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/-/-/-/-/-/- C3/-/-/-/-/-/-");
}

} // namespace
} // namespace sollist::batch
