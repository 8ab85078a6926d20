#pragma once
// The course of an order's actual hours: its booking days with running sums, the day it passed
// its target, the same by calendar week, and the hours booked in the last weeks over the orders.
#include "ist/IstStunden.h"
#include "report/ReportData.h"

#include <cstdint>
#include <map>
#include <vector>

namespace sollist::report {

// The booking days of an order, with running sums, from the hours per day that the actual-hours
// calculation weighted exactly as for the totals the run stores.
std::vector<TBookingDay> CourseOf(const std::map<std::int32_t, ist::TIstTag>& days);

// The booking day from which the course without time and material stays over the target (by
// at least the 0,01 h the report shows): the day it passed the target, or, where corrections took it back
// under, the day it passed again. 0 when it ends not over the target, or the order has no target.
double OverTargetSince(const std::vector<TBookingDay>& course, double soll);

// The part of a booking day's hours compared with the target (time and material is not) that
// lies over the target: all of them once the order is over it, the part above it on the day it
// passes it, none without a target.
double HoursOverTarget(const TBookingDay& day, double soll);

// The booking day from which an activity's weighted hours stay over its target (as
// OverTargetSince), from the order's bookings by activity and day; 0 for time and material.
double ActivityOverSince(const std::vector<ist::TIstPosten>& buchungen, const TActivityHours& activity);

// The course summed per calendar week (Monday to Sunday); Day is the week's Monday.
std::vector<TBookingDay> WeeklyCourse(const std::vector<TBookingDay>& course);

// The Monday of a day's calendar week, and the week's number (ISO 8601: week 1 holds the
// year's first Thursday).
double MondayOf(double day);
int CalendarWeek(double day);

// Hours booked on the orders in one calendar week, and the part of them over the target of
// their order (HoursOverTarget).
struct TWeekHours {
    double Monday = 0;
    double Hours = 0;
    double OverTarget = 0;
};

// The `count` calendar weeks up to the one holding `today`, oldest first.
std::vector<TWeekHours> RecentWeeks(const std::vector<TOrderHours>& orders, double today, int count);

} // namespace sollist::report
