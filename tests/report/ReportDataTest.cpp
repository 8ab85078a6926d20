// Arranging the report: order of orders and activities, sums per reporting activity, and
// when a difference has a percentage.
#include "report/ReportData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::report {
namespace {

TOrderHours Order(std::string ofNumm, double soll, double ist, std::vector<TActivityHours> activities = {}) {
    TOrderHours order;
    order.OfNumm = std::move(ofNumm);
    order.Soll = soll;
    order.IstProd = ist;
    order.Activities = std::move(activities);
    return order;
}

std::vector<std::string> Numbers(const TReport& report) {
    std::vector<std::string> numbers;
    for (const TOrderHours& order : report.Orders) numbers.push_back(order.OfNumm);
    return numbers;
}

TEST(ReportArrange, OrdersWorstOverrunInHoursFirstTiesByNumber) {
    TReport report;
    report.Orders = {Order("U", 40, 30), Order("T2", 10, 15), Order("OHNE", 0, 8), Order("T1", 2, 7),
                     Order("GROSS", 100, 112)};
    // All three kinds of actual hours count.
    report.Orders[1].IstRegie = 1;
    report.Orders[1].IstBuero = 2;
    Arrange(report);
    // GROSS +12, T2 +8 (5 + 1 + 2), OHNE +8, T1 +5 (+250 % counts less than hours), U -10.
    EXPECT_EQ(Numbers(report), (std::vector<std::string>{"GROSS", "OHNE", "T2", "T1", "U"}));
}

TEST(ReportArrange, ActivitiesSortedWithinOrdersAndSummedOverThem) {
    TReport report;
    report.Orders = {Order("A", 10, 12, {{"MONT", "Montage", "MON", 4, 9}, {"CNC", "CNC", "CNC", 6, 3}}),
                     Order("B", 5, 6, {{"CNC", "", "CNC", 1, 2}, {"ZUS", "Zuschnitt", "ZUS", 4, 4}}),
                     Order("C", 0, 0)};
    Arrange(report);

    const auto& a = report.Orders[0].Activities;
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].RmTat, "MONT");
    EXPECT_EQ(a[1].RmTat, "CNC");

    ASSERT_EQ(report.Activities.size(), 3u);
    const TActivityTotal& mont = report.Activities[0];
    EXPECT_EQ(mont.RmTat, "MONT");
    EXPECT_EQ(mont.Orders, 1);
    EXPECT_DOUBLE_EQ(mont.Soll, 4);
    EXPECT_DOUBLE_EQ(mont.Ist, 9);
    const TActivityTotal& zus = report.Activities[1];
    EXPECT_EQ(zus.RmTat, "ZUS");
    const TActivityTotal& cnc = report.Activities[2];
    EXPECT_EQ(cnc.RmTat, "CNC");
    EXPECT_EQ(cnc.Name, "CNC");
    EXPECT_EQ(cnc.Orders, 2);
    EXPECT_DOUBLE_EQ(cnc.Soll, 7);
    EXPECT_DOUBLE_EQ(cnc.Ist, 5);
}

TEST(ReportArrange, PercentOnlyWithATargetThatShows) {
    struct Case {
        double difference, soll;
        bool has;
        double percent;
    };
    const Case cases[] = {{5, 10, true, 50},    {-10, 10, true, -100},   {3, 0, false, 0},
                          {3, 0.004, false, 0}, {1, 0.005, true, 20000}, {1, -2, false, 0}};
    for (const Case& c : cases) {
        double percent = -1;
        EXPECT_EQ(PercentOfTarget(c.difference, c.soll, percent), c.has) << c.soll;
        if (c.has) {
            EXPECT_NEAR(percent, c.percent, 1e-9) << c.soll;
        }
    }
}

TEST(ReportArrange, LatestBookingOverAllOrders) {
    TReport report;
    EXPECT_EQ(report.LatestBooking(), 0);
    report.Orders = {Order("A", 0, 0), Order("B", 0, 0), Order("C", 0, 0)};
    report.Orders[0].IstBis = 46000;
    report.Orders[2].IstBis = 46010;
    EXPECT_EQ(report.LatestBooking(), 46010);
}

} // namespace
} // namespace sollist::report
