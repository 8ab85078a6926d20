#include "report/Course.h"

#include "db/Value.h"

#include <algorithm>
#include <cmath>

namespace sollist::report {

std::vector<TBookingDay> CourseOf(const std::map<std::int32_t, ist::TIstTag>& days) {
    std::vector<TBookingDay> course;
    course.reserve(days.size());
    double sum = 0, ohneRegie = 0;
    for (const auto& [day, hours] : days) {
        sum += hours.Prodstd + hours.Regiestd + hours.OffStd;
        ohneRegie += hours.Prodstd + hours.OffStd;
        course.push_back(
            {static_cast<double>(day), hours.Prodstd, hours.Regiestd, hours.OffStd, sum, ohneRegie});
    }
    return course;
}

double OverTargetSince(const std::vector<TBookingDay>& course, double soll) {
    if (!HasTarget(soll))
        return 0;
    double since = 0;
    for (const TBookingDay& day : course) {
        if (!Overrun(day.SumOhneRegie - soll))
            since = 0;
        else if (since == 0)
            since = day.Day;
    }
    return since;
}

double HoursOverTarget(const TBookingDay& day, double soll) {
    if (!HasTarget(soll) || !(day.Gezaehlt() > 0))
        return 0;
    return std::clamp(day.SumOhneRegie - soll, 0.0, day.Gezaehlt());
}

double ActivityOverSince(const std::vector<ist::TIstPosten>& buchungen, const TActivityHours& activity) {
    if (activity.Regie())
        return 0;
    std::vector<TBookingDay> course;
    double sum = 0;
    for (const ist::TIstPosten& p : buchungen) {
        if (p.RmTat != activity.RmTat)
            continue;
        sum += p.Gewichtet;
        if (course.empty() || course.back().Day != p.Tag)
            course.push_back({static_cast<double>(p.Tag), 0, 0, 0, 0});
        course.back().Prod += p.Gewichtet;
        course.back().Sum = course.back().SumOhneRegie = sum;
    }
    return OverTargetSince(course, activity.Soll);
}

double MondayOf(double day) {
    const auto whole = static_cast<std::int64_t>(std::floor(day));
    // Day 0, 30.12.1899, was a Saturday: day 2 the first Monday.
    const std::int64_t sinceMonday = ((whole - 2) % 7 + 7) % 7;
    return static_cast<double>(whole - sinceMonday);
}

int CalendarWeek(double day) {
    const double thursday = MondayOf(day) + 3;
    int year = 0, month = 0, dayOfMonth = 0;
    db::DecodeDate(thursday, year, month, dayOfMonth);
    return static_cast<int>((thursday - db::EncodeDate(year, 1, 1)) / 7) + 1;
}

std::vector<TBookingDay> WeeklyCourse(const std::vector<TBookingDay>& course) {
    std::vector<TBookingDay> weeks;
    for (const TBookingDay& day : course) {
        const double monday = MondayOf(day.Day);
        if (weeks.empty() || weeks.back().Day != monday)
            weeks.push_back({monday, 0, 0, 0, 0});
        TBookingDay& week = weeks.back();
        week.Prod += day.Prod;
        week.Regie += day.Regie;
        week.Buero += day.Buero;
        week.Sum = day.Sum;
        week.SumOhneRegie = day.SumOhneRegie;
    }
    return weeks;
}

std::vector<TWeekHours> RecentWeeks(const std::vector<TOrderHours>& orders, double today, int count) {
    std::vector<TWeekHours> weeks(static_cast<std::size_t>(std::max(count, 0)));
    const double first = MondayOf(today) - 7.0 * (count - 1);
    for (std::size_t i = 0; i < weeks.size(); ++i) weeks[i].Monday = first + 7.0 * static_cast<double>(i);
    for (const TOrderHours& order : orders) {
        for (const TBookingDay& day : order.Course) {
            const double index = std::floor((day.Day - first) / 7);
            if (index < 0 || index >= count)
                continue;
            TWeekHours& week = weeks[static_cast<std::size_t>(index)];
            week.Hours += day.Hours();
            week.OverTarget += HoursOverTarget(day, order.Soll);
        }
    }
    return weeks;
}

} // namespace sollist::report
