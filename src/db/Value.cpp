#include "common/Errors.h"
#include "common/Text.h"
#include "db/Convert.h"

#include <fmt/format.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
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

constexpr std::int64_t kUnixEpochDay = 25569; // 1970-01-01 as day number

[[noreturn]] void NotA(const std::string& text, const char* what) {
    throw EConvertError(fmt::format("'{}' is not a valid {}", text, what));
}

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
    if (month < 1 || month > 12 || day < 1 || day > 31)
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
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return fmt::format("{}", static_cast<std::int64_t>(value));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

double ParseDateTime(const std::string& text) {
    std::string t = text::Trim(text);
    int a = 0, b = 0, c = 0, hour = 0, minute = 0, second = 0, used = 0;
    double date = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &a, &b, &c, &used) == 3)
        date = EncodeDate(a, b, c);
    else if (std::sscanf(t.c_str(), "%2d.%2d.%4d%n", &a, &b, &c, &used) == 3)
        date = EncodeDate(c, b, a);
    else
        NotA(text, "date");
    std::string rest = text::Trim(t.substr(static_cast<std::size_t>(used)));
    if (rest.empty())
        return date;
    int fields = std::sscanf(rest.c_str(), "%2d:%2d:%2d", &hour, &minute, &second);
    if (fields < 2 || hour > 23 || minute > 59 || second > 59)
        NotA(text, "date and time");
    return date + (hour * 3600 + minute * 60 + second) / 86400.0;
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
