#include "common/Errors.h"
#include "common/Text.h"
#include "db/Convert.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

namespace sollist::db {

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil calendar algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// A day that the calendar has (years as the day numbers' calendar type holds them).
bool IsCalendarDate(int year, int month, int day) {
    using namespace std::chrono;
    if (year < static_cast<int>(year::min()) || year > static_cast<int>(year::max()) || month < 1 ||
        month > 12 || day < 1 || day > 31)
        return false;
    return year_month_day{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                          std::chrono::day(static_cast<unsigned>(day))}
        .ok();
}

constexpr std::int64_t kUnixEpochDay = 25569; // 1970-01-01 as day number

constexpr std::string_view kBlanks = " \t\r\n"; // around values and between their date and time

[[noreturn]] void NotA(const std::string& text, const char* what) {
    throw EConvertError(fmt::format("'{}' is not a valid {}", text, what));
}

// Reads date and time text from the front. A step that fails consumes nothing.
class TDateScanner {
public:
    explicit TDateScanner(std::string_view text) : rest_(text) {}
    bool AtEnd() const { return rest_.empty(); }

    // "D.M.YYYY": day and month of one or two digits, the year of four.
    bool DayMonthYear(int& day, int& month, int& year) {
        return Step([&] {
            return Number(1, 2, day) && Char('.') && Number(1, 2, month) && Char('.') && Number(4, 4, year);
        });
    }
    // "YYYY-M-D".
    bool YearMonthDay(int& year, int& month, int& day) {
        return Step([&] {
            return Number(4, 4, year) && Char('-') && Number(1, 2, month) && Char('-') && Number(1, 2, day);
        });
    }
    // One of blanks, or with several any number of them but at least one.
    bool Blanks(std::string_view blanks, bool several) {
        const std::size_t n = std::min(rest_.find_first_not_of(blanks), rest_.size());
        if (n == 0 || (n > 1 && !several))
            return false;
        rest_.remove_prefix(n);
        return true;
    }
    // "h:mm" or "h:mm:ss" (each part of one or two digits) within the day, as seconds; with
    // fraction, digits after a "." may follow the seconds and are dropped.
    bool TimeOfDay(int& seconds, bool fraction) {
        return Step([&] {
            int hour = 0, minute = 0, second = 0;
            if (!Number(1, 2, hour) || !Char(':') || !Number(1, 2, minute))
                return false;
            if (Step([&] { return Char(':') && Number(1, 2, second); }) && fraction)
                Step([&] { return Char('.') && Digits() > 0; });
            seconds = hour * 3600 + minute * 60 + second;
            return hour <= 23 && minute <= 59 && second <= 59;
        });
    }

private:
    template <class Steps>
    bool Step(Steps steps) {
        const std::string_view saved = rest_;
        if (steps())
            return true;
        rest_ = saved;
        return false;
    }
    bool Char(char c) {
        if (rest_.empty() || rest_.front() != c)
            return false;
        rest_.remove_prefix(1);
        return true;
    }
    std::size_t Digits(std::size_t most = std::string_view::npos) {
        std::size_t n = 0;
        while (n < rest_.size() && n < most && rest_[n] >= '0' && rest_[n] <= '9') ++n;
        rest_.remove_prefix(n);
        return n;
    }
    bool Number(std::size_t fewest, std::size_t most, int& value) {
        const char* first = rest_.data();
        const std::size_t n = Digits(most);
        std::from_chars(first, first + n, value);
        return n >= fewest;
    }

    std::string_view rest_;
};

bool ParseDouble(const std::string& text, double& result) {
    std::string t = text::Trim(text);
    for (char& c : t)
        if (c == ',')
            c = '.';
    if (t.empty())
        return false;
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), result);
    return ec == std::errc() && ptr == t.data() + t.size() && std::isfinite(result);
}
} // namespace

double EncodeDate(int year, int month, int day) {
    if (!IsCalendarDate(year, month, day))
        throw EConvertError(fmt::format("Invalid date {:04}-{:02}-{:02}", year, month, day));
    return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

void DecodeDate(double dayNumber, int& year, int& month, int& day) {
    CivilFromDays(static_cast<std::int64_t>(std::floor(dayNumber)) - kUnixEpochDay, year, month, day);
}

double Now() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

double Today() { return std::floor(Now()); }

std::string FormatFloat(double value) {
    if (value == 0)
        return "0"; // also for -0
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

double ParseDateTime(const std::string& text, TDateForms forms) {
    const bool values = forms == TDateForms::Values;
    const std::string trimmed = values ? text::Trim(text, kBlanks) : text;
    TDateScanner scan(trimmed);
    int year = 0, month = 0, day = 0;
    const bool dated = scan.DayMonthYear(day, month, year) || (values && scan.YearMonthDay(year, month, day));
    if (!dated || !IsCalendarDate(year, month, day))
        NotA(text, "date");
    const double date = EncodeDate(year, month, day);
    if (scan.AtEnd())
        return date;
    int seconds = 0;
    if (!scan.Blanks(values ? kBlanks : " ", values) || !scan.TimeOfDay(seconds, values) || !scan.AtEnd())
        NotA(text, "date and time");
    return date + seconds / 86400.0;
}

std::string FormatDayMonthYear(double dayNumber) {
    int year = 0, month = 0, day = 0;
    DecodeDate(std::floor(dayNumber), year, month, day);
    return fmt::format("{:02}.{:02}.{:04}", day, month, year);
}

std::string FormatDateTime(double dayNumber) {
    int year, month, day;
    DecodeDate(dayNumber, year, month, day);
    std::string text = fmt::format("{:04}-{:02}-{:02}", year, month, day);
    long seconds = std::lround((dayNumber - std::floor(dayNumber)) * 86400.0);
    if (seconds > 0 && seconds < 86400)
        text += fmt::format(" {:02}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::string ValueToString(const TValue& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return FormatFloat(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(bool v) const { return v ? "True" : "False"; }
    };
    return std::visit(Visitor{}, value);
}

double ValueToFloat(const TValue& value) {
    struct Visitor {
        double operator()(std::monostate) const { return 0; }
        double operator()(std::int64_t v) const { return static_cast<double>(v); }
        double operator()(double v) const { return v; }
        double operator()(const std::string& v) const {
            double result = 0;
            if (!ParseDouble(v, result))
                NotA(v, "floating point value");
            return result;
        }
        double operator()(bool v) const { return v ? 1 : 0; }
    };
    return std::visit(Visitor{}, value);
}

std::int64_t ValueToInteger(const TValue& value) {
    if (auto* integer = std::get_if<std::int64_t>(&value))
        return *integer;
    if (auto* text = std::get_if<std::string>(&value)) {
        std::string t = text::Trim(*text);
        std::int64_t result = 0;
        const char* first = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
        auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), result);
        if (t.empty() || ec != std::errc() || ptr != t.data() + t.size())
            NotA(*text, "integer value");
        return result;
    }
    double v = ValueToFloat(value);
    if (!(std::fabs(v) < 9.2e18))
        throw EConvertError(fmt::format("{} is out of the integer range", FormatFloat(v)));
    return std::llround(v);
}

bool ValueToBoolean(const TValue& value) {
    if (auto* text = std::get_if<std::string>(&value)) {
        const std::string t = text::UpperAscii(text::Trim(*text));
        if (t == "TRUE" || t == "T" || t == "1" || t == "Y")
            return true;
        if (t == "FALSE" || t == "F" || t == "0" || t == "N" || t.empty())
            return false;
        NotA(*text, "boolean value");
    }
    return ValueToFloat(value) != 0;
}

double ValueToDateTime(const TValue& value) {
    if (auto* text = std::get_if<std::string>(&value))
        return text->empty() ? 0.0 : ParseDateTime(*text);
    return ValueToFloat(value);
}

} // namespace sollist::db
