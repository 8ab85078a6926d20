#pragma once
// Numbers and dates the German way, as the report and its CSV show them.
#include <string>

namespace sollist::report {

// "1.234,50": two decimals, a point between thousands, a decimal comma; "-" before negative
// numbers, never "-0,00". Not-a-number and infinite values give "–".
std::string FormatNumber(double value, int decimals = 2, bool grouping = true);

// Hours as the report shows them: "1.234,50 h".
std::string FormatHours(double hours);
// A difference with its sign: "+12,50 h", "-3,00 h", "0,00 h".
std::string FormatDifference(double hours);
// A percentage with its sign and one decimal: "+12,5 %".
std::string FormatPercent(double percent);

// A day number (day 0 = 1899-12-30) as "24.12.2026"; the time of day is ignored.
std::string FormatDate(double dayNumber);
// A day number with the time of day as "24.12.2026 16:05".
std::string FormatDateTime(double dayNumber);

} // namespace sollist::report
