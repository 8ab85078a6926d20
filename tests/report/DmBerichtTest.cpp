// The report's data module on a real database, embedded and through the server: which orders
// count as open, their stored totals and rows, the activities' names, and a selection.
#include "report/DmBericht.h"

#include "db/Value.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::report {
namespace {

using test::DbMode;
using test::DbModeName;
using test::TestDatabase;

// O1 open, O2 closed 10 days ago (still open for the run) and never calculated, O3 closed
// 100 days ago with rows left from an earlier run. XX is no activity.
constexpr const char* kData = R"(
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('MONT', 'Montage', 'MONT', 'P', 'MON', 'STK');
INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ABEZEICH, ASMONTZULG, ASSOLLSTND, ASISTSTND, ASREGSTND, AOFFSTND, ASISTBIS)
    VALUES ('O1', 'N1', 'Küche', 'KM', 10.5, 8, 2, 1.25, '2026-11-30');
INSERT INTO AUFTRAG (AOFNUMM, ASABGESCHL, ASMONTZULG) VALUES ('O2', CURRENT_DATE - 10, 'KM');
INSERT INTO AUFTRAG (AOFNUMM, ASABGESCHL, ASMONTZULG, ASSOLLSTND) VALUES ('O3', CURRENT_DATE - 100, 'KM', 5);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('O1', 'MONT', 'MON', 6, 9);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('O1', 'XX', 'BUE', 4.5, 2.25);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('O3', 'MONT', 'MON', 5, 1);
)";

class DmBerichtTest : public ::testing::TestWithParam<DbMode> {
protected:
    DmBerichtTest() : db_(GetParam()) { db_.Exec(kData); }
    TReport Read(const std::vector<std::string>& selection = {}) {
        return TdmBericht(db_.Connection().IBCConnection, db::Today()).Read(selection);
    }
    TestDatabase db_;
};

TEST_P(DmBerichtTest, OpenOrdersWithTheirTotalsAndRows) {
    const TReport report = Read();
    EXPECT_FALSE(report.Selected);
    ASSERT_EQ(report.Orders.size(), 2u);

    const TOrderHours& o1 = report.Orders[0]; // +0.75 h before O2's 0
    EXPECT_EQ(o1.OfNumm, "O1");
    EXPECT_EQ(o1.ANumm, "N1");
    EXPECT_EQ(o1.Bezeichnung, "Küche");
    EXPECT_DOUBLE_EQ(o1.Soll, 10.5);
    EXPECT_DOUBLE_EQ(o1.IstProd, 8);
    EXPECT_DOUBLE_EQ(o1.IstRegie, 2);
    EXPECT_DOUBLE_EQ(o1.IstBuero, 1.25);
    EXPECT_EQ(o1.IstBis, db::EncodeDate(2026, 11, 30));
    ASSERT_EQ(o1.Activities.size(), 2u);
    EXPECT_EQ(o1.Activities[0].RmTat, "MONT");
    EXPECT_EQ(o1.Activities[0].Name, "Montage");
    EXPECT_EQ(o1.Activities[0].KoNumm, "MON");
    EXPECT_DOUBLE_EQ(o1.Activities[0].Soll, 6);
    EXPECT_DOUBLE_EQ(o1.Activities[0].Ist, 9);
    EXPECT_EQ(o1.Activities[1].RmTat, "XX");
    EXPECT_EQ(o1.Activities[1].Name, "");

    // Never calculated: no totals, no rows, no booking.
    const TOrderHours& o2 = report.Orders[1];
    EXPECT_EQ(o2.OfNumm, "O2");
    EXPECT_EQ(o2.Soll, 0);
    EXPECT_EQ(o2.Ist(), 0);
    EXPECT_EQ(o2.IstBis, 0);
    EXPECT_TRUE(o2.Activities.empty());

    // O3's rows are not summed.
    ASSERT_EQ(report.Activities.size(), 2u);
    EXPECT_EQ(report.Activities[0].RmTat, "MONT");
    EXPECT_EQ(report.Activities[0].Orders, 1);
    EXPECT_DOUBLE_EQ(report.Activities[0].Soll, 6);
}

// The day the open orders count from is the caller's: 100 days on, only the order without a
// closing date is open.
TEST_P(DmBerichtTest, OpenOrdersCountFromTheGivenDay) {
    const TReport report = TdmBericht(db_.Connection().IBCConnection, db::Today() + 100).Read({});
    ASSERT_EQ(report.Orders.size(), 1u);
    EXPECT_EQ(report.Orders[0].OfNumm, "O1");
}

TEST_P(DmBerichtTest, SelectionKeepsTheOpenOnesAndNamesTheRest) {
    const TReport report = Read({"O2", "O3", "o1", "FEHLT"});
    EXPECT_TRUE(report.Selected);
    ASSERT_EQ(report.Orders.size(), 1u);
    EXPECT_EQ(report.Orders[0].OfNumm, "O2");
    EXPECT_EQ(report.NotFound, (std::vector<std::string>{"FEHLT", "O3", "o1"}));
    EXPECT_TRUE(report.Activities.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, DmBerichtTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::report
