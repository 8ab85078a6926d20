#include "batch/BLXExport.h"

#include "common/Errors.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace sollist::batch {
namespace {

using test::TestDatabase;

// Two production activities timed per piece and a time-and-material activity whose cost
// centre differs from the production one.
const char* const kMasterData = R"(
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('MON', 1);
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('ZUS', 1);
INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('REG', 1);
INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('1', 8.1);
INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('KM', 'KM', 1.2);
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('MONT', 'Montage', 'MONT', 0, 0, 30, 'P', 0, 'MON', 'STK');
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('ZUSCHN', 'Zuschnitt', 'ZUSCHN', 0, 0, 6, 'P', 0, 'ZUS', 'STK');
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ)
    VALUES ('REGIE', 'Regie', 'REGIE', 0, 0, 60, 'R', 0, 'REG', 'STK');
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2000-01-01', 1.0);
)";

// An order with one position; closing is an SQL date expression or NULL.
std::string Order(const std::string& ofNumm, const std::string& closing = "NULL") {
    return "INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ASABGESCHL, ASMONTZULG) VALUES ('" + ofNumm +
           "', 'N" + ofNumm + "', " + closing + ", 'KM');"
           "INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST) VALUES ('" + ofNumm +
           "', '1', 1, '1');";
}

// Target pieces of an activity on the order's position (MONT: 30 min, ZUSCHN: 6 min each).
std::string Target(const std::string& ofNumm, int lfd, const std::string& activity, double pieces) {
    return "INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, PTMGMULT, PTERSCHW, "
           "PTBEZEICH) VALUES ('" + ofNumm + "', '1', " + std::to_string(lfd) + ", '" + activity +
           "', " + std::to_string(pieces) + ", 0, 1, 'x');";
}

std::string Booking(const std::string& ofNumm, const std::string& day, double from, double to,
                    const std::string& activity) {
    return "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) "
           "VALUES ('ANNA', '" + day + "', " + std::to_string(from) + ", " + std::to_string(to) +
           ", '" + ofNumm + "', '" + activity + "');";
}

class BLXExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.Connection();   // the module's data objects use the default connection
        db.Exec(kMasterData);
    }

    double Number(const std::string& sql) {
        const std::string value = db.QueryValue(sql);
        EXPECT_FALSE(value.empty()) << sql;
        return value.empty() ? -1 : std::stod(value);
    }
    double AufsStd(const std::string& ofNumm, const std::string& rmTat, const std::string& column) {
        return Number("SELECT " + column + " FROM AUFSSTD WHERE ASOFNUMM = '" + ofNumm +
                      "' AND ASRMTAT = '" + rmTat + "'");
    }
    double Auftrag(const std::string& ofNumm, const std::string& column) {
        return Number("SELECT " + column + " FROM AUFTRAG WHERE AOFNUMM = '" + ofNumm + "'");
    }
    std::string RunAll() {
        testing::internal::CaptureStdout();
        Tdm_BLXExport module;
        module.CalcSollIst();
        return testing::internal::GetCapturedStdout();
    }

    TestDatabase db;
};

TEST_F(BLXExportTest, SurchargeOf15PercentWeightsEveryTargetHour) {
    db.Exec("INSERT INTO INIFILE (SECTION, NAME, WERT) VALUES ('FIRMENSTAMM', 'VERTZUSCHL', '15');" +
            Order("A1") + Target("A1", 1, "MONT", 4) + Target("A1", 2, "ZUSCHN", 10));
    RunAll();
    EXPECT_NEAR(AufsStd("A1", "MONT", "ASSOLLSTD"), 2.3, 1e-9);     // 4 x 30 min = 2 h
    EXPECT_NEAR(AufsStd("A1", "ZUSCHN", "ASSOLLSTD"), 1.15, 1e-9);  // 10 x 6 min = 1 h
    EXPECT_NEAR(Auftrag("A1", "ASSOLLSTND"), 1.15 * 3, 1e-9);
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKONUMM) FROM AUFSSTD WHERE ASRMTAT = 'ZUSCHN'"), "ZUS");
}

TEST_F(BLXExportTest, SurchargeSettingIsReadOnceAtCreation) {
    EXPECT_DOUBLE_EQ(Tdm_BLXExport().VertZuschl, 1.0);   // no setting
    db.Exec("INSERT INTO INIFILE (SECTION, NAME, WERT) VALUES ('FIRMENSTAMM', 'VERTZUSCHL', '-20')");
    EXPECT_DOUBLE_EQ(Tdm_BLXExport().VertZuschl, 0.8);
    db.Exec("UPDATE INIFILE SET WERT = '15 %'");
    try {
        Tdm_BLXExport module;
        ADD_FAILURE() << "a surcharge that is no integer must stop the run";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.kind(), "EConvertError");
    }
}

// Open: no closing date, or closed less than 60 days ago. One progress line per open order.
TEST_F(BLXExportTest, SelectsOrdersClosedWithinTheLast60Days) {
    db.Exec(Order("NOCLOSE") + Order("D59", "CURRENT_DATE - 59") + Order("D60", "CURRENT_DATE - 60") +
            Order("D61", "CURRENT_DATE - 61") + Order("FUTURE", "CURRENT_DATE + 5"));
    std::istringstream output(RunAll());
    std::set<std::string> lines;
    for (std::string line; std::getline(output, line);) lines.insert(line);
    EXPECT_EQ(lines, (std::set<std::string>{"Berechnung für Offert NOCLOSE läuft..",
                                            "Berechnung für Offert D59 läuft..",
                                            "Berechnung für Offert FUTURE läuft.."}));
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE ASSOLLSTND IS NOT NULL"), "3");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM IN ('D60', 'D61') "
                            "AND ASSOLLSTND IS NULL"), "2");
}

TEST_F(BLXExportTest, OrderWithoutAnythingGetsZeroTotals) {
    db.Exec(Order("A1") + "UPDATE AUFTRAG SET ASSOLLSTND = 9, ASISTSTND = 9, AOFFSTND = 9, "
                          "ASREGSTND = 9, ASKOLETZT = 'OLD', ASISTBIS = '2020-01-01';");
    RunAll();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "0");
    for (const char* column : {"ASSOLLSTND", "ASISTSTND", "AOFFSTND", "ASREGSTND"})
        EXPECT_EQ(Auftrag("A1", column), 0) << column;
    EXPECT_EQ(db.QueryValue("SELECT TRIM(COALESCE(ASKOLETZT, '')) FROM AUFTRAG"), "");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE ASISTBIS IS NULL"), "1");
}

// Both orders book MONT, so finding the row to merge into must match the order as well.
TEST_F(BLXExportTest, ActualHoursMergeIntoTheOrdersRowsOrAddRowsOfTheirOwn) {
    db.Exec(Order("A1") + Target("A1", 1, "MONT", 4) + Target("A1", 2, "ZUSCHN", 10) +
            Booking("A1", "2024-05-02", 7, 10, "MONT") + Booking("A1", "2024-05-03", 13, 17.5, "REGIE") +
            Order("A2") + Target("A2", 1, "MONT", 2) + Booking("A2", "2024-06-01", 7, 8, "MONT"));
    RunAll();
    EXPECT_DOUBLE_EQ(AufsStd("A1", "MONT", "ASSOLLSTD"), 2);
    EXPECT_DOUBLE_EQ(AufsStd("A1", "MONT", "ASISTSTD"), 3);
    EXPECT_DOUBLE_EQ(AufsStd("A1", "ZUSCHN", "ASISTSTD"), 0);     // target without actual hours
    EXPECT_DOUBLE_EQ(AufsStd("A1", "REGIE", "ASSOLLSTD"), 0);     // actual hours without target
    EXPECT_DOUBLE_EQ(AufsStd("A1", "REGIE", "ASISTSTD"), 4.5);
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKONUMM) FROM AUFSSTD WHERE ASOFNUMM = 'A1' AND ASRMTAT = 'REGIE'"),
              "REG");
    EXPECT_DOUBLE_EQ(AufsStd("A2", "MONT", "ASSOLLSTD"), 1);
    EXPECT_DOUBLE_EQ(AufsStd("A2", "MONT", "ASISTSTD"), 1);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "4");

    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASISTSTND"), 3);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASREGSTND"), 4.5);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "AOFFSTND"), 0);
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKOLETZT) FROM AUFTRAG WHERE AOFNUMM = 'A1'"), "REG");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM = 'A1' AND ASISTBIS = '2024-05-03'"),
              "1");
    EXPECT_DOUBLE_EQ(Auftrag("A2", "ASISTSTND"), 1);
}

TEST_F(BLXExportTest, RunWithoutOpenOrdersEmptiesTheHoursTable) {
    db.Exec(Order("OLD", "CURRENT_DATE - 100") +
            "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('OLD', 'MONT', 'MON', 1, 1);");
    EXPECT_EQ(RunAll(), "");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "0");
}

TEST_F(BLXExportTest, SingleOrderRecalculationWritesOnlyTheOrderTotals) {
    db.Exec(Order("A1", "CURRENT_DATE - 300") + Target("A1", 1, "MONT", 4) +
            Booking("A1", "2024-05-02", 7, 10, "MONT") +
            "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('B9', 'X', 'X', 1, 1);");
    testing::internal::CaptureStdout();
    Tdm_BLXExport module;
    module.CalcSollIst("A1");
    module.CalcSollIst("MISSING");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASSOLLSTND"), 2);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASISTSTND"), 3);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "1");
}

} // namespace
} // namespace sollist::batch
