// The built program over the same order in databases of the three character sets that
// installations have: UTF8 and WIN1252 columns (the server converts), and NONE, whose texts are
// Windows-1252 bytes that the program converts itself. Keys, names, a memo text and a formula
// hold non-ASCII letters; console output, stored rows and error log must equal the UTF8 run.
#include "../solltat/TeileTypTestSupport.h"
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace sollist::batch {
namespace {

using test::DbCharset;
using test::DbMode;
using test::TestDatabase;
using namespace test::teiletyp;

// Order MÖBEL-1, one position of 1 piece:
// - position materials: KÜCHE-KT (key table, found through GETKEYTAB: 2 x BESCHLÄG, which needs
//   MONTAGE), SCHRÄNK-KT (key table without a row: an error log line), PLATTE-Ö 1.5 M2, which
//   needs FRÄSEN (10 min per M2);
// - position activity MONTAGE (30 min a piece) 2 pieces, described "Türen ölen";
// - assembly 600 x 720 x 560; part type 1 (2 x 720 x 560 x 19 of PLATTE-Ö, memo text with
//   umlauts), part type 2 whose length formula "Ä*2" is a lexical error (a console line);
// - bookings of ANNA (office, BÜRO) and JÜRG (FRÄSEN, wage factor 1.5).
// Each part type has one material row, so the rows' order (which follows the record layout
// where ORDER BY leaves ties) cannot change a figure between the character sets.
std::string OrderData() {
    const std::string of = "MÖBEL-1";
    std::string sql =
        test::BaseData() + test::Order({.nr = of}) + test::Position({.order = of, .pos = "1"}) +
        test::CostCentre("BÜR", 1) +
        test::Activity({.nr = "FRÄSEN",
                        .name = "Fräsen und Ölen",
                        .unit = "M2",
                        .koNumm = "BÜR",
                        .varEh = 10,
                        .art = "P"}) +
        test::Activity({.nr = "MONTAGE", .name = "Montage", .varSt = 30, .art = "P"}) +
        test::Activity({.nr = "BÜRO", .name = "Büroarbeit", .koNumm = "BÜR", .art = "O"}) +
        test::Material("PLATTE-Ö", "M2") + test::MatActivity("PLATTE-Ö", "FRÄSEN") +
        test::Material("BESCHLÄG", "STK") + test::MatActivity("BESCHLÄG", "MONTAGE") +
        test::Material("KÜCHE-KT", "KM2") + test::KeyTab("KÜCHE-KT", 1, "BESCHLÄG", 2) +
        test::Material("SCHRÄNK-KT", "KM2") +
        test::PosMat({.order = of, .pos = "1", .lfnr = 1, .mat = "KÜCHE-KT", .sollMe = 1}) +
        test::PosMat({.order = of, .pos = "1", .lfnr = 2, .mat = "SCHRÄNK-KT", .sollMe = 1}) +
        test::PosMat({.order = of, .pos = "1", .lfnr = 3, .mat = "PLATTE-Ö", .sollMe = 1.5}) +
        test::PosTat({.order = of, .pos = "1", .tat = "MONTAGE", .sollMe = 2, .bezeich = "Türen ölen"}) +
        Assembly("1", 1, 1, 1, 600, 720, 560, of) +
        PartTypeRow({.lfd = 1, .nr = 1, .M = "2", .L = "H", .B = "T", .D = "19", .of = of}) +
        TyMat("1", 1, 1, "PLATTE-Ö", "GR", 1, 0, 0, 19, of) +
        PartTypeRow({.lfd = 2, .nr = 2, .M = "1", .L = "Ä*2", .B = "100", .D = "19", .of = of}) +
        TyMat("1", 1, 2, "PLATTE-Ö", "GR", 1, 0, 0, 19, of);
    sql += "UPDATE POS_TYP SET APTYTEXT = 'Rückwand: Türen ölen, weiß' WHERE APTYLFD = 1;"
           "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2000-01-01', 1);"
           "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('JÜRG', '2000-01-01', 1.5);"
           "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
           "VALUES ('ANNA', '2024-05-02', 13, 15, 'MÖBEL-1', 'BÜRO');"
           "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
           "VALUES ('JÜRG', '2024-05-03', 7, 10, 'MÖBEL-1', 'FRÄSEN');";
    return sql;
}

// What a run leaves behind; the error log without the date and time of its lines.
struct Outcome {
    std::string output;
    int exitStatus = -1;
    std::string aufsStd, auftrag, log;
};

std::string LogWithoutTimes(const std::string& log) {
    std::istringstream lines(log);
    std::string line, out;
    for (int n = 0; std::getline(lines, line); ++n) out += (n < 2 ? line : line.substr(17)) + "\n";
    return out;
}

Outcome RunOn(DbCharset charset, std::string* octetLengths = nullptr) {
    TestDatabase db(DbMode::Embedded, true, charset);
    db.Exec(OrderData());
    test::ProgramFolder folder;
    folder.WriteConnection(db.Database());
    const test::ProgramResult run = folder.Run();
    if (octetLengths)
        *octetLengths = db.QueryValue("SELECT LIST(OCTET_LENGTH(TRIM(ASRMTAT)) || '/' || "
                                      "OCTET_LENGTH(TRIM(ASKONUMM)), ' ') FROM (SELECT * FROM AUFSSTD "
                                      "ORDER BY ASRMTAT)");
    return {run.output, run.exitStatus, db.QueryValue(testdata::AufsStdListing),
            db.QueryValue(testdata::AuftragListing),
            LogWithoutTimes(test::ReadFileBytes(folder.Dir() / "SollBerFehler.Txt"))};
}

TEST(CharsetProcess, Win1252AndNoneDatabasesRunAsUtf8) {
    const Outcome utf8 = RunOn(DbCharset::Utf8);
    // FRÄSEN: (1.5 (position) + 2 x 0.72 x 0.56 (part type 1)) M2 x 10 min = 0.384 h; MONTAGE
    // (2 (position) + 2 (key table)) x 30 min = 2 h. JÜRG 3 h x 1.5, ANNA 2 h.
    EXPECT_EQ(utf8.output, test::StartLine + test::ProgressLine("MÖBEL-1") +
                               "Fehler in Teiletyp 2 (Off.:MÖBEL-1 Pos.:1): Lexikalischer Fehler: Ä\n"
                               "Fertig !\n");
    EXPECT_EQ(utf8.exitStatus, 0);
    EXPECT_EQ(utf8.aufsStd, "MÖBEL-1/BÜRO/BÜR/0.000/2.000 MÖBEL-1/FRÄSEN/BÜR/0.384/4.500 "
                            "MÖBEL-1/MONTAGE/100/2.000/0.000");
    EXPECT_EQ(utf8.log, "DATUM      ZEIT  PROGRAMMNAME FEHLERMELDUNG               \r\n"
                        "========== ===== ============ ============================\r\n"
                        "SollTat      Offert: M\xD6"
                        "BEL-1 Material: SCHR\xC4NK-KT Keytabelle nicht gefunden\r\n");

    for (DbCharset charset : {DbCharset::Win1252, DbCharset::None}) {
        SCOPED_TRACE(test::CharsetName(charset));
        std::string octetLengths;
        const Outcome other = RunOn(charset, &octetLengths);
        EXPECT_EQ(other.output, utf8.output);
        EXPECT_EQ(other.exitStatus, utf8.exitStatus);
        EXPECT_EQ(other.aufsStd, utf8.aufsStd);
        EXPECT_EQ(other.auftrag, utf8.auftrag);
        EXPECT_EQ(other.log, utf8.log);
        // One byte per letter: written in the database's own encoding, not as UTF-8.
        EXPECT_EQ(octetLengths, "4/3 6/3 7/3");
    }
}

} // namespace
} // namespace sollist::batch
