// German number and date formats of the report.
#include "report/Format.h"
#include "db/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace sollist::report {
namespace {

TEST(ReportFormat, Numbers) {
    struct Case {
        double value;
        int decimals;
        bool grouping;
        std::string text;
    };
    const Case cases[] = {
        {0, 2, true, "0,00"},
        {1234.5, 2, true, "1.234,50"},
        {-1234.5, 2, true, "-1.234,50"},
        {1234567.891, 2, true, "1.234.567,89"},
        {999.999, 2, true, "1.000,00"},    // rounding carries into a new group
        {123456.7, 2, false, "123456,70"}, // CSV: no grouping
        {-0.004, 2, true, "0,00"},         // rounded to nothing: no sign
        {-0.006, 2, true, "-0,01"},
        {12.26, 1, true, "12,3"},
        {0.125, 2, true, "0,13"}, // commercial rounding of an exact half
        {-0.125, 2, true, "-0,13"},
        {2.25, 1, true, "2,3"},
        {1.005, 2, true, "1,00"}, // stored just below the half
        {100, 0, true, "100"},
        {std::numeric_limits<double>::quiet_NaN(), 2, true, "–"},
        {std::numeric_limits<double>::infinity(), 2, true, "–"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.value, c.decimals, c.grouping), c.text) << c.value;
}

TEST(ReportFormat, HoursDifferencesAndPercentCarryTheirUnitAndSign) {
    EXPECT_EQ(FormatHours(1234.5), "1.234,50 h");
    EXPECT_EQ(FormatDifference(12.5), "+12,50 h");
    EXPECT_EQ(FormatDifference(-3), "-3,00 h");
    EXPECT_EQ(FormatDifference(0.004), "0,00 h");
    EXPECT_EQ(FormatDifference(-0.004), "0,00 h");
    EXPECT_EQ(FormatPercent(12.54), "+12,5 %");
    EXPECT_EQ(FormatPercent(-100), "-100,0 %");
    EXPECT_EQ(FormatPercent(0.04), "0,0 %");
}

TEST(ReportFormat, DatesAndTimes) {
    const double christmas = db::EncodeDate(2026, 12, 24);
    EXPECT_EQ(FormatDate(christmas), "24.12.2026");
    EXPECT_EQ(FormatDate(christmas + 0.99), "24.12.2026");
    EXPECT_EQ(FormatDate(db::EncodeDate(2027, 1, 5)), "05.01.2027");
    EXPECT_EQ(FormatDateTime(christmas + (16 * 60 + 5) / 1440.0), "24.12.2026 16:05");
    EXPECT_EQ(FormatDateTime(christmas), "24.12.2026 00:00");
    // Seconds before midnight stay on their day.
    EXPECT_EQ(FormatDateTime(christmas + (86400 - 10) / 86400.0), "24.12.2026 23:59");
}

} // namespace
} // namespace sollist::report
