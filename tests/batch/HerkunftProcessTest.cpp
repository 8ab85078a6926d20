// sollist --order OFFERT --herkunft run as a process on the demo data, embedded and through
// the server: the explanation as a table, nothing stored, the run's error log left alone.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using test::DbMode;
using test::DbModeName;
using test::ProgramFolder;
using test::ProgramResult;
using test::RunOptions;
using test::TestDatabase;

class HerkunftProcess : public ::testing::TestWithParam<DbMode> {
protected:
    ProgramResult Run(std::vector<std::string> args) {
        RunOptions options;
        options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
        options.args = std::move(args);
        return folder_.Run(options);
    }

    ProgramFolder folder_;
};

TEST_P(HerkunftProcess, ExplainsTheOrderAsATableAndStoresNothing) {
    TestDatabase db(GetParam());
    db.Exec(test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql"));
    // A key-table material without a key-table row on the kitchen: a data problem for the log.
    db.Exec("INSERT INTO MATERIAL (MANUMM, MANAME, MAARBEH) VALUES ('KT-LEER', 'ohne Keytabelle', 'KM1');"
            "INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, APMASOLLME, APMAMGMULT) "
            "VALUES ('24001', '3', 2, 'KT-LEER', 1, 0);");
    folder_.WriteConnection(db.Database(), db.Server());
    ASSERT_EQ(Run({}).exitStatus, 0);
    const std::string log = test::ReadFileText(folder_.Dir() / "SollBerFehler.Txt");
    ASSERT_NE(log.find("Offert: 24001 Material: KT-LEER Keytabelle nicht gefunden"), std::string::npos);
    const std::string stored = db.QueryValue(testdata::AufsStdListing);
    const std::string totals = db.QueryValue(testdata::AuftragListing);

    const ProgramResult run = Run({"--order", "24001", "--herkunft"});
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_TRUE(run.output.starts_with(test::StartLine +
                                       "Offert 24001 (Kueche Familie Meier): Herkunft der "
                                       "Sollstunden, 19,63 h ohne Zuschlag, 21,59 h mit "
                                       "Zuschlag 10 %\n"
                                       "Meldung der Berechnung: Offert: 24001 Material: KT-LEER "
                                       "Keytabelle nicht gefunden\n"))
        << run.output;
    EXPECT_TRUE(run.output.ends_with("Fertig !\n"));
    EXPECT_NE(
        run.output.find(
            "\nMONTBAU Montage Baustelle, Kostenstelle MON: 8,00 h ohne Zuschlag, 8,80 h mit Zuschlag (1 Satz)\n"
            "      Herkunft              Tätigkeit                 Menge  Einheit  Stück  min/Einheit  "
            "min/Stück  Fixzeit min  Stunden\n"
            "  Position 4 Montage und Planung\n"
            "      Positionstätigkeit 1  MONTBAU Kueche montieren  8,000  STK      8,000         0,00      "
            "60,00         0,00     8,00\n"),
        std::string::npos)
        << run.output;
    // Two materials of a position asking for one activity, each with its share.
    EXPECT_NE(run.output.find(
                  "      2 Quellen:                                         BESCHL Beschlaege montieren  "
                  "12,000  STK      12,000         0,00       4,00         0,00     0,80\n"
                  "        Positionsmaterial 1: TOPFBAND Topfband 110 Grad                                "
                  "6,000            6,000\n"
                  "        Positionsmaterial 2: AUSZUG Vollauszug 500 mm                                  "
                  "6,000            6,000\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(db.QueryValue(testdata::AufsStdListing), stored);
    EXPECT_EQ(db.QueryValue(testdata::AuftragListing), totals);
    EXPECT_EQ(test::ReadFileText(folder_.Dir() / "SollBerFehler.Txt"), log) << "an explanation is no run";

    const ProgramResult unknown = Run({"--herkunft", "--order", "99999"});
    EXPECT_EQ(unknown.exitStatus, 3);
    EXPECT_EQ(unknown.output, test::StartLine + "Offert 99999 gibt es nicht; nichts berechnet.\nFertig !\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, HerkunftProcess, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::batch
