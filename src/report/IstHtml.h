#pragma once
// The parts of the page that say what the stored figures do not say by themselves: what the
// difference compares, a closed order, activity rows that disagree with the order's totals,
// bookings that weigh nothing for want of a wage row; and the actual side of an activity, its
// bookings by day and employee with the wage factor of the day.
#include "report/ReportData.h"

#include <string>
#include <string_view>

namespace sollist::report {

// The styles of these parts, for the page's style sheet.
extern const std::string_view kIstStyle;

// What the difference compares, for the notes above the tables that show it.
extern const std::string_view kDifferenzText;

// "abgeschlossen am 01.12.2026" for an order closed within the open days; "" for an open one.
std::string ClosedText(const TOrderHours& order);

// Lines above the overview: the orders whose activity rows disagree with their totals, and
// those with bookings of employees without a wage row, each order named.
void AppendOverviewNotes(std::string& out, const TReport& report);

// Notes at the head of an order's page: closed, rows that disagree with the totals (and which
// figures the page shows), bookings without a wage row (activity, employee, day, raw hours).
void AppendOrderNotes(std::string& out, const TOrderHours& order);

// The bookings behind an activity's actual hours, a line that opens: by day and employee the raw
// hours, the wage factor of that day and the weighted hours, summed to the stored actual hours;
// the day the activity passed its target. Nothing for an activity without bookings.
void AppendActualSide(std::string& out, const TOrderHours& order, const TActivityHours& activity);

// Under the heading "Iststunden aus den Zeitbuchungen" each activity's actual side, the
// activities with stored rows first; nothing for an order without bookings.
void AppendBookings(std::string& out, const TOrderHours& order);

// A wage factor with as many decimals as it has, two at least: "1,00", "1,125".
std::string FormatFactor(double factor);

} // namespace sollist::report
