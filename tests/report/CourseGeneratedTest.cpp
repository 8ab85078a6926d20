// The courses of a generated business database (bench/gen.py), embedded and through the
// server: every order's course ends at the actual hours the run stored, its days add up to
// the stored figures per kind, and each day carries the wage factor valid on it, checked
// against a weighting of the time records in SQL of the test's own, a wage change in the middle
// of an order's bookings included.
#include "ReportTestSupport.h"
#include "db/DataSet.h"
#include "report/DmBericht.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace sollist::report {
namespace {

using test::DbMode;
using test::DbModeName;
using namespace support;

constexpr const char* kOpen = "(ASABGESCHL IS NULL OR ASABGESCHL > CURRENT_DATE - 60)";

// A booking's factor: its employee's latest wage row on or before its day, else the first.
constexpr const char* kFactor =
    "COALESCE((SELECT FIRST 1 MILOABWFAT FROM MILOHN WHERE MILONUMM = Z.ZEMINUMM AND MILODATUM <= Z.ZEAUFZDAT "
    "ORDER BY MILODATUM DESC), (SELECT FIRST 1 MILOABWFAT FROM MILOHN WHERE MILONUMM = Z.ZEMINUMM "
    "ORDER BY MILODATUM), 0)";
constexpr const char* kDuration = "(Z.ZEENDE - Z.ZEANFANG - Z.ZEPAUSEN - Z.ZEPAUBEZ)";

struct Kinds {
    double prod = 0, regie = 0, buero = 0;
};

using OrderDay = std::pair<std::string, double>;

// Weighted hours per order, day and kind, from the time records of the open orders.
std::map<OrderDay, Kinds> WeightedDays(db::TIBCConnection& connection) {
    db::TIBCQuery query(connection, "qryWeighted");
    query.SetSQL({std::string("SELECT Z.ZEOFNUMM, Z.ZEAUFZDAT, T.TATART, SUM(") + kDuration + " * " +
                  kFactor +
                  ") FROM ZEITERFA Z JOIN TAETIGKE T ON T.TANUMM = Z.ZETARMTAT JOIN AUFTRAG ON AOFNUMM = "
                  "Z.ZEOFNUMM WHERE " +
                  kOpen + " AND T.TATART IN ('P', 'R', 'O') GROUP BY 1, 2, 3"});
    std::map<OrderDay, Kinds> days;
    for (query.Open(); !query.Eof(); query.Next()) {
        Kinds& kinds = days[{query.Fields(0).AsString(), query.Fields(1).AsDateTime()}];
        const std::string kind = query.Fields(2).AsString();
        (kind == "P" ? kinds.prod : kind == "R" ? kinds.regie : kinds.buero) = query.Fields(3).AsFloat();
    }
    return days;
}

// The production hours of an order's day, each booking weighted with its own factor, or the
// bookings of one employee with the factor given.
double ProductionOfDay(db::TIBCConnection& connection, const std::string& ofNumm, double day,
                       const std::string& employee = {}, double factor = 0) {
    db::TIBCQuery query(connection, "qryDay");
    query.SetSQL({std::string("SELECT SUM(") + kDuration + " * CASE WHEN Z.ZEMINUMM = :E THEN :F ELSE " +
                  kFactor +
                  " END) FROM ZEITERFA Z JOIN TAETIGKE T ON T.TANUMM = Z.ZETARMTAT "
                  "WHERE T.TATART = 'P' AND Z.ZEOFNUMM = :O AND Z.ZEAUFZDAT = :D"});
    query.ParamByName("E").AsString(employee);
    query.ParamByName("F").AsFloat(factor);
    query.ParamByName("O").AsString(ofNumm);
    query.ParamByName("D").AsDateTime(day);
    query.Open();
    return query.Fields(0).AsFloat();
}

// An order with production hours booked before a wage change and, by that employee, after it:
// the employee's first day after the change carries his new factor in the order's course, and
// his old factor would give other hours.
void ExpectWageChangeShows(db::TIBCConnection& connection, const TReport& report) {
    db::TIBCQuery query(connection, "qryChange");
    query.SetSQL(
        {"SELECT FIRST 1 Z.ZEOFNUMM, Z.ZEMINUMM, MIN(Z.ZEAUFZDAT), "
         "(SELECT FIRST 1 P.MILOABWFAT FROM MILOHN P WHERE P.MILONUMM = M.MILONUMM AND P.MILODATUM < "
         "M.MILODATUM ORDER BY P.MILODATUM DESC) "
         "FROM ZEITERFA Z JOIN TAETIGKE T ON T.TANUMM = Z.ZETARMTAT "
         "JOIN MILOHN M ON M.MILONUMM = Z.ZEMINUMM AND M.MILODATUM <= Z.ZEAUFZDAT "
         "WHERE T.TATART = 'P' AND EXISTS (SELECT 1 FROM MILOHN P WHERE P.MILONUMM = M.MILONUMM AND "
         "P.MILODATUM < M.MILODATUM AND P.MILOABWFAT <> M.MILOABWFAT) "
         "AND EXISTS (SELECT 1 FROM ZEITERFA B JOIN TAETIGKE BT ON BT.TANUMM = B.ZETARMTAT "
         "WHERE B.ZEOFNUMM = Z.ZEOFNUMM AND B.ZEAUFZDAT < M.MILODATUM AND BT.TATART = 'P') "
         "GROUP BY Z.ZEOFNUMM, Z.ZEMINUMM, M.MILONUMM, M.MILODATUM ORDER BY 1, 2"});
    query.Open();
    ASSERT_FALSE(query.Eof()) << "the generated bookings cross a wage change";
    const std::string ofNumm = query.Fields(0).AsString();
    const std::string employee = query.Fields(1).AsString();
    const double day = query.Fields(2).AsDateTime();
    const double oldFactor = query.Fields(3).AsFloat();

    const auto order = std::find_if(report.Orders.begin(), report.Orders.end(),
                                    [&](const TOrderHours& o) { return o.OfNumm == ofNumm; });
    ASSERT_NE(order, report.Orders.end());
    const auto found = std::find_if(order->Course.begin(), order->Course.end(),
                                    [&](const TBookingDay& d) { return d.Day == day; });
    ASSERT_NE(found, order->Course.end()) << ofNumm;
    EXPECT_NEAR(found->Prod, ProductionOfDay(connection, ofNumm, day), 1e-9) << ofNumm << " " << employee;
    EXPECT_GT(std::fabs(found->Prod - ProductionOfDay(connection, ofNumm, day, employee, oldFactor)), 1e-6)
        << ofNumm << " " << employee << ": the old factor " << oldFactor;
}

class CourseGenerated : public ::testing::TestWithParam<DbMode> {};

TEST_P(CourseGenerated, CoursesEndAtTheStoredHoursAndWeighEachDayWithItsFactor) {
    GeneratedDatabase generated(25, GetParam());
    db::TIBCConnection& connection = generated.Connection().IBCConnection;
    const TReport report = TdmBericht(connection, db::Today()).Read({});
    ASSERT_EQ(report.Orders.size(), 25u);

    std::map<std::string, Kinds> stored;
    db::TIBCQuery qryStored(connection, "qryStored");
    qryStored.SetSQL(
        {std::string("SELECT AOFNUMM, ASISTSTND, ASREGSTND, AOFFSTND FROM AUFTRAG WHERE ") + kOpen});
    for (qryStored.Open(); !qryStored.Eof(); qryStored.Next())
        stored[qryStored.Fields(0).AsString()] = {
            qryStored.Fields(1).AsFloat(), qryStored.Fields(2).AsFloat(), qryStored.Fields(3).AsFloat()};

    const std::map<OrderDay, Kinds> weighted = WeightedDays(connection);
    std::size_t days = 0;
    for (const TOrderHours& order : report.Orders) {
        const Kinds& s = stored.at(order.OfNumm);
        ASSERT_FALSE(order.Course.empty()) << order.OfNumm;
        EXPECT_NEAR(order.Course.back().Sum, s.prod + s.regie + s.buero, 1e-9) << order.OfNumm;
        EXPECT_NEAR(order.Course.back().SumOhneRegie, s.prod + s.buero, 1e-9) << order.OfNumm;
        // The bookings behind each activity add up to its stored actual hours.
        for (const TActivityHours& activity : order.Activities) {
            double bookings = 0;
            for (const ist::TIstPosten& p : order.Buchungen)
                if (p.RmTat == activity.RmTat)
                    bookings += p.Gewichtet;
            EXPECT_NEAR(bookings, activity.Ist, 1e-9) << order.OfNumm << " " << activity.RmTat;
        }
        Kinds sum;
        for (const TBookingDay& day : order.Course) {
            sum.prod += day.Prod;
            sum.regie += day.Regie;
            sum.buero += day.Buero;
            const auto found = weighted.find({order.OfNumm, day.Day});
            ASSERT_NE(found, weighted.end()) << order.OfNumm << " " << day.Day;
            EXPECT_NEAR(day.Prod, found->second.prod, 1e-9) << order.OfNumm << " " << day.Day;
            EXPECT_NEAR(day.Regie, found->second.regie, 1e-9) << order.OfNumm << " " << day.Day;
            EXPECT_NEAR(day.Buero, found->second.buero, 1e-9) << order.OfNumm << " " << day.Day;
            ++days;
        }
        EXPECT_NEAR(sum.prod, s.prod, 1e-9) << order.OfNumm;
        EXPECT_NEAR(sum.regie, s.regie, 1e-9) << order.OfNumm;
        EXPECT_NEAR(sum.buero, s.buero, 1e-9) << order.OfNumm;
    }
    EXPECT_EQ(days, weighted.size()) << "every booking day of an open order is in its course";
    ExpectWageChangeShows(connection, report);
}

INSTANTIATE_TEST_SUITE_P(Modes, CourseGenerated, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::report
