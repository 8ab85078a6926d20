#include "batch/BLXExport.h"

#include "OrderHoursData.h"
#include "common/Errors.h"
#include "common/Text.h"
#include "db/Connection.h"
#include "db/StatementObserver.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace sollist::batch {
namespace {

using test::TestDatabase;

using namespace testdata;

class BLXExportTest : public ::testing::Test {
protected:
    void SetUp() override { db.Exec(MasterData); }

    double Number(const std::string& sql) {
        const std::string value = db.QueryValue(sql);
        EXPECT_FALSE(value.empty()) << sql;
        return value.empty() ? -1 : std::stod(value);
    }
    double AufsStd(const std::string& ofNumm, const std::string& rmTat, const std::string& column) {
        return Number("SELECT " + column + " FROM AUFSSTD WHERE ASOFNUMM = '" + ofNumm + "' AND ASRMTAT = '" +
                      rmTat + "'");
    }
    double Auftrag(const std::string& ofNumm, const std::string& column) {
        return Number("SELECT " + column + " FROM AUFTRAG WHERE AOFNUMM = '" + ofNumm + "'");
    }
    std::string RunAll() {
        Tdm_BLXExport module(db.Context());
        module.CalcSollIst();
        return db.TakeConsoleText();
    }

    TestDatabase db;
};

TEST_F(BLXExportTest, SurchargeOf15PercentWeightsEveryTargetHour) {
    db.Exec(Surcharge(15) + Order("A1") + Target("A1", 1, "MONT", 4) + Target("A1", 2, "ZUSCHN", 10));
    RunAll();
    EXPECT_NEAR(AufsStd("A1", "MONT", "ASSOLLSTD"), 2.3, 1e-9);    // 4 x 30 min = 2 h
    EXPECT_NEAR(AufsStd("A1", "ZUSCHN", "ASSOLLSTD"), 1.15, 1e-9); // 10 x 6 min = 1 h
    EXPECT_NEAR(Auftrag("A1", "ASSOLLSTND"), 1.15 * 3, 1e-9);
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKONUMM) FROM AUFSSTD WHERE ASRMTAT = 'ZUSCHN'"), "ZUS");
}

TEST_F(BLXExportTest, SurchargeSettingIsReadOnceAtCreation) {
    EXPECT_DOUBLE_EQ(Tdm_BLXExport(db.Context()).SollStunden.VertZuschl, 1.0); // no setting
    db.Exec(Surcharge(-20));
    EXPECT_DOUBLE_EQ(Tdm_BLXExport(db.Context()).SollStunden.VertZuschl, 0.8);
    db.Exec("UPDATE INIFILE SET WERT = '15 %'");
    try {
        Tdm_BLXExport module(db.Context());
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
                            "AND ASSOLLSTND IS NULL"),
              "2");
}

// The run's today is the context's: 100 days on, only the order without a closing date is open.
TEST_F(BLXExportTest, OpenOrdersCountFromTheContextsToday) {
    db.Exec(Order("NOCLOSE") + Order("D59", "CURRENT_DATE - 59") + Order("FUTURE", "CURRENT_DATE + 5"));
    TRunContext later = db.Context();
    later.Today += 100;
    Tdm_BLXExport(later).CalcSollIst();
    EXPECT_EQ(db.TakeConsoleText(), "Berechnung für Offert NOCLOSE läuft..\n");
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
    EXPECT_EQ(db.QueryValue(AufsStdListing),
              "A1/MONT/MON/2.000/3.000 "   // target and actual hours in one row
              "A1/REGIE/REG/0.000/4.500 "  // actual hours without target, own cost centre
              "A1/ZUSCHN/ZUS/1.000/0.000 " // target without actual hours
              "A2/MONT/MON/1.000/1.000");

    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASISTSTND"), 3);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASREGSTND"), 4.5);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "AOFFSTND"), 0);
    EXPECT_EQ(db.QueryValue("SELECT TRIM(ASKOLETZT) FROM AUFTRAG WHERE AOFNUMM = 'A1'"), "REG");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM = 'A1' AND ASISTBIS = '2024-05-03'"),
              "1");
    EXPECT_DOUBLE_EQ(Auftrag("A2", "ASISTSTND"), 1);
}

TEST_F(BLXExportTest, RunWithoutOpenOrdersEmptiesTheHoursTable) {
    db.Exec(
        Order("OLD", "CURRENT_DATE - 100") +
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('OLD', 'MONT', 'MON', 1, 1);");
    EXPECT_EQ(RunAll(), "");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "0");
}

TEST_F(BLXExportTest, SingleOrderRecalculationWritesOnlyTheOrderTotals) {
    db.Exec(
        Order("A1", "CURRENT_DATE - 300") + Target("A1", 1, "MONT", 4) +
        Booking("A1", "2024-05-02", 7, 10, "MONT") +
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('B9', 'X', 'X', 1, 1);");
    Tdm_BLXExport module(db.Context());
    module.CalcSollIst("A1");
    module.CalcSollIst("MISSING");
    EXPECT_EQ(db.TakeConsoleText(), "");
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASSOLLSTND"), 2);
    EXPECT_DOUBLE_EQ(Auftrag("A1", "ASISTSTND"), 3);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD"), "1");
}

// Three open orders and what the run before stored for them: old rows of B2 and C3, totals of 7
// everywhere, and a row of OLD, an order no longer open.
std::string ThreeOrdersAfterLastNight() {
    return Order("A1") + Target("A1", 1, "MONT", 2) + Order("B2") + Target("B2", 1, "MONT", 4) + Order("C3") +
           Target("C3", 1, "ZUSCHN", 10) + Order("OLD", "CURRENT_DATE - 100") +
           "UPDATE AUFTRAG SET ASSOLLSTND = 7;"
           "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('B2', 'ALT', 'MON', 5, 5);"
           "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('C3', 'ALT', 'ZUS', 5, 5);"
           "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('OLD', 'ALT', 'MON', 5, 5);";
}

// The test database's context with console lines handed to onLine as well.
TRunContext Watched(TestDatabase& db, const std::atomic<bool>* stop,
                    const std::function<void(const std::string&)>& onLine) {
    const TRunContext& context = db.Context();
    return TRunContext{.Connection = context.Connection,
                       .Console =
                           [&context, onLine](const std::string& line) {
                               context.Print(line);
                               onLine(line);
                           },
                       .ErrorLogDir = context.ErrorLogDir,
                       .Today = context.Today,
                       .StopRequest = stop};
}

// A run that stops after B2 changed B2 and A1 alone: C3 keeps last night's rows and totals, and
// the row of the order no longer open goes only when a run finishes.
TEST_F(BLXExportTest, RunStoppedPartWayLeavesTheRestWithLastNightsRowsAndTotals) {
    db.Exec(ThreeOrdersAfterLastNight());
    std::atomic<bool> stop = false;
    bool stopped = false; // once
    const TRunContext context = Watched(db, &stop, [&](const std::string& line) {
        if (line == "Berechnung für Offert B2 läuft.." && !stopped)
            stop = stopped = true; // while B2 is calculated: B2 is finished, C3 not begun
    });
    Tdm_BLXExport module(context);
    EXPECT_THROW(module.CalcSollIst(), ERunStopped);
    EXPECT_EQ(
        db.QueryValue(AufsStdListing),
        "A1/MONT/MON/1.000/0.000 B2/MONT/MON/2.000/0.000 C3/ALT/ZUS/5.000/5.000 OLD/ALT/MON/5.000/5.000");
    EXPECT_EQ(db.QueryValue("SELECT LIST(TRIM(AOFNUMM) || '=' || CAST(ASSOLLSTND AS NUMERIC(9,3)), ' ') FROM "
                            "(SELECT * FROM AUFTRAG ORDER BY AOFNUMM)"),
              "A1=1.000 B2=2.000 C3=7.000 OLD=7.000");

    stop = false;
    module.CalcSollIst();
    EXPECT_EQ(db.QueryValue(AufsStdListing),
              "A1/MONT/MON/1.000/0.000 B2/MONT/MON/2.000/0.000 C3/ZUSCHN/ZUS/1.000/0.000");
}

// An order deleted by a user while the run is under way cannot be stored: it is skipped with a
// line in the log and on the console, the others are stored, and its rows go with the order.
TEST_F(BLXExportTest, OrderDeletedUnderTheRunIsSkippedAndTheOthersStored) {
    db.Exec(ThreeOrdersAfterLastNight());
    const TRunContext context = Watched(db, nullptr, [&](const std::string& line) {
        if (line == "Berechnung für Offert B2 läuft..")
            db.Exec("DELETE FROM AUFTRAG WHERE AOFNUMM = 'B2'");
    });
    Tdm_BLXExport module(context);
    module.CalcSollIst();
    const std::string line =
        "Offert B2: Auftrag während der Berechnung gelöscht oder geändert, nicht gespeichert";
    EXPECT_EQ(db.TakeConsoleText(), "Berechnung für Offert A1 läuft..\nBerechnung für Offert B2 läuft..\n" +
                                        line + "\nBerechnung für Offert C3 läuft..\n");
    EXPECT_EQ(module.SkippedOrders, std::vector<std::string>{"B2"});
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/0.000 C3/ZUSCHN/ZUS/1.000/0.000");
    std::ifstream log(db.ErrorLogFile());
    const std::string logText((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(logText.find(text::Utf8ToCp1252(line)), std::string::npos) << logText;
}

// Each order's inputs are read in one view of the database: a booking a user adds while the
// order is calculated (after its target hours were read, before its bookings are) counts in
// none of its figures; the next run counts it.
class BookingAddedMidOrder : public db::StatementObserver {
public:
    explicit BookingAddedMidOrder(TestDatabase& db) : db_(db) {}
    void Executed(const std::string& sql, Kind, Firebird::IMessageMetadata*, const unsigned char*) override {
        if (!done_ && sql.find("from Zeiterfa") != std::string::npos) {
            done_ = true;
            db_.Exec(Booking("A1", "2024-05-03", 13, 17, "MONT"));
        }
    }
    void Ended(bool, bool) override {}

private:
    TestDatabase& db_;
    bool done_ = false;
};

TEST_F(BLXExportTest, InputsChangedWhileAnOrderIsCalculatedCountFromTheNextRun) {
    db.Exec(Order("A1") + Target("A1", 1, "MONT", 2) + Booking("A1", "2024-05-02", 7, 10, "MONT"));
    BookingAddedMidOrder observer(db);
    db::TIBCConnection& connection = db.Context().Connection;
    connection.SetStatementObserver(&observer);
    RunAll();
    connection.SetStatementObserver(nullptr);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/3.000");
    EXPECT_EQ(db.QueryValue("SELECT CAST(ASISTSTND AS NUMERIC(9,3)) || ' ' || ASISTBIS FROM AUFTRAG"),
              "3.000 2024-05-02");

    RunAll();
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/7.000");
}

// The same run with the database reached through the server on localhost.
TEST(BLXExportServerTest, RunThroughTheServerStoresTheSameHours) {
    TestDatabase db(test::DbMode::Server);
    db.Exec(std::string(MasterData) + Surcharge(10) + Order("A1") + Target("A1", 1, "MONT", 4) +
            Booking("A1", "2024-05-02", 7, 10, "MONT") + Booking("A1", "2024-05-03", 13, 17.5, "REGIE"));
    Tdm_BLXExport(db.Context()).CalcSollIst();
    EXPECT_EQ(db.TakeConsoleText(), "Berechnung für Offert A1 läuft..\n");
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/2.200/3.000 A1/REGIE/REG/0.000/4.500");
    EXPECT_EQ(db.QueryValue(AuftragListing), "A1/2.200/3.000/4.500/0.000/2024-05-03/REG");
}

} // namespace
} // namespace sollist::batch
