// The course of an order's actual hours as plain figures: the day it passed its target, the
// hours over the target, calendar weeks, the course per week and the last weeks over orders.
#include "report/Course.h"

#include "db/Value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::report {
namespace {

double Day(int month, int day, int year = 2026) { return db::EncodeDate(year, month, day); }

// A course from each day's production hours; Regie and Büro hours as given.
std::vector<TBookingDay> Course(const std::vector<std::pair<double, double>>& dayAndHours) {
    std::vector<TBookingDay> course;
    double sum = 0;
    for (const auto& [day, hours] : dayAndHours) {
        sum += hours;
        course.push_back({day, hours, 0, 0, sum, sum});
    }
    return course;
}

TEST(ReportCourse, DayOfPassingTheTarget) {
    struct Case {
        const char* what;
        double soll;
        std::vector<std::pair<double, double>> days;
        double expected;
    };
    const Case cases[] = {
        {"passes on its third day", 10, {{Day(3, 2), 4}, {Day(3, 3), 4}, {Day(3, 9), 4}}, Day(3, 9)},
        {"over from its first booking", 2, {{Day(3, 2), 3}, {Day(3, 3), 1}}, Day(3, 2)},
        {"without a target", 0, {{Day(3, 2), 3}}, 0},
        {"a target too small to show", 0.004, {{Day(3, 2), 3}}, 0},
        {"under its target", 10, {{Day(3, 2), 4}, {Day(3, 3), 4}}, 0},
        {"on its target to the hundredth", 8, {{Day(3, 2), 4}, {Day(3, 3), 4.004}}, 0},
        {"passes by the shown hundredth", 8, {{Day(3, 2), 4}, {Day(3, 3), 4.006}}, Day(3, 3)},
        {"a correction takes it back under, it passes again",
         5,
         {{Day(3, 2), 6}, {Day(3, 3), -2}, {Day(3, 4), 2}},
         Day(3, 4)},
        {"a correction takes it back under at the end", 5, {{Day(3, 2), 6}, {Day(3, 3), -2}}, 0},
        {"no bookings", 5, {}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(OverTargetSince(Course(c.days), c.soll), c.expected) << c.what;
}

// Of the day that passes the target only the part above it; after it all; none without target.
TEST(ReportCourse, HoursOverTheTarget) {
    const std::vector<TBookingDay> course = Course({{Day(3, 2), 4}, {Day(3, 3), 4}, {Day(3, 4), 3}});
    EXPECT_DOUBLE_EQ(HoursOverTarget(course[0], 6), 0);
    EXPECT_DOUBLE_EQ(HoursOverTarget(course[1], 6), 2);
    EXPECT_DOUBLE_EQ(HoursOverTarget(course[2], 6), 3);
    EXPECT_DOUBLE_EQ(HoursOverTarget(course[2], 0), 0);
    const TBookingDay correction{Day(3, 5), -1, 0, 0, 10, 10};
    EXPECT_DOUBLE_EQ(HoursOverTarget(correction, 6), 0);
    // Time and material is never over the target: of 1 h production and 3 h Regie on a day
    // that ends 1 h over it without Regie, 1 h.
    const TBookingDay withRegie{Day(3, 6), 1, 3, 0, 11, 7};
    EXPECT_DOUBLE_EQ(HoursOverTarget(withRegie, 6), 1);
}

TEST(ReportCourse, CalendarWeeks) {
    struct Case {
        double day;
        int week;
        double monday;
    };
    const Case cases[] = {
        {Day(12, 11), 50, Day(12, 7)},             // a Friday
        {Day(12, 7), 50, Day(12, 7)},              // its Monday
        {Day(12, 13), 50, Day(12, 7)},             // its Sunday
        {Day(1, 1), 1, Day(12, 29, 2025)},         // Thursday: the first week is the year's
        {Day(12, 30, 2024), 1, Day(12, 30, 2024)}, // a Monday in week 1 of the next year
        {Day(1, 3, 2021), 53, Day(12, 28, 2020)},  // a Sunday in week 53 of the year before
        {Day(12, 28, 2026), 53, Day(12, 28, 2026)},
        {Day(1, 2, 1900), 1, Day(1, 1, 1900)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalendarWeek(c.day), c.week) << c.day;
        EXPECT_EQ(MondayOf(c.day), c.monday) << c.day;
        EXPECT_EQ(MondayOf(c.day + 0.75), c.monday) << "time of day";
    }
}

TEST(ReportCourse, WeeklyCourseSumsTheKindsAndKeepsTheRunningSum) {
    std::vector<TBookingDay> course = {{Day(12, 1), 1, 2, 0, 3},
                                       {Day(12, 6), 4, 0, 1, 8},
                                       {Day(12, 7), 0, 0, 2, 10},
                                       {Day(12, 22), 1, 0, 0, 11}};
    const std::vector<TBookingDay> weeks = WeeklyCourse(course);
    ASSERT_EQ(weeks.size(), 3u);
    EXPECT_EQ(weeks[0].Day, Day(11, 30));
    EXPECT_DOUBLE_EQ(weeks[0].Prod, 5);
    EXPECT_DOUBLE_EQ(weeks[0].Regie, 2);
    EXPECT_DOUBLE_EQ(weeks[0].Buero, 1);
    EXPECT_DOUBLE_EQ(weeks[0].Sum, 8);
    EXPECT_EQ(weeks[1].Day, Day(12, 7));
    EXPECT_DOUBLE_EQ(weeks[1].Sum, 10);
    EXPECT_EQ(weeks[2].Day, Day(12, 21));
    EXPECT_DOUBLE_EQ(weeks[2].Sum, 11);
}

// Twelve weeks up to the one of "today" (Friday 11 December 2026, week 50): bookings before
// them and after today's week left out; the part over target counted per order.
TEST(ReportCourse, RecentWeeksOverTheOrders) {
    TOrderHours over;
    over.Soll = 10;
    over.Course =
        Course({{Day(9, 1), 2}, {Day(9, 21), 4}, {Day(12, 1), 6}, {Day(12, 8), 3}, {Day(12, 14), 5}});
    TOrderHours withoutTarget;
    withoutTarget.Course = Course({{Day(12, 9), 6}});

    const std::vector<TWeekHours> weeks = RecentWeeks({over, withoutTarget}, Day(12, 11) + 0.5, 12);
    ASSERT_EQ(weeks.size(), 12u);
    EXPECT_EQ(weeks.front().Monday, Day(9, 21));
    EXPECT_EQ(weeks.back().Monday, Day(12, 7));
    EXPECT_DOUBLE_EQ(weeks[0].Hours, 4);
    EXPECT_DOUBLE_EQ(weeks[0].OverTarget, 0);
    EXPECT_DOUBLE_EQ(weeks[10].Hours, 6); // week of 30 November: passes the target by 2 h
    EXPECT_DOUBLE_EQ(weeks[10].OverTarget, 2);
    EXPECT_DOUBLE_EQ(weeks[11].Hours, 3 + 6);
    EXPECT_DOUBLE_EQ(weeks[11].OverTarget, 3);
    double others = 0;
    for (std::size_t i = 1; i < 10; ++i) others += weeks[i].Hours;
    EXPECT_EQ(others, 0);
}

} // namespace
} // namespace sollist::report
