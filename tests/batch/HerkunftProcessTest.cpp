// sollist --order OFFERT --herkunft run as a process on the demo data, embedded and through
// the server: the explanation as a table, nothing stored, the run's error log left alone.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

// Order numbers as --order takes them: a trailing blank cut (the database compares without it),
// a number longer than an order number can be, or no UTF-8, is no order; the others are
// explained. Texts of the database reach the terminal without their control characters.
TEST_P(HerkunftProcess, BadOrderNumbersAreNoOrdersAndControlCharactersAreShown) {
    TestDatabase db(GetParam());
    db.Exec(test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql"));
    db.Exec("UPDATE AUFTRAG SET ABEZEICH = 'Kueche' || ASCII_CHAR(27) || '[2J' || ASCII_CHAR(7) || "
            "ASCII_CHAR(10) || 'Meier' WHERE AOFNUMM = '24001'");
    folder_.WriteConnection(db.Database(), db.Server());

    const ProgramResult run = Run({"--order", "24001 ", "--order", "'; delete from auftrag; --", "--order",
                                   "A\xff", "--order", "24001", "--order", "24002", "--herkunft"});
    EXPECT_EQ(run.exitStatus, 3) << run.output;
    EXPECT_TRUE(run.output.starts_with(test::StartLine + "Offert 24001 (Kueche␛[2J␇␊Meier): Herkunft der "))
        << run.output;
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
    EXPECT_EQ(run.output.find('\a'), std::string::npos);
    EXPECT_EQ(test::Count(run.output, "Offert 24001 ("), 1u)
        << "the trailing blank's number is the same order";
    EXPECT_NE(run.output.find("\nOffert '; delete from auftrag; -- gibt es nicht; nichts berechnet.\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\nOffert A\xff gibt es nicht; nichts berechnet.\n"), std::string::npos);
    EXPECT_NE(run.output.find("\nOffert 24002 ("), std::string::npos) << "explained after the bad numbers";
    EXPECT_TRUE(run.output.ends_with("Fertig !\n"));
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG"), "4");

    // The run takes the number with the trailing blank as the same order.
    const ProgramResult order = Run({"--order", "24002 "});
    EXPECT_EQ(order.exitStatus, 0) << order.output;
    EXPECT_EQ(order.output.find("gibt es nicht"), std::string::npos) << order.output;
}

// A database with only the columns an installation must have: the explanation shows the keys
// without their texts, with the same figures.
TEST_P(HerkunftProcess, ExplainsOnADatabaseWithOnlyTheReliedOnColumns) {
    TestDatabase db(GetParam());
    db.Exec(test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql"));
    db.KeepOnlyReliedOnColumns();
    folder_.WriteConnection(db.Database(), db.Server());
    ASSERT_EQ(Run({}).exitStatus, 0);

    const ProgramResult run = Run({"--order", "24001", "--herkunft"});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(run.output.starts_with(
        test::StartLine + "Offert 24001: Herkunft der Sollstunden, 19,63 h ohne Zuschlag, 21,59 h "
                          "mit Zuschlag 10 %\n"))
        << run.output;
    EXPECT_NE(run.output.find("\n  Position 4\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Positionsmaterial 1: TOPFBAND "), std::string::npos);
    EXPECT_TRUE(run.output.ends_with("Fertig !\n"));
}

INSTANTIATE_TEST_SUITE_P(Modes, HerkunftProcess, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

// A read-only database: the explanation cannot keep its records in SOLLTAT and says so.
TEST(HerkunftReadOnly, SaysWhyItCannotRun) {
    TestDatabase db;
    db.Exec(test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql"));
    ASSERT_EQ(std::system(("gfix -mode read_only " + db.Database()).c_str()), 0);
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    RunOptions options;
    options.args = {"--order", "24001", "--herkunft"};
    const ProgramResult run = folder.Run(options);
    EXPECT_EQ(std::system(("gfix -mode read_write " + db.Database()).c_str()), 0);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.output,
              test::StartLine +
                  "EDatabaseError: Die Datenbank ist schreibgeschützt: die Herkunft der Sollstunden "
                  "rechnet wie der Lauf mit der Tabelle SOLLTAT (Zeilen nur dieser Verbindung) und "
                  "kann hier nicht berechnet werden.\n");
}

} // namespace
} // namespace sollist::batch
