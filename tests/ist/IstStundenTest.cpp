#include "ist/IstStunden.h"

#include "db/Value.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::ist {
namespace {

using test::SqlLiteral;
using test::TestDatabase;

std::string Activity(const std::string& number, const std::string& kind, const std::string& costCentre) {
    return "INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('" + number +
           "', 'x', '" + number + "', '" + kind + "', '" + costCentre + "', 'STK');";
}

// Activities of every kind; each test books on these. "klein" and "KLEIN" differ in case only.
const std::string kActivities = Activity("REGIE", "R", "MON") + Activity("MONT", "P", "MON") +
                                Activity("CNC", "P", "CNC") + Activity("BUERO", "O", "BUE") +
                                Activity("klein", "r", "KLE") + Activity("KLEIN", "R", "XXX") +
                                Activity("LAGER", "X", "LAG");

std::string Booking(const std::string& miNumm, const std::string& day, double from, double to,
                    const std::string& activity, const std::string& order = "A1", double pause = 0) {
    return "INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEPAUSEN, ZEPAUBEZ, "
           "ZEOFNUMM, ZETARMTAT) VALUES (" +
           SqlLiteral(miNumm) + ", '" + day + "', " + std::to_string(from) + ", " + std::to_string(to) +
           ", " + std::to_string(pause) + ", 0, " + SqlLiteral(order) + ", " + SqlLiteral(activity) + ");";
}

double Sum(const TIstErgebnis& ist, const std::string& key) {
    int index = 0;
    if (!ist.RmTatList.Find(key, index))
        return -1;
    return ist.RmTatList.Value(index).Sum;
}

class IstStundenTest : public ::testing::Test {
protected:
    void SetUp() override { db.Exec(kActivities); }
    TestDatabase db;
    TLohnStamm lohnStamm;
    TIstStunden istStunden{db.Context(), lohnStamm};
};

// Each booking goes to an activity of its own, so its weighted hours show the factor used.
TEST_F(IstStundenTest, WageFactorIsTheLatestRowStartingOnOrBeforeTheBookingDay) {
    db.Exec(R"(
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-03-01', 1.0);
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-06-01', 1.2);
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('BEAT', '2020-01-01', 1.5);
INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('O''NEILL', '2020-01-01', 0.8);
)");
    struct Case {
        const char* employee;
        const char* day;
        const char* activity;
        double factor;
    };
    const Case cases[] = {
        {"ANNA", "2024-02-15", "T1", 1.0}, // before the first wage row: the first row's factor
        {"ANNA", "2024-05-31", "T2", 1.0},
        {"ANNA", "2024-06-01", "T3", 1.2}, // the change applies from its own day on
        {"ANNA", "2024-07-10", "T4", 1.2},
        {"BEAT", "2024-05-31", "T5", 1.5},       // a second employee starts from his own rows
        {"CARL", "2024-08-01", "T6", 0.0},       // no wage rows at all
        {"O'NEILL", "2024-06-02", "T7", 0.8},    // an apostrophe stays part of the number
        {"A'OR'1'='1", "2024-06-02", "T8", 0.0}, // and cannot widen the condition
    };
    std::string bookings;
    int costCentre = 0;
    for (const auto& c : cases) {
        bookings += Activity(c.activity, "P", "K" + std::to_string(++costCentre));
        bookings += Booking(c.employee, c.day, 7.0, 9.5, c.activity, "A1", 0.5);
    }
    db.Exec(bookings);

    const TIstErgebnis ist = istStunden.Calc("A1");

    double prod = 0;
    for (const auto& c : cases) {
        EXPECT_NEAR(Sum(ist, c.activity), 2.0 * c.factor, 1e-12) << c.employee << " " << c.day;
        prod += 2.0 * c.factor;
    }
    EXPECT_NEAR(ist.Prodstd, prod, 1e-12);
    // The employee without wage rows still sets the latest booking.
    EXPECT_DOUBLE_EQ(ist.LetztDat, db::EncodeDate(2024, 8, 1) + 9.5 / 24);
    EXPECT_EQ(ist.LetztKoNumm, "K6");
}

// Kept wage rows serve later orders from their first row again: A2's booking before ANNA's
// change takes the first factor although A1 moved past the change. A copy of what was kept
// serves another calculator alike, without reading; a calculator with rows of its own reads.
TEST_F(IstStundenTest, KeptWageRowsStartFromTheFirstRowForEachOrder) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-03-01', 1.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-06-01', 1.2);" +
            Booking("ANNA", "2024-07-01", 7, 9, "MONT", "A1") +
            Booking("ANNA", "2024-04-01", 7, 9, "MONT", "A2") +
            Booking("ANNA", "2024-06-01", 7, 9, "CNC", "A2"));
    TLohnStamm kept;
    TIstStunden run{db.Context(), kept};
    EXPECT_DOUBLE_EQ(run.Calc("A1").Prodstd, 2 * 1.2);
    db.Exec("UPDATE MILOHN SET MILOABWFAT = 9"); // not read again while kept
    TLohnStamm copy = kept;
    TIstStunden worker{db.Context(), copy};
    for (TIstStunden* calculator : {&run, &worker}) {
        const TIstErgebnis ist = calculator->Calc("A2");
        EXPECT_DOUBLE_EQ(Sum(ist, "MONT"), 2 * 1.0);
        EXPECT_DOUBLE_EQ(Sum(ist, "CNC"), 2 * 1.2);
    }
    EXPECT_DOUBLE_EQ(istStunden.Calc("A2").Prodstd, 4 * 9.0);
}

TEST_F(IstStundenTest, TwoEmployeesOnOneActivityAddTheirWeightedHours) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('BEAT', '2024-01-01', 1.5);" +
            Booking("ANNA", "2024-05-02", 7, 11, "MONT") + Booking("BEAT", "2024-05-02", 7, 11, "MONT"));
    const TIstErgebnis ist = istStunden.Calc("A1");
    EXPECT_DOUBLE_EQ(ist.Prodstd, 4 * 1.0 + 4 * 1.5);
    EXPECT_DOUBLE_EQ(Sum(ist, "MONT"), 10.0);
    ASSERT_EQ(ist.RmTatList.Count(), 1);
    EXPECT_EQ(ist.RmTatList.Value(0).KoNumm, "MON");
}

// Kinds are compared exactly: "r" and "X" count per activity but in none of the totals.
TEST_F(IstStundenTest, ActivityKindsChooseTheTotal) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);" +
            Booking("ANNA", "2024-05-02", 7, 8, "REGIE") + Booking("ANNA", "2024-05-02", 8, 10, "MONT") +
            Booking("ANNA", "2024-05-02", 10, 13, "BUERO") + Booking("ANNA", "2024-05-03", 7, 11, "klein") +
            Booking("ANNA", "2024-05-03", 11, 16, "LAGER"));
    const TIstErgebnis ist = istStunden.Calc("A1");
    EXPECT_DOUBLE_EQ(ist.Regiestd, 1);
    EXPECT_DOUBLE_EQ(ist.Prodstd, 2);
    EXPECT_DOUBLE_EQ(ist.OffStd, 3);
    EXPECT_DOUBLE_EQ(Sum(ist, "klein"), 4);
    EXPECT_DOUBLE_EQ(Sum(ist, "LAGER"), 5);
    EXPECT_EQ(ist.RmTatList.Count(), 5);
}

TEST_F(IstStundenTest, ActivitiesDifferingOnlyInCaseShareOneEntry) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);" +
            Booking("ANNA", "2024-05-02", 7, 8, "klein") + Booking("ANNA", "2024-05-02", 8, 10, "KLEIN"));
    const TIstErgebnis ist = istStunden.Calc("A1");
    ASSERT_EQ(ist.RmTatList.Count(), 1);
    EXPECT_EQ(ist.RmTatList.Key(0), "klein");
    EXPECT_EQ(ist.RmTatList.Value(0).KoNumm, "KLE");
    EXPECT_DOUBLE_EQ(ist.RmTatList.Value(0).Sum, 3);
    EXPECT_DOUBLE_EQ(ist.Regiestd, 2); // only the upper-case kind counts as "R"
}

// A later booking ending at the same moment (ZORA sorts after ANNA) does not replace it.
TEST_F(IstStundenTest, LatestBookingEndSetsLetztDatWithItsTimeOfDay) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);" +
            Booking("ANNA", "2024-05-02", 13, 17.5, "CNC") + Booking("ANNA", "2024-05-02", 7, 12, "MONT") +
            Booking("ANNA", "2024-04-30", 7, 19, "BUERO") + Booking("ZORA", "2024-05-02", 15, 17.5, "BUERO"));
    const TIstErgebnis ist = istStunden.Calc("A1");
    EXPECT_DOUBLE_EQ(ist.LetztDat, db::EncodeDate(2024, 5, 2) + 17.5 / 24);
    EXPECT_EQ(ist.LetztKoNumm, "CNC");
}

TEST_F(IstStundenTest, OrderWithoutBookingsLeavesEverythingEmpty) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);" +
            Booking("ANNA", "2024-05-02", 7, 8, "MONT", "OTHER"));
    const TIstErgebnis ist = istStunden.Calc("A1");
    EXPECT_EQ(ist.Regiestd + ist.Prodstd + ist.OffStd, 0);
    EXPECT_EQ(ist.LetztDat, 0);
    EXPECT_EQ(ist.LetztKoNumm, "");
    EXPECT_EQ(ist.RmTatList.Count(), 0);
}

// Each order starts afresh, the wage state included: A1 left the factor of June, yet the
// February booking of A2 takes the factor valid in February.
TEST_F(IstStundenTest, EachCalcStandsAlone) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-06-01', 2.0);" +
            Booking("ANNA", "2024-07-01", 7, 8, "MONT", "A1") +
            Booking("ANNA", "2024-02-01", 7, 8, "MONT", "A2"));
    EXPECT_DOUBLE_EQ(istStunden.Calc("A1").Prodstd, 2.0);
    const TIstErgebnis a2 = istStunden.Calc("A2");
    EXPECT_DOUBLE_EQ(a2.Prodstd, 1.0);
    EXPECT_DOUBLE_EQ(Sum(a2, "MONT"), 1.0);
    EXPECT_DOUBLE_EQ(a2.LetztDat, db::EncodeDate(2024, 2, 1) + 8.0 / 24);
}

// Per day, the same weighted hours as the totals: ANNA's factor changes on 3 June in the middle
// of the order's bookings, BEAT books with his own factor on the same day, a kind outside the
// three totals adds no day, and the per-day figures add up to the totals.
TEST_F(IstStundenTest, PerDayHoursCarryTheFactorOfTheirDay) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-06-03', 1.25);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('BEAT', '2024-01-01', 0.5);" +
            Booking("ANNA", "2024-05-31", 7, 11, "MONT") + Booking("ANNA", "2024-05-31", 11, 12, "BUERO") +
            Booking("ANNA", "2024-06-03", 7, 11, "MONT") + Booking("BEAT", "2024-06-03", 7, 9, "REGIE") +
            Booking("ANNA", "2024-06-04", 7, 8, "LAGER") + Booking("BEAT", "2024-06-05", 7, 8, "klein"));
    EXPECT_TRUE(istStunden.Calc("A1").Tage.empty()) << "only when asked for";

    const TIstErgebnis ist = istStunden.Calc("A1", true);
    const auto day = [](int month, int dayOfMonth) {
        return static_cast<std::int32_t>(db::EncodeDate(2024, month, dayOfMonth));
    };
    ASSERT_EQ(ist.Tage.size(), 2u);
    const TIstTag& may31 = ist.Tage.at(day(5, 31));
    EXPECT_DOUBLE_EQ(may31.Prodstd, 4 * 1.0);
    EXPECT_DOUBLE_EQ(may31.OffStd, 1 * 1.0);
    EXPECT_DOUBLE_EQ(may31.Regiestd, 0);
    const TIstTag& june3 = ist.Tage.at(day(6, 3));
    EXPECT_DOUBLE_EQ(june3.Prodstd, 4 * 1.25);
    EXPECT_DOUBLE_EQ(june3.Regiestd, 2 * 0.5);
    EXPECT_DOUBLE_EQ(june3.OffStd, 0);

    EXPECT_DOUBLE_EQ(may31.Prodstd + june3.Prodstd, ist.Prodstd);
    EXPECT_DOUBLE_EQ(may31.Regiestd + june3.Regiestd, ist.Regiestd);
    EXPECT_DOUBLE_EQ(may31.OffStd + june3.OffStd, ist.OffStd);
}

// The bookings behind the hours, by activity, day and employee: raw hours, the factor of the
// day and the weighted hours, adding up to each activity's hours; two bookings of a day share
// a line; an employee without a wage row is marked, his hours weigh 0.
TEST_F(IstStundenTest, PostenShowRawHoursFactorAndWeightedHours) {
    db.Exec("INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-01-01', 1.0);"
            "INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) VALUES ('ANNA', '2024-06-03', 1.25);" +
            Booking("ANNA", "2024-05-31", 7, 9, "MONT") + Booking("ANNA", "2024-05-31", 13, 14.5, "MONT") +
            Booking("ANNA", "2024-06-03", 7, 11, "MONT", "A1", 0.5) +
            Booking("CARL", "2024-06-03", 7, 9, "MONT") + Booking("CARL", "2024-06-04", 7, 8, "REGIE"));
    EXPECT_TRUE(istStunden.Calc("A1").Posten.empty()) << "only when asked for";
    const TIstErgebnis ist = istStunden.Calc("A1", true);
    const auto day = [](int month, int dayOfMonth) {
        return static_cast<std::int32_t>(db::EncodeDate(2024, month, dayOfMonth));
    };
    struct Line {
        std::string rmTat, tatArt;
        std::int32_t tag;
        std::string miNumm;
        double stunden, fak, gewichtet;
        bool ohneLohn;
    };
    const std::vector<Line> expected{
        {"MONT", "P", day(5, 31), "ANNA", 3.5, 1.0, 3.5, false},
        {"MONT", "P", day(6, 3), "ANNA", 3.5, 1.25, 4.375, false},
        {"MONT", "P", day(6, 3), "CARL", 2, 0, 0, true},
        {"REGIE", "R", day(6, 4), "CARL", 1, 0, 0, true},
    };
    ASSERT_EQ(ist.Posten.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const TIstPosten& p = ist.Posten[i];
        const Line& e = expected[i];
        EXPECT_EQ(p.RmTat, e.rmTat);
        EXPECT_EQ(p.TatArt, e.tatArt);
        EXPECT_EQ(p.Tag, e.tag);
        EXPECT_EQ(p.MiNumm, e.miNumm);
        EXPECT_NEAR(p.Stunden, e.stunden, 1e-9);
        EXPECT_DOUBLE_EQ(p.Fak, e.fak);
        EXPECT_NEAR(p.Gewichtet, e.gewichtet, 1e-9);
        EXPECT_EQ(p.OhneLohn, e.ohneLohn);
    }
    EXPECT_DOUBLE_EQ(ist.Posten[0].Gewichtet + ist.Posten[1].Gewichtet + ist.Posten[2].Gewichtet,
                     Sum(ist, "MONT"));
}

} // namespace
} // namespace sollist::ist
