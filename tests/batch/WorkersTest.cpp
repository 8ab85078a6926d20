// The nightly run on several workers (--jobs): console, error log and stored figures equal
// to a run on one connection, embedded and through the server, also when an order fails in
// the middle of the run.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/StoredFigures.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace testdata;
using test::DbMode;
using test::ProgramFolder;
using test::ProgramResult;
using test::TestDatabase;

// An assembly of the order with part types whose formulas read its dimensions; bad formulas
// print an error line each and count 0.
std::string PartTypes(const std::string& ofNumm, int count, const std::string& badFormula = "") {
    std::string sql =
        fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, "
                    "APBGHOEHE, APBGTIEFE, APBGERSCHW) VALUES ('{}', '1', 1, 1, 600, 720, 560, 1);",
                    ofNumm);
    for (int lfd = 1; lfd <= count; ++lfd)
        sql +=
            fmt::format("INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, "
                        "APTYLAENGE, APTYBREITE, APTYDICKF, APTYDICALC, APTYERSCH) "
                        "VALUES ('{0}', '1', 1, {1}, {1}, '2', 'H-{1}', '{2}', '19', 1, 1);"
                        "INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, "
                        "PTTTANUMM, PTTERSCHW) VALUES ('{0}', '1', 1, {1}, 1, '', 'ZUSCHN', 1);",
                        ofNumm, lfd, lfd % 7 == 3 && !badFormula.empty() ? badFormula : "B-2*19");
    return sql;
}

// A position material of key-table unit that no key table resolves: a line in the error log.
const char* const KeyTableMaterial = "INSERT INTO MATERIAL (MANUMM, MAARBEH) VALUES ('OHNE-KT', 'KM1');";
std::string KeyTableProblem(const std::string& ofNumm) {
    return "INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, APMASOLLME, APMAMGMULT) "
           "VALUES ('" +
           ofNumm + "', '1', 1, 'OHNE-KT', 2, 0);";
}

// The demo data, then a large order (its workers finish after the ones behind it) and small
// orders with formula error lines and error-log lines between plain ones.
std::string DemoAndMore() {
    std::string sql = test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql");
    sql += KeyTableMaterial + Order("GROSS") + PartTypes("GROSS", 300);
    sql += Order("F1") + PartTypes("F1", 10, "B/0+(") + Target("F1", 1, "MONT", 2);
    sql += Order("S1") + Target("S1", 1, "MONT", 1);
    sql += Order("L1") + KeyTableProblem("L1") + Target("L1", 1, "ZUSCHN", 3);
    sql += Order("F2") + PartTypes("F2", 8, "TABG(99;1)") + KeyTableProblem("F2");
    sql += Order("S2") + Target("S2", 1, "ZUSCHN", 1);
    return sql;
}

// The error log with the date and time of each problem line blanked: lines of one run and of
// the next differ in them only.
std::string LogWithoutTimes(const std::string& log) {
    static const std::regex stamp(R"((^|\n)\d\d\.\d\d\.\d{4} \d\d:\d\d )");
    return std::regex_replace(log, stamp, "$1dd.mm.yyyy hh:mm ");
}

struct RunSeen {
    ProgramResult run;
    std::string log;
    std::string stored;
};

// A nightly run with --jobs, on totals cleared before it.
RunSeen RunWithJobs(TestDatabase& db, const std::string& jobs) {
    db.Exec("UPDATE AUFTRAG SET ASSOLLSTND = NULL, ASISTSTND = NULL, ASREGSTND = NULL, AOFFSTND = NULL, "
            "ASISTBIS = NULL, ASKOLETZT = NULL;");
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    test::RunOptions options;
    options.args = {"--jobs", jobs};
    if (db.Mode() == DbMode::Server)
        options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
    RunSeen seen{folder.Run(options), "", ""};
    const fs::path log = folder.Dir() / "SollBerFehler.Txt"; // a run that ends early leaves none
    seen.log = fs::exists(log) ? LogWithoutTimes(test::ReadFileText(log)) : "";
    seen.stored = test::StoredFigures(db.Connection().IBCConnection);
    db.Connection().IBCConnection.Close(); // the embedded engine lets one process open the file
    return seen;
}

void ExpectSameAsOneWorker(const RunSeen& one, const RunSeen& seen) {
    EXPECT_EQ(seen.run.exitStatus, one.run.exitStatus);
    EXPECT_EQ(seen.run.output, one.run.output);
    EXPECT_EQ(seen.log, one.log);
    EXPECT_EQ(seen.stored, one.stored);
}

class Workers : public testing::TestWithParam<DbMode> {};

TEST_P(Workers, DemoDataGiveTheSameConsoleLogAndFiguresOnOneTwoAndFourWorkers) {
    TestDatabase db(GetParam());
    db.Exec(DemoAndMore());
    const RunSeen one = RunWithJobs(db, "1");
    ASSERT_EQ(one.run.exitStatus, 0) << one.run.output;
    // What the comparison covers: formula error lines between progress lines, log lines of
    // several orders, and the figures of every open order.
    EXPECT_NE(one.run.output.find("Fehler"), std::string::npos) << one.run.output;
    EXPECT_GE(std::count(one.log.begin(), one.log.end(), '\n'), 4) << one.log << one.run.output;
    EXPECT_NE(one.stored.find("GROSS/ZUSCHN/"), std::string::npos) << one.stored;
    for (const char* jobs : {"2", "4"}) {
        SCOPED_TRACE(jobs);
        ExpectSameAsOneWorker(one, RunWithJobs(db, jobs));
    }
}

INSTANTIATE_TEST_SUITE_P(, Workers, testing::Values(DbMode::Embedded, DbMode::Server), test::DbModeName);

// K07's totals are refused after its AufSStd rows were written. On four workers, as on one:
// the orders before it stored whole, K07 and every order after it without rows or totals
// (those running beside it rolled back), one error line after K07's progress line, status 2.
TEST(WorkersFault, OrderFailingMidRunOnFourWorkersEndsTheRunAsOnOne) {
    TestDatabase db(DbMode::Embedded);
    std::string sql = MasterData;
    for (int i = 1; i <= 14; ++i) {
        const std::string ofNumm = fmt::format("K{:02}", i);
        sql += Order(ofNumm) + Target(ofNumm, 1, "MONT", i) + Target(ofNumm, 2, "ZUSCHN", 2) +
               Booking(ofNumm, "2024-05-02", 7, 7 + 0.25 * i, "MONT") +
               (i % 4 == 0 ? PartTypes(ofNumm, 60) : "");
    }
    db.Exec(sql +
            "ALTER TABLE AUFTRAG ADD CONSTRAINT CK_K07 CHECK (AOFNUMM <> 'K07' OR ASSOLLSTND IS NULL);");

    const RunSeen one = RunWithJobs(db, "1");
    const RunSeen four = RunWithJobs(db, "4");
    ExpectSameAsOneWorker(one, four);

    const std::string output = four.run.output;
    const std::string beforeError = output.substr(0, output.rfind('\n', output.size() - 2) + 1);
    EXPECT_TRUE(beforeError.ends_with(test::ProgressLine("K07"))) << output;
    EXPECT_TRUE(output.substr(beforeError.size()).starts_with("EIBCError: ")) << output;
    EXPECT_NE(output.find("CK_K07"), std::string::npos) << output;
    EXPECT_EQ(four.run.exitStatus, 2);
    EXPECT_EQ(db.QueryValue("SELECT LIST(DISTINCT TRIM(ASOFNUMM)) FROM AUFSSTD"), "K01,K02,K03,K04,K05,K06");
    EXPECT_EQ(db.QueryValue("SELECT LIST(TRIM(AOFNUMM)) FROM (SELECT AOFNUMM FROM AUFTRAG "
                            "WHERE ASSOLLSTND IS NOT NULL ORDER BY AOFNUMM)"),
              "K01,K02,K03,K04,K05,K06");
}

} // namespace
} // namespace sollist::batch
