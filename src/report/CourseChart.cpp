#include "report/CourseChart.h"

#include "report/Course.h"
#include "report/Format.h"

#include "db/Value.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

namespace sollist::report {

// Text takes the size of the chart's user units, so that it scales with the chart. Filled
// areas and bars carry their colour as a class: a chart is mostly coordinates.
const std::string_view kCourseStyle = R"(
svg.verlauf,svg.wochen{display:block;width:100%;max-width:720px;height:auto;margin:.15em 0 .35em;font-size:10px}
.vp{fill:var(--ist)}.vr{fill:#78a6d8}.vb{fill:#bcd0e8}
line.g{stroke:#dde2e7}line.a,line.t{stroke:#56606b}
line.soll{stroke:#1d2329;stroke-width:1.4;stroke-dasharray:5 3}
line.ue{stroke:var(--ueber);stroke-dasharray:2 2}circle.ue{fill:var(--ueber)}text.ue{fill:var(--ueber);font-weight:600}
text.e{text-anchor:end}text.m{text-anchor:middle}
)";

namespace {

using Out = std::back_insert_iterator<std::string>;

// The burn-up chart in user units: the plot, the hours scale left of it, the dates below it,
// target and actual hours right of it, the day of passing the target above it. The margins
// grow with the labels they hold.
constexpr double kWidth = 640;
constexpr double kHeight = 158; // the dates and a line below them
constexpr double kLeft = 42;    // at least
constexpr double kRight = 540;  // at most
constexpr double kTop = 16;
constexpr double kBottom = 124;
constexpr double kTextHalf = 3.5;  // half a text line: a label centred on a line
constexpr double kCharWidth = 6.4; // the widest digit of the chart's font, at its size
constexpr double kMinChartDays = 7;

// Coordinates to a tenth of a unit: finer than a screen or a printer shows, and short.
double Coord(double value) { return std::round(value * 10) / 10; }

// The top of a scale: the largest value with a margin, rounded up to a number that reads as
// round, and so does its half.
double ScaleTop(double largest) {
    const double wanted = std::max(largest, 0.01) * 1.05;
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double step : {1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0})
        if (step * power >= wanted)
            return step * power;
    return 10 * power;
}

std::string ScaleLabel(double hours) {
    const int decimals = hours == std::round(hours) ? 0 : hours * 10 == std::round(hours * 10) ? 1 : 2;
    return FormatNumber(hours, decimals) + " h";
}

// Characters of a label as they take room: a code point each.
double TextWidth(std::string_view text) {
    std::size_t characters = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++characters;
    return static_cast<double>(characters) * kCharWidth;
}

// Where days and hours go in the plot.
struct TPlot {
    double First = 0; // day at the left edge
    double Days = 1;  // days across the plot
    double Top = 1;   // hours at the top edge
    double Left = kLeft;
    double Right = kRight;

    double X(double day) const { return Coord(Left + (day - First) / Days * (Right - Left)); }
    double Y(double hours) const {
        return Coord(kBottom - std::clamp(hours / Top, 0.0, 1.0) * (kBottom - kTop));
    }
};

// The kinds stacked up to a band: production; and office, which with it are compared with the
// target; and time and material on top, which is not.
double BandHours(const TBookingDay& day, int band) {
    return day.Prod + (band >= 1 ? day.Buero : 0) + (band >= 2 ? day.Regie : 0);
}

using TPoint = std::pair<double, double>;

// Appends a corner of an outline; a point that only continues a level or upright edge
// replaces the last one instead, which keeps long courses short on the page.
void AddCorner(std::vector<TPoint>& outline, TPoint point) {
    if (!outline.empty() && outline.back() == point)
        return;
    const std::size_t n = outline.size();
    if (n >= 2) {
        const TPoint& before = outline[n - 2];
        const TPoint& last = outline[n - 1];
        const bool level = before.second == last.second && last.second == point.second;
        const bool upright = before.first == last.first && last.first == point.first;
        if (level || upright) {
            outline.back() = point;
            return;
        }
    }
    outline.push_back(point);
}

// One band as an area closed along the base line: it rises across each booking day (or week)
// of `length` days and stays level between them, and after the last one to the right edge.
void AppendBand(std::string& out, const TPlot& plot, const std::vector<TBookingDay>& points, double length,
                int band, std::string_view kind) {
    std::vector<TPoint> outline;
    outline.reserve(2 * points.size() + 3);
    AddCorner(outline, {plot.X(points.front().Day), plot.Y(0)});
    double sum = 0;
    for (const TBookingDay& day : points) {
        AddCorner(outline, {plot.X(day.Day), plot.Y(sum)});
        sum += BandHours(day, band);
        AddCorner(outline, {plot.X(day.Day + length), plot.Y(sum)});
    }
    AddCorner(outline, {plot.Right, plot.Y(sum)});
    AddCorner(outline, {plot.Right, plot.Y(0)});
    fmt::format_to(Out(out), R"(<polygon class="{}" points=")", kind);
    for (std::size_t i = 0; i < outline.size(); ++i)
        fmt::format_to(Out(out), "{}{:g},{:g}", i > 0 ? " " : "", outline[i].first, outline[i].second);
    out += R"("/>)";
}

void AppendText(std::string& out, double x, double y, std::string_view classes, std::string_view text) {
    fmt::format_to(Out(out), R"(<text x="{:g}" y="{:g}")", Coord(x), Coord(y));
    if (!classes.empty())
        fmt::format_to(Out(out), R"( class="{}")", classes);
    fmt::format_to(Out(out), ">{}</text>", text);
}

void AppendLine(std::string& out, std::string_view kind, double x1, double x2, double y1, double y2) {
    fmt::format_to(Out(out), R"(<line class="{}" x1="{:g}" x2="{:g}" y1="{:g}" y2="{:g}"/>)", kind, x1, x2,
                   y1, y2);
}

void AppendHorizontal(std::string& out, std::string_view kind, const TPlot& plot, double y) {
    AppendLine(out, kind, plot.Left, plot.Right, y, y);
}

void AppendRect(std::string& out, std::string_view kind, double x, double y, double width, double height) {
    fmt::format_to(Out(out), R"(<rect class="{}" x="{:g}" y="{:g}" width="{:g}" height="{:g}"/>)", kind, x, y,
                   width, height);
}

// Whether any day of the course has hours of this kind.
bool HasKind(const std::vector<TBookingDay>& course, double TBookingDay::*kind) {
    return std::any_of(course.begin(), course.end(),
                       [kind](const TBookingDay& day) { return day.*kind != 0; });
}

// Grid lines and labels at the top of the scale and its half, and the base line.
void AppendScale(std::string& out, const TPlot& plot) {
    for (double hours : {plot.Top, plot.Top / 2}) {
        AppendHorizontal(out, "g", plot, plot.Y(hours));
        AppendText(out, plot.Left - 4, plot.Y(hours) + kTextHalf, "e", ScaleLabel(hours));
    }
    AppendText(out, plot.Left - 4, kBottom + kTextHalf, "e", "0");
}

// Ticks below the plot: each Monday ("dd.mm.") for a span of up to ten weeks, else the first of
// each month ("mm.yyyy"), every second, third, ... one where they would crowd.
void AppendDateTicks(std::string& out, const TPlot& plot) {
    constexpr double kLabelRoom = 56; // a label and the gap to the next
    const double last = plot.First + plot.Days;
    const auto maxTicks = std::max(1.0, std::floor((plot.Right - plot.Left) / kLabelRoom));
    const auto tick = [&](double day, const std::string& label) {
        const double x = plot.X(day);
        AppendLine(out, "t", x, x, kBottom, kBottom + 3);
        AppendText(out, x, kBottom + 13, "m", label);
    };
    if (plot.Days <= 70) {
        const double step = 7 * std::ceil(plot.Days / 7 / maxTicks);
        double monday = MondayOf(plot.First);
        if (monday < plot.First)
            monday += 7;
        for (double date = monday; date <= last; date += step) {
            int year = 0, month = 0, dayOfMonth = 0;
            db::DecodeDate(date, year, month, dayOfMonth);
            tick(date, fmt::format("{:02}.{:02}.", dayOfMonth, month));
        }
        return;
    }
    int year = 0, month = 0, dayOfMonth = 0;
    db::DecodeDate(plot.First, year, month, dayOfMonth);
    const double months = plot.Days / 30.44;
    int step = 1;
    for (int candidate : {1, 2, 3, 6, 12, 24, 60})
        if ((step = candidate) >= months / maxTicks)
            break;
    // The first month start on or after the left edge, on a multiple of the step.
    int index = year * 12 + (month - 1) + (dayOfMonth > 1 ? 1 : 0);
    index += (step - index % step) % step;
    for (;; index += step) {
        const double day = db::EncodeDate(index / 12, index % 12 + 1, 1);
        if (day > last)
            break;
        tick(day, fmt::format("{:02}.{}", index % 12 + 1, index / 12));
    }
}

double RegieSum(const std::vector<TBookingDay>& course) {
    double sum = 0;
    for (const TBookingDay& day : course) sum += day.Regie;
    return sum;
}

std::string ChartTitle(const TOrderHours& order) {
    const TBookingDay& last = order.Course.back();
    std::string title = fmt::format("Verlauf der Iststunden: {} bis {}", FormatHours(last.SumOhneRegie),
                                    FormatDate(last.Day));
    if (const double regie = RegieSum(order.Course); regie > 0)
        title += ", dazu Regie " + FormatHours(regie);
    if (!HasTarget(order.Soll))
        return title + ", ohne Soll";
    title += ", Soll " + FormatHours(order.Soll);
    if (order.OverSince > 0)
        title += ", über Soll seit " + FormatDate(order.OverSince);
    return title;
}

std::string TargetLabel(const TOrderHours& order) { return "Soll " + FormatHours(order.Soll); }
std::string ActualLabel(const TOrderHours& order) {
    return "Ist " + FormatHours(order.Course.back().SumOhneRegie);
}

// Target line and the target and actual figures right of the plot, kept a line apart.
void AppendTargetAndActual(std::string& out, const TOrderHours& order, const TPlot& plot) {
    constexpr double kLine = 11;
    double actualY = plot.Y(order.Course.back().SumOhneRegie);
    if (HasTarget(order.Soll)) {
        const double targetY = plot.Y(order.Soll);
        AppendHorizontal(out, "soll", plot, targetY);
        AppendText(out, plot.Right + 4, targetY + kTextHalf, "", TargetLabel(order));
        if (std::fabs(actualY - targetY) < kLine)
            actualY = actualY <= targetY ? targetY - kLine : targetY + kLine;
    }
    AppendText(out, plot.Right + 4, actualY + kTextHalf, "", ActualLabel(order));
}

// The day the course passed the target for good: a line through the plot, a dot on the target
// line, the date above the plot.
void AppendPassing(std::string& out, const TOrderHours& order, const TPlot& plot) {
    if (order.OverSince <= 0)
        return;
    const double x = plot.X(order.OverSince);
    AppendLine(out, "ue", x, x, kTop, kBottom);
    fmt::format_to(Out(out), R"(<circle class="ue" cx="{:g}" cy="{:g}" r="3"/>)", x, plot.Y(order.Soll));
    const bool leftHalf = x < (plot.Left + plot.Right) / 2;
    AppendText(out, leftHalf ? x + 3 : x - 3, kTop - 5, leftHalf ? "ue" : "ue e",
               "über Soll seit " + FormatDate(order.OverSince));
}

// Where the time records of today do not add up to what the run stored: bookings or wage
// rows changed since the run.
void AppendStoredDiffers(std::string& out, const TOrderHours& order) {
    const double course = order.Course.empty() ? 0 : order.Course.back().Sum;
    if (!Overrun(std::fabs(course - order.Ist())))
        return;
    fmt::format_to(
        Out(out),
        "<p class=\"hinweis\">Die Zeitbuchungen ergeben heute {}, der letzte Lauf hat {} gespeichert: "
        "seit dem Lauf geändert.</p>\n",
        FormatHours(course), FormatHours(order.Ist()));
}

// A course of a single booking day: the kinds stacked as points on that day.
void AppendPoints(std::string& out, const TPlot& plot, const TBookingDay& day) {
    const double x = plot.X(day.Day);
    for (const auto& [band, kind, hours] :
         {std::tuple{2, "vr", day.Regie}, std::tuple{1, "vb", day.Buero}, std::tuple{0, "vp", day.Prod}})
        if (hours != 0)
            fmt::format_to(Out(out), R"(<circle class="{}" cx="{:g}" cy="{:g}" r="3.5"/>)", kind, x,
                           plot.Y(BandHours(day, band)));
}

} // namespace

void AppendCourseLegend(std::string& out) {
    out +=
        R"(<p class="hinweis">Verlauf:)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="vp" width="10" height="10"/></svg> Produktion)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="vb" width="10" height="10"/></svg> Büro)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="vr" width="10" height="10"/></svg> Regie (obenauf, zählt nicht gegen das Soll))"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><line class="soll" x1="0" x2="10" y1="5" y2="5"/></svg> Soll)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><circle class="ue" cx="5" cy="5" r="3"/></svg> über Soll seit)"
        R"( – die Iststunden Buchungstag für Buchungstag aufsummiert, mit den Lohnfaktoren gewichtet wie im Lauf; )"
        R"(ein Auftrag mit einem einzigen Buchungstag als Punkt; )";
    fmt::format_to(Out(out), "bei mehr als {} Buchungstagen je Kalenderwoche.</p>\n", kMaxChartDays);
}

void AppendCourseChart(std::string& out, const TOrderHours& order) {
    AppendStoredDiffers(out, order);
    if (order.Course.empty())
        return;
    const bool weekly = order.Course.size() > kMaxChartDays;
    const std::vector<TBookingDay> points = weekly ? WeeklyCourse(order.Course) : order.Course;
    const double length = weekly ? 7 : 1;
    double largest = order.Soll;
    for (const TBookingDay& day : order.Course) largest = std::max(largest, day.Sum);
    // A short course keeps a week's width, level after its last day: one booking day would
    // otherwise rise across the whole chart.
    const double days = std::max(points.back().Day + length - points.front().Day, kMinChartDays);
    TPlot plot{points.front().Day, days, ScaleTop(largest)};
    plot.Left = std::max(kLeft, 8 + TextWidth(ScaleLabel(plot.Top)));
    plot.Right =
        std::min(kRight, kWidth - 6 - std::max(TextWidth(TargetLabel(order)), TextWidth(ActualLabel(order))));

    fmt::format_to(Out(out), R"(<svg class="verlauf" viewBox="0 0 {:g} {:g}" role="img"><title>{}</title>)",
                   kWidth, kHeight, ChartTitle(order));
    AppendScale(out, plot);
    if (points.size() == 1 && !weekly) {
        AppendPoints(out, plot, points.front());
    } else {
        // The widest band first, each narrower one over it; a kind without hours adds none.
        if (HasKind(points, &TBookingDay::Regie))
            AppendBand(out, plot, points, length, 2, "vr");
        if (HasKind(points, &TBookingDay::Buero))
            AppendBand(out, plot, points, length, 1, "vb");
        if (HasKind(points, &TBookingDay::Prod))
            AppendBand(out, plot, points, length, 0, "vp");
    }
    AppendHorizontal(out, "a", plot, kBottom);
    AppendTargetAndActual(out, order, plot);
    AppendPassing(out, order, plot);
    AppendDateTicks(out, plot);
    if (weekly)
        AppendText(out, (plot.Left + plot.Right) / 2, kBottom + 27, "m",
                   fmt::format("je Kalenderwoche ({} Buchungstage)", order.Course.size()));
    out += "</svg>\n";
}

void AppendRecentWeeksChart(std::string& out, const TReport& report) {
    const std::vector<TWeekHours> weeks = RecentWeeks(report.Orders, report.WrittenAt, kRecentWeekCount);
    double largest = 0, hours = 0, over = 0;
    for (const TWeekHours& week : weeks) {
        largest = std::max(largest, week.Hours);
        hours += week.Hours;
        over += week.OverTarget;
    }
    fmt::format_to(Out(out),
                   "<p class=\"hinweis\">Gebucht in den letzten {} Kalenderwochen: {}, davon {} auf Aufträge "
                   "über ihrem Soll (rot).</p>\n",
                   weeks.size(), FormatHours(hours), FormatHours(over));
    constexpr double kBarsLeft = 10, kBarsRight = 630, kBarsTop = 14, kBarsBottom = 92;
    const double slot = (kBarsRight - kBarsLeft) / static_cast<double>(weeks.size());
    const double top = ScaleTop(largest);
    const auto y = [&](double h) {
        return Coord(kBarsBottom - std::clamp(h / top, 0.0, 1.0) * (kBarsBottom - kBarsTop));
    };
    fmt::format_to(Out(out), R"(<svg class="wochen" viewBox="0 0 640 108" role="img"><title>{}</title>)",
                   fmt::format("Stunden je Kalenderwoche, davon über Soll: {}", FormatHours(over)));
    for (std::size_t i = 0; i < weeks.size(); ++i) {
        const TWeekHours& week = weeks[i];
        const double left = kBarsLeft + slot * static_cast<double>(i);
        const double middle = left + slot / 2;
        const double within = std::max(week.Hours - week.OverTarget, 0.0);
        const double barX = Coord(left + slot * 0.2);
        const double barWidth = Coord(slot * 0.6);
        AppendRect(out, "i", barX, y(within), barWidth, Coord(kBarsBottom - y(within)));
        if (week.OverTarget > 0)
            AppendRect(out, "u", barX, y(within + week.OverTarget), barWidth,
                       Coord(y(within) - y(within + week.OverTarget)));
        AppendText(out, middle, y(week.Hours) - 3, "m", FormatNumber(week.Hours, 0));
        AppendText(out, middle, kBarsBottom + 12, "m", fmt::format("KW {}", CalendarWeek(week.Monday)));
    }
    AppendLine(out, "a", kBarsLeft, kBarsRight, kBarsBottom, kBarsBottom);
    out += "</svg>\n";
}

} // namespace sollist::report
