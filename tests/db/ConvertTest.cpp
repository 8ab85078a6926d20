// Texts of values: the one date parser in both of its forms, and the float text.
#include "db/Convert.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sollist::db {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(ConvertTest, DatesOfBothFormsWithAndWithoutTimeOfDay) {
    const double leapDay = EncodeDate(2024, 2, 29);
    const struct {
        const char* text;
        TDateForms forms;
        double expected;
    } cases[] = {
        {"29.02.2024", TDateForms::Settings, leapDay},
        {"1.2.2024", TDateForms::Settings, EncodeDate(2024, 2, 1)},
        {"29.02.2024 17:30", TDateForms::Settings, leapDay + 17.5 / 24},
        {"29.02.2024 6:00:36", TDateForms::Settings, leapDay + 0.25 + 36 * kSecond},
        {"29.02.2024", TDateForms::Values, leapDay},
        {"2024-02-29", TDateForms::Values, leapDay},
        {"2024-2-9", TDateForms::Values, EncodeDate(2024, 2, 9)},
        {" 2024-02-29 18:00 ", TDateForms::Values, leapDay + 0.75},
        {"2024-02-29\t18:00:01", TDateForms::Values, leapDay + 0.75 + kSecond},
        // The text the server makes of a timestamp: the fraction of the second is dropped.
        {"2024-02-29 18:00:01.5000", TDateForms::Values, leapDay + 0.75 + kSecond},
        {"31.12.1899", TDateForms::Values, 1},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseDateTime(c.text, c.forms), c.expected) << c.text;
}

// A day the calendar does not have is no date in either form: the values' form used to read
// 31.02. as 2 or 3 March.
TEST(ConvertTest, TextThatIsNoDateRaisesAConversionError) {
    const struct {
        const char* text;
        TDateForms forms;
        const char* message;
    } cases[] = {
        {"31.02.2024", TDateForms::Values, "'31.02.2024' is not a valid date"},
        {"2023-02-29", TDateForms::Values, "'2023-02-29' is not a valid date"},
        {"31.04.2024", TDateForms::Settings, "'31.04.2024' is not a valid date"},
        {"2024-13-01", TDateForms::Values, "'2024-13-01' is not a valid date"},
        {"00.01.2024", TDateForms::Values, "'00.01.2024' is not a valid date"},
        {"2024-02-29", TDateForms::Settings, "'2024-02-29' is not a valid date"},
        {" 29.02.2024", TDateForms::Settings, "' 29.02.2024' is not a valid date"},
        {"29.02.24", TDateForms::Values, "'29.02.24' is not a valid date"},
        {"+1.2.2024", TDateForms::Values, "'+1.2.2024' is not a valid date"},
        {"", TDateForms::Values, "'' is not a valid date"},
        {"29.02.2024 24:00", TDateForms::Values, "'29.02.2024 24:00' is not a valid date and time"},
        {"29.02.2024 17", TDateForms::Settings, "'29.02.2024 17' is not a valid date and time"},
        {"29.02.2024  17:30", TDateForms::Settings, "'29.02.2024  17:30' is not a valid date and time"},
        {"29.02.2024 17:30:00.5", TDateForms::Settings,
         "'29.02.2024 17:30:00.5' is not a valid date and time"},
        {"2024-02-2918:00", TDateForms::Values, "'2024-02-2918:00' is not a valid date and time"},
        {"2024-02-29 10:00 Uhr", TDateForms::Values, "'2024-02-29 10:00 Uhr' is not a valid date and time"},
        {"2024-02-29 10:00:", TDateForms::Values, "'2024-02-29 10:00:' is not a valid date and time"},
    };
    for (const auto& c : cases) {
        try {
            ParseDateTime(c.text, c.forms);
            ADD_FAILURE() << '"' << c.text << "\" was read";
        } catch (const EConvertError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(ConvertTest, DayNumbersExistOnlyForCalendarDays) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_DOUBLE_EQ(EncodeDate(2024, 3, 1) - EncodeDate(2024, 2, 28), 2);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
    EXPECT_EQ(FormatDayMonthYear(EncodeDate(2024, 2, 9) + 0.75), "09.02.2024");
}

TEST(ConvertTest, FloatsInShortestFormOfUpTo15Digits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {3, "3"},
        {-0.0, "0"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {1e15, "1e+15"},
        {1e20, "1e+20"},
        {2.5e-7, "2.5e-07"},
        {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.value), c.text) << c.value;
}

} // namespace
} // namespace sollist::db
