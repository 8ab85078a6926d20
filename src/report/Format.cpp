#include "report/Format.h"

#include "db/Convert.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sollist::report {

std::string FormatNumber(double value, int decimals, bool grouping) {
    if (!std::isfinite(value))
        return "–";
    // Commercial rounding, half away from zero: 0,125 h shows as 0,13 h as on a calculator.
    std::uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i) unit *= 10;
    const double scaled = std::round(std::fabs(value) * static_cast<double>(unit));
    if (scaled >= 9e18)
        return fmt::format("{:.{}e}", value, decimals);
    const auto units = static_cast<std::uint64_t>(scaled);
    // Rounded to nothing: no sign, so that -0.001 does not show as "-0,00".
    std::string text = value < 0 && units != 0 ? "-" : "";

    const std::string whole = std::to_string(units / unit);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (grouping && i > 0 && (whole.size() - i) % 3 == 0)
            text += '.';
        text += whole[i];
    }
    if (decimals > 0)
        text += fmt::format(",{:0{}}", units % unit, decimals);
    return text;
}

std::string FormatHours(double hours) { return FormatNumber(hours) + " h"; }

std::string FormatDifference(double hours) {
    const std::string text = FormatNumber(hours);
    const bool positive = hours > 0 && text.find_first_not_of("0,.") != std::string::npos;
    return (positive ? "+" : "") + text + " h";
}

std::string FormatPercent(double percent) {
    const std::string text = FormatNumber(percent, 1);
    const bool positive = percent > 0 && text.find_first_not_of("0,.") != std::string::npos;
    return (positive ? "+" : "") + text + " %";
}

std::string FormatDate(double dayNumber) { return db::FormatDayMonthYear(dayNumber); }

std::string FormatDateTime(double dayNumber) {
    const double whole = std::floor(dayNumber);
    // Minutes of the day, rounded; a moment rounded up to midnight stays on its own day.
    const int minutes = std::min(static_cast<int>(std::lround((dayNumber - whole) * 24 * 60)), 24 * 60 - 1);
    return fmt::format("{} {:02}:{:02}", FormatDate(whole), minutes / 60, minutes % 60);
}

} // namespace sollist::report
