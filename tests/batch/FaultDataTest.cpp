// Hostile data and an unwritable error log, with the built program run as a process over an
// embedded database: the run either finishes with the right figures or ends in one line
// with the orders before the failing one stored.
#include "OrderHoursData.h"
#include "common/Text.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace testdata;
using namespace std::chrono_literals;
using test::DbMode;
using test::ProgramFolder;
using test::ProgramResult;
using test::SqlLiteral;
using test::TestDatabase;

std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    for (std::size_t begin = 0, end; (end = output.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(output.substr(begin, end - begin));
    return lines;
}

ProgramResult RunOn(const TestDatabase& db, const test::RunOptions& options = {}) {
    ProgramFolder folder;
    folder.WriteConnection(db.Database());
    return folder.Run(options);
}

test::RunOptions WithTimeout(std::chrono::seconds timeout) {
    test::RunOptions options;
    options.timeout = timeout;
    return options;
}

// A position material on position 1 of an order.
std::string PosMaterial(const std::string& ofNumm, int lfd, const std::string& material,
                        double quantity = 1) {
    return fmt::format(
        "INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, APMASOLLME, APMAMGMULT) "
        "VALUES ({}, '1', {}, {}, {}, 0);",
        SqlLiteral(ofNumm), lfd, SqlLiteral(material), quantity);
}

// A run over the orders A1, B2, C3 that fails in B2: one error line of the kind after B2's
// progress line, A1 stored whole, B2 and C3 without results.
void ExpectStoppedAtB2(const ProgramResult& run, TestDatabase& db, const std::string& kind) {
    const std::string before = test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2");
    ASSERT_TRUE(run.output.starts_with(before + kind)) << run.output;
    EXPECT_EQ(run.output.find('\n', before.size()), run.output.size() - 1) << "one error line";
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/0.000");
    EXPECT_EQ(db.QueryValue("SELECT LIST(TRIM(AOFNUMM)) FROM AUFTRAG WHERE ASSOLLSTND IS NOT NULL"), "A1");
}

// B2 holds a key-table material without key-table rows, a problem for the error log. A log
// folder the run cannot write to is found before anything changes: one line naming it and its
// cause, exit 1, the earlier rows and totals all in place.
TEST(FaultData, UnwritableErrorLogFolderStopsTheRunBeforeAnythingChanges) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + "INSERT INTO MATERIAL (MANUMM, MAARBEH) VALUES ('K', 'KM1');" +
            Order("A1") + Target("A1", 1, "MONT", 2) + Order("B2") + Target("B2", 1, "MONT", 2) +
            PosMaterial("B2", 1, "K") + Order("C3") + Target("C3", 1, "MONT", 2) +
            "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) "
            "VALUES ('A1', 'ALT', 'ZUS', 5, 5);"
            "UPDATE AUFTRAG SET ASSOLLSTND = 7;");
    ProgramFolder folder; // one folder: a second one of this test would take its place
    folder.WriteConnection(db.Database());
    folder.WriteFile("a-file", "x");
    folder.WriteFile("ro/SollBerFehler.Txt", "");
    fs::permissions(folder.Dir() / "ro" / "SollBerFehler.Txt", fs::perms::owner_read);
    const struct {
        fs::path temp;
        std::string named; // the path the line names
        const char* cause;
    } cases[] = {{folder.Dir() / "missing" / "dir", "", "No such file or directory"},
                 {folder.Dir() / "a-file", "", "Not a directory"},
                 {folder.Dir() / "ro", "SollBerFehler.Txt", "Permission denied"}};
    const std::string before = db.QueryValue(AufsStdListing);
    for (const auto& c : cases) {
        SCOPED_TRACE("TEMP=" + c.temp.string());
        if (c.named.empty() == false && ::geteuid() == 0)
            continue; // root writes a read-only file
        test::RunOptions options;
        options.env.emplace_back("TEMP", c.temp.string());
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.output, test::StartLine + "Das Fehlerprotokoll kann nicht geschrieben werden: " +
                                  (c.named.empty() ? c.temp : c.temp / c.named).string() + ": " + c.cause +
                                  " (Ordner aus TEMP); nichts berechnet.\n");
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(db.QueryValue(AufsStdListing), before);
        EXPECT_EQ(db.QueryValue(
                      "SELECT LIST(TRIM(AOFNUMM) || '=' || CAST(ASSOLLSTND AS NUMERIC(9,3))) FROM AUFTRAG"),
                  "A1=7.000,B2=7.000,C3=7.000");
    }
}

// B2's totals are refused by the database after its AufSStd rows went in: they go with them,
// nothing of B2 stays, and the run ends there with A1 stored whole. Without a trigger, B2's
// second run stores both.
TEST(FaultData, OrderWhoseTotalsAreRefusedKeepsNoneOfItsRows) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) + Order("B2") +
            Target("B2", 1, "MONT", 2) + Target("B2", 2, "ZUSCHN", 10) + Order("C3") +
            Target("C3", 1, "MONT", 2) +
            "CREATE EXCEPTION NO_TOTALS 'totals refused';"
            "SET TERM ^ ;"
            "CREATE TRIGGER AUFTRAG_REFUSE FOR AUFTRAG BEFORE UPDATE AS "
            "BEGIN IF (NEW.AOFNUMM = 'B2') THEN EXCEPTION NO_TOTALS; END^"
            "SET TERM ; ^");
    const ProgramResult run = RunOn(db);
    ExpectStoppedAtB2(run, db, "EIBCError: ");
    EXPECT_NE(run.output.find("totals refused"), std::string::npos) << run.output;

    db.Exec("DROP TRIGGER AUFTRAG_REFUSE");
    const ProgramResult again = RunOn(db);
    EXPECT_TRUE(again.output.ends_with("Fertig !\n")) << again.output;
    EXPECT_EQ(
        db.QueryValue(AufsStdListing),
        "A1/MONT/MON/1.000/0.000 B2/MONT/MON/1.000/0.000 B2/ZUSCHN/ZUS/1.000/0.000 C3/MONT/MON/1.000/0.000");
}

// B2 is deleted while the run is under way (by a trigger, as A1 is stored): B2 cannot be
// stored and is skipped with one line on the console and in the log, A1 and C3 are stored,
// and the status is 3, as for an order a user holds.
TEST(FaultData, OrderDeletedDuringTheRunIsSkippedAndTheRunGoesOn) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) + Order("B2") +
            Target("B2", 1, "MONT", 2) + Order("C3") + Target("C3", 1, "MONT", 2) +
            "SET TERM ^ ;"
            "CREATE TRIGGER B2_GOES FOR AUFSSTD AFTER INSERT AS "
            "BEGIN IF (NEW.ASOFNUMM = 'A1') THEN DELETE FROM AUFTRAG WHERE AOFNUMM = 'B2'; END^"
            "SET TERM ; ^");
    ProgramFolder folder;
    folder.WriteConnection(db.Database());
    const ProgramResult run = folder.Run();
    const std::string line =
        "Offert B2: Auftrag während der Berechnung gelöscht oder geändert, nicht gespeichert";
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2") + line +
                              "\n" + test::ProgressLine("C3") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/0.000 C3/MONT/MON/1.000/0.000");
    const std::string log = test::ReadFileText(folder.Dir() / "SollBerFehler.Txt");
    EXPECT_EQ(test::Count(log, text::Utf8ToCp1252(line) + "\r\n"), 1u) << log; // the log's code page
    EXPECT_EQ(test::Count(log, "Offert "), 1u) << log;
}

// Keys with apostrophes travel as parameters or are escaped in the wage filter: the
// employee's wage factor 2 applies to his booking.
TEST(FaultData, ApostrophesInEmployeeAndOrderNumbers) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) +
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('O''NEIL', '2000-01-01', 2.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('O', '2000-01-01', 5.0);" +
            Order("B''2") + Target("B''2", 1, "MONT", 2) +
            "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
            "VALUES ('O''NEIL', '2024-05-02', 7, 9, 'B''2', 'MONT');");
    const ProgramResult run = RunOn(db);
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("B'2") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "B'2/MONT/MON/1.000/4.000");
}

// The key and text values of one complete order: master data, position activity and
// material, an assembly with a part type (activity, material, CNC row) and a booking.
struct OrderTexts {
    std::string order, activity, reportAs, costCentre, material, employee, position, vat, surcharge, lage;
    std::string text; // long texts are cut from it to their column's width
};

// The pattern's characters repeated to the given number of characters (not bytes).
std::string FullWidth(const std::string& pattern, std::size_t characters) {
    std::vector<std::string> chars;
    for (char byte : pattern) {
        if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80)
            chars.emplace_back(); // a character starts
        chars.back() += byte;
    }
    std::string out;
    for (std::size_t i = 0; i < characters; ++i) out += chars[i % chars.size()];
    return out;
}

std::string CompleteOrder(const OrderTexts& t) {
    const auto q = [](const std::string& s) { return SqlLiteral(s); };
    const auto text = [&](std::size_t width) { return SqlLiteral(FullWidth(t.text, width)); };
    std::string sql;
    sql += fmt::format("INSERT INTO KOSTENST (KONUMM, KONAME, KOLNK) VALUES ({}, {}, 1);", q(t.costCentre),
                       text(30));
    sql += fmt::format(
        "INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, "
        "TAKONUMM, TAEINHKZ) VALUES ({}, {}, {}, 12, 30, 6, 'P', 0, {}, 'M2');",
        q(t.activity), text(20), q(t.reportAs), q(t.costCentre));
    sql += fmt::format(
        "INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, "
        "TAKONUMM, TAEINHKZ) VALUES ({0}, {1}, {0}, 0, 0, 60, 'P', 0, {2}, 'STK');",
        q(t.reportAs), text(20), q(t.costCentre));
    sql += fmt::format("INSERT INTO MATERIAL (MANUMM, MANAME, MAARBEH, MAFORTS) VALUES ({}, {}, 'M2', NULL);",
                       q(t.material), text(40));
    sql += fmt::format("INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ({}, {}, 1.5);",
                       q(t.material), q(t.activity));
    sql +=
        fmt::format("INSERT INTO TABMW (MWKENNZ, MWWERT, MWTEXT) VALUES ({}, 8.1, {});", q(t.vat), text(30));
    sql += fmt::format("INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT, ZLTEXT) VALUES ({}, 'KM', 1.2, {});",
                       q(t.surcharge), text(30));
    sql += fmt::format("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ({}, '2000-01-01', 1.5);",
                       q(t.employee));
    sql += fmt::format("INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ABEZEICH, ASMONTZULG) VALUES ({}, {}, {}, {});",
                       q(t.order), q(t.order), text(60), q(t.surcharge));
    sql += fmt::format("INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APBEZEICH, APMENGE, APMWST) "
                       "VALUES ({}, {}, {}, 2, {});",
                       q(t.order), q(t.position), text(60), q(t.vat));
    sql +=
        fmt::format("INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, PTMGMULT, PTERSCHW, "
                    "PTBEZEICH) VALUES ({}, {}, 1, {}, 3, 0, 1, {});",
                    q(t.order), q(t.position), q(t.activity), text(20));
    sql += fmt::format(
        "INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, APMASOLLME, APMAMGMULT) "
        "VALUES ({}, {}, 1, {}, 4, 0);",
        q(t.order), q(t.position), q(t.material));
    sql += fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGNAME, APBGME, APBGBREITE, "
                       "APBGHOEHE, APBGTIEFE, APBGERSCHW) VALUES ({}, {}, 1, {}, 2, 600, 720, 560, 1);",
                       q(t.order), q(t.position), text(30));
    sql += fmt::format(
        "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, APTYLAENGE, "
        "APTYBREITE, APTYDICKF, APTYEC1, APTYEC2, APTYEC3, APTYEC4, APTYDICALC, APTYERSCH, APTYNAME, "
        "APTYNAMEB, APTYTEXT) VALUES ({0}, {1}, 1, 1, 1, '2', 'H', 'T-20', '19', {2}, {2}, {2}, {2}, "
        "1, 1, {3}, {3}, {4});",
        q(t.order), q(t.position), q(FullWidth(t.text, 1)), text(30), text(2000));
    sql += fmt::format("INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, "
                       "PTTTANUMM, PTTERSCHW) VALUES ({}, {}, 1, 1, 1, {}, {}, 1);",
                       q(t.order), q(t.position), q(t.lage), q(t.activity));
    sql +=
        fmt::format("INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM, PTMLAGE) "
                    "VALUES ({}, {}, 1, 1, {}, {});",
                    q(t.order), q(t.position), q(t.material), q(t.lage));
    sql += fmt::format("INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, ACNUMM, ACVW0) "
                       "VALUES ({}, {}, 1, 1, 1, {}, '3');",
                       q(t.order), q(t.position), q(t.activity));
    sql += fmt::format("INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
                       "VALUES ({}, '2024-05-02', 7, 10.5, {}, {});",
                       q(t.employee), q(t.order), q(t.reportAs));
    return sql;
}

// The same order twice: once with plain keys, once with every text at its column's full width
// in characters and outside ASCII (umlauts, the euro sign, a four-byte emoji, quotes). Codes
// with a fixed meaning (units, activity kinds) keep their values. Both give the same figures.
TEST(FaultData, NonAsciiTextsAtFullColumnWidthGiveTheSameFigures) {
    const OrderTexts plain{"PLAIN00001",    "ACTIVITY01", "REPORT0001", "CC1",
                           "MATERIAL00001", "EMPLOYEE01", "POSITION01", "V1",
                           "SC1",           "GR",         "abc"};
    const OrderTexts wide{"Ä'ö\"ü€😀ßéΩ", "Tätigk€it1", "Rückm'😀ld1", "Ü€😀", "Mätériäl€😀'1ß", "Mitärb'😀ß1",
                          "Pös😀'tion1",  "€1",         "Zü😀",        "ÖÜ",  "ä€😀'\"ß"};
    ASSERT_EQ(FullWidth(wide.text, 7), "ä€😀'\"ßä");
    TestDatabase db(DbMode::Embedded);
    db.Exec(CompleteOrder(plain) + CompleteOrder(wide));
    const ProgramResult run = RunOn(db);
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine(plain.order) + test::ProgressLine(wide.order) +
                              "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);

    const auto figures = [&](const std::string& order) {
        return db.QueryValue("SELECT LIST(r, ' ') FROM (SELECT CAST(ASSOLLSTD AS NUMERIC(12,4)) || '/' || "
                             "CAST(ASISTSTD AS NUMERIC(12,4)) || '/' || CHAR_LENGTH(TRIM(ASRMTAT)) || '/' || "
                             "CHAR_LENGTH(TRIM(ASKONUMM)) AS r FROM AUFSSTD WHERE ASOFNUMM = " +
                             SqlLiteral(order) + " ORDER BY 1)") +
               " | " +
               db.QueryValue(
                   "SELECT CAST(ASSOLLSTND AS NUMERIC(12,4)) || '/' || CAST(ASISTSTND AS NUMERIC(12,4)) || "
                   "'/' || ASISTBIS || '/' || CHAR_LENGTH(TRIM(ASKOLETZT)) FROM AUFTRAG WHERE AOFNUMM = " +
                   SqlLiteral(order));
    };
    const std::string expected = figures(plain.order);
    EXPECT_EQ(figures(wide.order), expected);
    EXPECT_NE(expected.find("/5.2500/10/3 |"), std::string::npos) << "3.5 booked hours x 1.5: " << expected;
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKOLETZT) FROM AUFTRAG WHERE AOFNUMM = " + SqlLiteral(wide.order)),
              wide.costCentre);
}

// Deterministic junk of exactly 35 characters from pieces of the formula language and
// characters that have no place in it.
std::string Junk(std::uint32_t& seed, std::size_t characters = 35) {
    static const std::vector<std::string> pieces = {
        "(",  ")",     ";",   ",",     ".",     "+",         "-",     "*",      "/",    "^",     "E", "9",
        "0",  "1e308", "IF(", "TABG(", "TABK(", "MIN(",      "SQRT(", "LOG(",   "LN(",  "ASIN(", "X", "AB",
        "ü",  "€",     " ",   "'",     "\"",    "999999999", "0/0",   "-0",     "H",    "B",     "T", "L1",
        "D2", "Z9",    "<",   ">",     "=",     "%",         "😀",     "1E-400", "((((", "))))",  ";;"};
    std::string out;
    std::size_t count = 0;
    while (count < characters) {
        seed = seed * 1664525u + 1013904223u;
        const std::string& piece = pieces[(seed >> 8) % pieces.size()];
        std::size_t length = 0;
        for (unsigned char c : piece) length += (c & 0xC0) != 0x80;
        if (count + length > characters)
            continue;
        out += piece;
        count += length;
    }
    return out;
}

// Junk in every formula and value table of an order's part types: each formula that fails
// prints one error line and counts 0, the run finishes, and the next order is unaffected.
TEST(FaultData, JunkFormulasAndValueTablesPrintErrorLinesAndTheRunGoesOn) {
    std::uint32_t seed = 20240502;
    std::string sql = std::string(MasterData) + Order("JUNK") + Order("OK") + Target("OK", 1, "MONT", 2) +
                      "INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, APBGHOEHE, "
                      "APBGTIEFE, APBGERSCHW) VALUES ('JUNK', '1', 1, 1, 600, 720, 560, 1);";
    for (int table = 1; table <= 5; ++table)
        sql += fmt::format("INSERT INTO TABGK (TABNR, TABWERTE) VALUES ({}, {});", table,
                           SqlLiteral(Junk(seed, 80)));
    for (int lfd = 1; lfd <= 150; ++lfd) {
        std::string formulas[4];
        for (auto& formula : formulas) formula = Junk(seed);
        if (lfd % 3 == 0)
            formulas[1] = fmt::format("TABG({};{})", lfd * 7, lfd % 6); // the junk tables
        if (lfd % 3 == 1)
            formulas[2] = fmt::format("TABK({};{})", lfd, lfd % 6);
        sql +=
            fmt::format("INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, "
                        "APTYLAENGE, APTYBREITE, APTYDICKF, APTYDICALC, APTYERSCH) "
                        "VALUES ('JUNK', '1', 1, {0}, {0}, {1}, {2}, {3}, {4}, {5}, 1);"
                        "INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, "
                        "PTTTANUMM, PTTERSCHW) VALUES ('JUNK', '1', 1, {0}, 1, '', 'MONT', 1);"
                        "INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, ACNUMM, ACVW0) "
                        "VALUES ('JUNK', '1', 1, {0}, 1, 'ZUSCHN', {6});",
                        lfd, SqlLiteral(formulas[0]), SqlLiteral(formulas[1]), SqlLiteral(formulas[2]),
                        SqlLiteral(formulas[3]), 1, SqlLiteral(Junk(seed)));
    }
    TestDatabase db(DbMode::Embedded);
    db.Exec(sql);
    const ProgramResult run = RunOn(db);

    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_GE(lines.size(), 4u) << run.output;
    EXPECT_EQ(lines.front() + "\n", test::StartLine);
    EXPECT_EQ(lines[1] + "\n", test::ProgressLine("JUNK"));
    EXPECT_EQ(lines[lines.size() - 2] + "\n", test::ProgressLine("OK"));
    EXPECT_EQ(lines.back(), "Fertig !");
    for (std::size_t i = 2; i + 2 < lines.size(); ++i)
        EXPECT_TRUE(lines[i].starts_with("Fehler in Teiletyp ")) << lines[i];
    EXPECT_GT(lines.size(), 4u + 100) << "most junk formulas fail";
    EXPECT_EQ(run.exitStatus, 0);
    // Stored figures are finite, and the order after the junk gets exactly its hours.
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM = 'JUNK' AND "
                            "ASSOLLSTD BETWEEN 0 AND 1e12 AND ASISTSTD = 0"),
              db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM = 'JUNK'"));
    EXPECT_EQ(db.QueryValue(
                  "SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM = 'JUNK' AND ASSOLLSTND BETWEEN 0 AND 1e12"),
              "1");
    EXPECT_EQ(
        db.QueryValue("SELECT LIST(TRIM(ASRMTAT) || '/' || CAST(ASSOLLSTD AS NUMERIC(9,3))) FROM AUFSSTD "
                      "WHERE ASOFNUMM = 'OK'"),
        "MONT/1.000");
}

// Valid formulas whose product leaves the single-precision range of SOLLTAT's FLOAT columns
// (1e35 pieces of 1e35 mm): the database refuses the row and the run ends in one line, with
// the order before it stored and the one after it untouched.
TEST(FaultData, FiguresBeyondTheTargetTableRangeEndTheRunInOneLine) {
    const std::string huge(35, '9');
    TestDatabase db(DbMode::Embedded);
    db.Exec(
        std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) + Order("B2") + Order("C3") +
        Target("C3", 1, "MONT", 2) +
        "INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, "
        "TAEINHKZ) VALUES ('LANG', 'Lang', 'LANG', 0, 1, 0, 'P', 0, 'MON', 'M1');"
        "INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, APBGHOEHE, APBGTIEFE, "
        "APBGERSCHW) VALUES ('B2', '1', 1, 1, 600, 720, 560, 1);" +
        fmt::format(
            "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, APTYLAENGE, "
            "APTYBREITE, APTYDICKF, APTYDICALC, APTYERSCH) VALUES ('B2', '1', 1, 1, 1, '{0}', '{0}', "
            "'1', '1', 1, 1);",
            huge) +
        "INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, PTTTANUMM, "
        "PTTERSCHW) VALUES ('B2', '1', 1, 1, 1, '', 'LANG', 1);");
    const ProgramResult run = RunOn(db);
    ExpectStoppedAtB2(run, db, "EIBCError: "); // the server's code for it: LoaderTest
}

// Materials C0 -> C1 -> ... -> C999 (and the same chain closed into a ring) against a single
// material with the same activity: the chain gives 1000 times its hours, the ring as many.
TEST(FaultData, ContinuationChainOfAThousandMaterials) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + R"(
INSERT INTO MATERIAL (MANUMM, MAARBEH) VALUES ('S', 'STK');
INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ('S', 'ZUSCHN', 1);
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE i INTEGER = 0;
BEGIN
  WHILE (i < 1000) DO BEGIN
    INSERT INTO MATERIAL (MANUMM, MAARBEH, MAFORTS) VALUES ('C' || :i, 'STK', IIF(:i < 999, 'C' || (:i + 1), NULL));
    INSERT INTO MATERIAL (MANUMM, MAARBEH, MAFORTS) VALUES ('R' || :i, 'STK', 'R' || MOD(:i + 1, 1000));
    INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ('C' || :i, 'ZUSCHN', 1);
    INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ('R' || :i, 'ZUSCHN', 1);
    i = i + 1;
  END
END^
SET TERM ; ^
)" + Order("CHAIN") +
            PosMaterial("CHAIN", 1, "C0") + Order("RING") + PosMaterial("RING", 1, "R500") + Order("SINGLE") +
            PosMaterial("SINGLE", 1, "S"));
    const ProgramResult run = RunOn(db, WithTimeout(120s));
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("CHAIN") + test::ProgressLine("RING") +
                              test::ProgressLine("SINGLE") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing),
              "CHAIN/ZUSCHN/ZUS/100.000/0.000 RING/ZUSCHN/ZUS/100.000/0.000 SINGLE/ZUSCHN/ZUS/0.100/0.000");
}

// 100,000 part types in one assembly, each with one activity of 30 minutes a piece.
TEST(FaultData, OrderWithAHundredThousandPartTypes) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("BIG") + R"(
INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, APBGHOEHE, APBGTIEFE, APBGERSCHW)
    VALUES ('BIG', '1', 1, 1, 600, 720, 560, 1);
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE i INTEGER = 1;
BEGIN
  WHILE (i <= 100000) DO BEGIN
    INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, APTYLAENGE, APTYBREITE,
                         APTYDICKF, APTYDICALC, APTYERSCH)
        VALUES ('BIG', '1', 1, :i, :i, '1', 'H', 'T', '19', 1, 1);
    INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, PTTTANUMM, PTTERSCHW)
        VALUES ('BIG', '1', 1, :i, 1, '', 'MONT', 1);
    i = i + 1;
  END
END^
SET TERM ; ^
)");
    const ProgramResult run = RunOn(db, WithTimeout(300s));
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("BIG") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "BIG/MONT/MON/50000.000/0.000");
}

} // namespace
} // namespace sollist::batch
