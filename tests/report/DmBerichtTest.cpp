// The report's data module on a real database, embedded and through the server: which orders
// count as open, their stored totals and rows, the activities' names, a selection, and the
// course of each order from its time records with the day it passed its target.
#include "report/DmBericht.h"

#include "db/Value.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

    const TOrderHours& o1 = report.Orders[1]; // -1,25 h without its 2 h of Regie, after O2's 0
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
    const TOrderHours& o2 = report.Orders[0];
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

// Courses known by hand. ANNA's wage factor goes from 1.0 to 1.5 on 4 March. V1 passes its
// 9.2 h on 4 March only through that factor (9 h unweighted; its 2 h of time and material count
// not against the target); V2 is over its target from its
// first booking; V3 has no target; V4 passes, a correction (end before start) takes it back
// under, and it passes again. The stored totals are the run's.
constexpr const char* kCourses = R"(
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('REGIE', 'Regie', 'REGIE', 'R', 'MON', 'STK');
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('BUERO', 'Büro', 'BUERO', 'O', 'BUE', 'STK');
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2026-01-01', 1.0);
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2026-03-04', 1.5);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND, ASREGSTND, AOFFSTND) VALUES ('V1', 'KM', 9.2, 8, 2, 1.5);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND) VALUES ('V2', 'KM', 2, 4.5);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND) VALUES ('V3', 'KM', 0, 5);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND) VALUES ('V4', 'KM', 5, 7);
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-02', 7, 11, 'V1', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-03', 7, 11, 'V1', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-03', 11, 13, 'V1', 'REGIE');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-04', 7, 8, 'V1', 'BUERO');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-02', 7, 10, 'V2', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-05', 7, 8, 'V2', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-02', 7, 12, 'V3', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-02', 7, 13, 'V4', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-03', 9, 7, 'V4', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', '2026-03-05', 7, 9, 'V4', 'MONT');
)";

TEST_P(DmBerichtTest, CoursesAndTheDayOfPassingTheTarget) {
    db_.Exec(kCourses);
    const TReport report = Read({"V1", "V2", "V3", "V4"});
    ASSERT_EQ(report.Orders.size(), 4u);
    std::map<std::string, const TOrderHours*> orders;
    for (const TOrderHours& order : report.Orders) orders[order.OfNumm] = &order;
    const auto march = [](int day) { return db::EncodeDate(2026, 3, day); };

    struct Expected {
        const char* ofNumm;
        std::vector<std::pair<double, double>> daysAndSums;
        double overSince;
    };
    const Expected expected[] = {
        {"V1", {{march(2), 4}, {march(3), 8}, {march(4), 9.5}}, march(4)},
        {"V2", {{march(2), 3}, {march(5), 4.5}}, march(2)},
        {"V3", {{march(2), 5}}, 0},
        {"V4", {{march(2), 6}, {march(3), 4}, {march(5), 7}}, march(5)},
    };
    for (const Expected& e : expected) {
        const TOrderHours& order = *orders.at(e.ofNumm);
        ASSERT_EQ(order.Course.size(), e.daysAndSums.size()) << e.ofNumm;
        for (std::size_t i = 0; i < e.daysAndSums.size(); ++i) {
            EXPECT_EQ(order.Course[i].Day, e.daysAndSums[i].first) << e.ofNumm << " day " << i;
            EXPECT_NEAR(order.Course[i].SumOhneRegie, e.daysAndSums[i].second, 1e-12)
                << e.ofNumm << " day " << i;
        }
        EXPECT_EQ(order.OverSince, e.overSince) << e.ofNumm;
        EXPECT_NEAR(order.Course.back().Sum, order.Ist(), 1e-12) << e.ofNumm << ": as the run stored it";
        EXPECT_NEAR(order.Course.back().SumOhneRegie, order.Gezaehlt(), 1e-12) << e.ofNumm;
    }
    // V1's kinds day by day; the office hour of 4 March with the factor of that day.
    const std::vector<TBookingDay>& v1 = orders.at("V1")->Course;
    EXPECT_DOUBLE_EQ(v1[0].Prod, 4);
    EXPECT_DOUBLE_EQ(v1[1].Prod, 4);
    EXPECT_DOUBLE_EQ(v1[1].Regie, 2);
    EXPECT_DOUBLE_EQ(v1[2].Buero, 1.5);
    EXPECT_EQ(v1[2].Prod + v1[2].Regie, 0);
}

// What the stored figures do not say by themselves. R1 is a repair of time and material only; P1
// has 9 of its 10 target hours and 5 h of time and material; C1 was closed 10 days ago; S1 has
// totals but no activity rows (a run skipped it); W1 has 2 h of an employee without a wage row
// beside ANNA's hour, which passes its activity's 0,5 h on its day.
constexpr const char* kTruths = R"(
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('REGIE', 'Regie', 'REGIE', 'R', 'MON', 'STK');
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2020-01-01', 1.0);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND, ASREGSTND) VALUES ('R1', 'KM', 0, 0, 3.85);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('R1', 'REGIE', 'MON', 0, 3.85);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND, ASREGSTND) VALUES ('P1', 'KM', 10, 9, 5);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('P1', 'MONT', 'MON', 10, 9);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('P1', 'REGIE', 'MON', 0, 5);
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', CURRENT_DATE - 3, 7, 16, 'P1', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', CURRENT_DATE - 2, 7, 12, 'P1', 'REGIE');
INSERT INTO AUFTRAG (AOFNUMM, ASABGESCHL, ASMONTZULG, ASSOLLSTND) VALUES ('C1', CURRENT_DATE - 10, 'KM', 1);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('C1', 'MONT', 'MON', 1, 0);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND) VALUES ('S1', 'KM', 20, 12);
INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASSOLLSTND, ASISTSTND) VALUES ('W1', 'KM', 0.5, 1);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('W1', 'MONT', 'MON', 0.5, 1);
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('ANNA', CURRENT_DATE - 4, 7, 8, 'W1', 'MONT');
INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT) VALUES ('OHNE', CURRENT_DATE - 4, 8, 10, 'W1', 'MONT');
)";

TEST_P(DmBerichtTest, TimeAndMaterialClosedOrdersMissingWageRowsAndSkippedOrders) {
    db_.Exec(kTruths);
    const TReport report = Read({"R1", "P1", "C1", "S1", "W1"});
    std::map<std::string, const TOrderHours*> orders;
    for (const TOrderHours& order : report.Orders) orders[order.OfNumm] = &order;
    ASSERT_EQ(orders.size(), 5u);
    const double today = db::Today();

    // Time and material is never overrun: not in the difference, the sorting, the day of
    // passing the target nor the activity sums.
    const TOrderHours& r1 = *orders.at("R1");
    const TOrderHours& p1 = *orders.at("P1");
    EXPECT_DOUBLE_EQ(r1.Differenz(), 0);
    EXPECT_DOUBLE_EQ(p1.Differenz(), -1);
    EXPECT_DOUBLE_EQ(p1.Ist(), 14);
    EXPECT_EQ(p1.OverSince, 0);
    EXPECT_NEAR(p1.Course.back().SumOhneRegie, 9, 1e-12);
    EXPECT_EQ(report.Orders.front().OfNumm, "W1"); // the only order over its target
    for (const TOrderHours* order : {&r1, &p1})
        for (const TActivityHours& row : order->Activities)
            EXPECT_FALSE(Overrun(row.Differenz())) << order->OfNumm << " " << row.RmTat;
    const auto regie = std::find_if(report.Activities.begin(), report.Activities.end(),
                                    [](const TActivityTotal& a) { return a.RmTat == "REGIE"; });
    ASSERT_NE(regie, report.Activities.end());
    EXPECT_TRUE(regie->Regie());
    EXPECT_DOUBLE_EQ(regie->Ist, 8.85);
    EXPECT_DOUBLE_EQ(regie->Differenz(), 0);

    EXPECT_EQ(orders.at("C1")->Abgeschlossen, today - 10);
    EXPECT_EQ(p1.Abgeschlossen, 0);

    // S1's totals stand without rows; the others' rows add up to their totals.
    EXPECT_TRUE(orders.at("S1")->ZeilenWeichenAb());
    for (const char* ofNumm : {"R1", "P1", "C1", "W1"})
        EXPECT_FALSE(orders.at(ofNumm)->ZeilenWeichenAb()) << ofNumm;
    ASSERT_EQ(report.ZeilenAbweichend().size(), 1u);
    EXPECT_EQ(report.ZeilenAbweichend().front()->OfNumm, "S1");

    // W1: OHNE's 2 h weigh 0 and are named; ANNA's hour passes MONT's 0,5 h on its day.
    const TOrderHours& w1 = *orders.at("W1");
    EXPECT_EQ(w1.OhneLohnBuchungen(), 1u);
    EXPECT_DOUBLE_EQ(w1.OhneLohnStunden(), 2);
    ASSERT_EQ(report.MitOhneLohn().size(), 1u);
    EXPECT_EQ(report.MitOhneLohn().front(), &w1);
    ASSERT_EQ(w1.Buchungen.size(), 2u);
    EXPECT_EQ(w1.Buchungen[1].MiNumm, "OHNE");
    EXPECT_TRUE(w1.Buchungen[1].OhneLohn);
    EXPECT_EQ(w1.Buchungen[1].Tag, static_cast<std::int32_t>(today - 4));
    ASSERT_EQ(w1.Activities.size(), 1u);
    EXPECT_EQ(w1.Activities[0].OverSince, today - 4);
    EXPECT_EQ(p1.Activities[0].OverSince, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, DmBerichtTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::report
