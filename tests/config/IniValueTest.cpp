#include "config/DBIniFile.h"

#include "common/Errors.h"
#include "db/Value.h"
#include "support/Environment.h"
#include "support/Locale.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::config {
namespace {

using IniValue::FormatDate;
using IniValue::FormatFloat;
using IniValue::ParseDate;
using IniValue::ParseFloat;
using IniValue::ParseInteger;

// Numbers written with ".", whatever locale the test is run in.
class IniValueTest : public ::testing::Test {
protected:
    test::EnvironmentGuard locale_{"LC_ALL", "C"};
};

TEST_F(IniValueTest, FloatsAreWrittenInShortestFormWithUpTo15Digits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.1, "0.1"},
        {1.15, "1.15"},
        {100, "100"},
        {-2.5, "-2.5"},
        {0, "0"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345678.0, "1.23456789012346e+17"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.value), c.text) << c.value;
}

TEST_F(IniValueTest, FloatsOfUpTo15DigitsReadBackExactly) {
    for (double value : {0.1, 1.15, -2.5e-7, 123456.789012345, 6.02214076e23})
        EXPECT_DOUBLE_EQ(ParseFloat(FormatFloat(value)), value);
}

TEST_F(IniValueTest, IntegersConvertOnlyFromWholeDecimalText) {
    EXPECT_EQ(ParseInteger("15"), 15);
    EXPECT_EQ(ParseInteger("-3"), -3);
    EXPECT_EQ(ParseInteger("+7"), 7);
    for (const char* bad : {"", "abc", "1.5", "15 ", " 15", "0x10", "+-1", "99999999999999999999"})
        EXPECT_THROW(ParseInteger(bad), EConvertError) << '"' << bad << '"';
}

TEST_F(IniValueTest, FloatsRejectTextThatIsNoNumber) {
    EXPECT_DOUBLE_EQ(ParseFloat(" 2.5 "), 2.5);
    EXPECT_DOUBLE_EQ(ParseFloat("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(ParseFloat("1e3"), 1000);
    for (const char* bad : {"", " ", "abc", "1,5", "inf", "nan", "1.5x", "--1"})
        EXPECT_THROW(ParseFloat(bad), EConvertError) << '"' << bad << '"';
}

TEST_F(IniValueTest, ConversionMessagesQuoteTheText) {
    try {
        ParseInteger("abc");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
        EXPECT_STREQ(error.kind(), "EConvertError");
    }
}

TEST_F(IniValueTest, DatesUseDayMonthYearWithOptionalTime) {
    const double christmas = db::EncodeDate(2023, 12, 24);
    EXPECT_EQ(FormatDate(christmas), "24.12.2023");
    EXPECT_EQ(FormatDate(christmas + 0.75), "24.12.2023"); // the time of day is not kept
    EXPECT_EQ(FormatDate(db::EncodeDate(2024, 2, 1)), "01.02.2024");
    EXPECT_DOUBLE_EQ(ParseDate("24.12.2023"), christmas);
    EXPECT_DOUBLE_EQ(ParseDate("1.2.2024"), db::EncodeDate(2024, 2, 1));
    EXPECT_DOUBLE_EQ(ParseDate("24.12.2023 17:30"), christmas + 17.5 / 24);
    EXPECT_DOUBLE_EQ(ParseDate("24.12.2023 06:00:36"), christmas + 0.25 + 36.0 / 86400);
    for (const char* bad : {"", "abc", "31.02.2023", "2023-12-24", "24.12.23", "24.12.2023 25:00",
                            "24.12.2023 17", "24.12.2023x"})
        EXPECT_THROW(ParseDate(bad), EConvertError) << '"' << bad << '"';
}

// An environment whose locale has "," as decimal separator.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        env_.Set("LC_ALL", test::DecimalCommaLocale::Name);
        if (IniValue::DecimalSeparator() != ',')
            GTEST_SKIP() << "no locale with a comma decimal separator available";
    }
    test::DecimalCommaLocale locale_;
    test::EnvironmentGuard env_;
};

TEST_F(CommaLocale, FloatsUseTheLocaleSeparatorBothWays) {
    EXPECT_EQ(FormatFloat(1.15), "1,15");
    EXPECT_DOUBLE_EQ(ParseFloat("1,15"), 1.15);
    EXPECT_THROW(ParseFloat("1.15"), EConvertError);
}

} // namespace
} // namespace sollist::config
