#pragma once
// The report's charts of the course of actual hours, as inline SVG: an order's burn-up chart in
// its detail block, and the hours booked per calendar week over the last weeks above the
// overview.
#include "report/ReportData.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace sollist::report {

// Booking days a chart draws one by one; an order with more shows its course per calendar week.
constexpr std::size_t kMaxChartDays = 60;
// Calendar weeks of the chart above the overview.
constexpr int kRecentWeekCount = 12;

// The styles of the charts, for the page's style sheet.
extern const std::string_view kCourseStyle;

// What the colours and lines of the burn-up charts mean, once above the detail blocks.
void AppendCourseLegend(std::string& out);

// The order's actual hours summed up booking day by booking day, stacked by kind, against its
// target; the day it passed the target marked and named. A note where the stored actual hours
// differ from the course (time records changed since the run).
void AppendCourseChart(std::string& out, const TOrderHours& order);

// The hours booked on the report's orders per calendar week over the last weeks up to the one
// the report is written in, with the part over the target of their order.
void AppendRecentWeeksChart(std::string& out, const TReport& report);

} // namespace sollist::report
