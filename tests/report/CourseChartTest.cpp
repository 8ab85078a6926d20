// The course on the page: an order's burn-up chart read back as hours (its end is the stored
// actual hours, the day of passing the target named and marked), weeks instead of days for a
// long course, an order without a target, time records changed since the run, the overview's
// column "über Soll seit" and the chart of the last twelve weeks.
#include "report/CourseChart.h"
#include "ReportTestSupport.h"
#include "report/Course.h"
#include "report/Html.h"

#include "db/Value.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

namespace sollist::report {
namespace {

using support::Between;
using support::CourseChart;
using support::ReadCourseChart;

double December(int day) { return db::EncodeDate(2026, 12, day); }

// An order whose course is the given days of production, Regie and office hours, with the
// totals the run would have stored for it.
TOrderHours Order(std::string ofNumm, double soll, std::vector<TBookingDay> days) {
    TOrderHours order;
    order.OfNumm = std::move(ofNumm);
    order.Soll = soll;
    double sum = 0, ohneRegie = 0;
    for (TBookingDay& day : days) {
        day.Sum = sum += day.Hours();
        day.SumOhneRegie = ohneRegie += day.Gezaehlt();
        order.IstProd += day.Prod;
        order.IstRegie += day.Regie;
        order.IstBuero += day.Buero;
    }
    order.Course = std::move(days);
    order.OverSince = OverTargetSince(order.Course, soll);
    order.IstBis = order.Course.empty() ? 0 : order.Course.back().Day;
    return order;
}

TReport Report(std::vector<TOrderHours> orders) {
    TReport report;
    report.WrittenAt = December(11) + 0.25; // a Friday, week 50
    report.Orders = std::move(orders);
    Arrange(report);
    return report;
}

std::string DetailBlock(const std::string& html, const std::string& ofNumm) {
    return Between(html, R"(<section class="auftrag" id="o-)" + ofNumm + "\">", "</section>");
}

// K1 passes its 10 h on 9 December: its 2 h of Regie count not against the target. Production,
// office and Regie stacked, Regie on top.
TEST(ReportCourseChart, BurnUpEndsAtTheStoredHoursAndNamesTheDayOfPassing) {
    const std::string html = HtmlReport(
        Report({Order("K1", 10, {{December(1), 6, 2, 0}, {December(3), 3, 0, 1}, {December(9), 4, 0, 0}})}));
    const std::string block = DetailBlock(html, "K1");
    const CourseChart chart = ReadCourseChart(block);

    EXPECT_EQ(chart.areas.size(), 3u) << "production, office and Regie";
    const auto [x, y] = chart.End();
    EXPECT_NEAR(chart.HoursAt(y), 16, 0.01) << "the stored 16 h, Regie included";
    EXPECT_EQ(chart.areas.at("vp").back().first, x) << "the course reaches the right edge";
    // Production alone ends at its own 13 h, with office at the 14 h compared with the target.
    const auto production = chart.areas.at("vp");
    EXPECT_NEAR(chart.HoursAt(production[production.size() - 2].second), 13, 0.01);
    const auto office = chart.areas.at("vb");
    EXPECT_NEAR(chart.HoursAt(office[office.size() - 2].second), 14, 0.01);
    EXPECT_TRUE(chart.HasText("über Soll seit 09.12.2026"));
    EXPECT_TRUE(chart.HasText("Soll 10,00 h"));
    EXPECT_TRUE(chart.HasText("Ist 14,00 h"));
    EXPECT_TRUE(chart.HasText("07.12.")) << "the Monday in the course";
    EXPECT_EQ(chart.title, "Verlauf der Iststunden: 14,00 h bis 09.12.2026, dazu Regie 2,00 h, Soll 10,00 h, "
                           "über Soll seit 09.12.2026");
    EXPECT_NE(block.find(R"(<line class="soll")"), std::string::npos);
    EXPECT_NE(block.find(R"(<circle class="ue")"), std::string::npos);
    EXPECT_EQ(block.find("seit dem Lauf"), std::string::npos) << "the course agrees with the stored hours";
}

// More booking days than a chart carries: weeks, said in the chart; the end stays the same.
TEST(ReportCourseChart, LongCourseShowsWeeksAndSaysSo) {
    std::vector<TBookingDay> days;
    for (std::size_t i = 0; i <= kMaxChartDays; ++i)
        days.push_back({db::EncodeDate(2026, 1, 5) + static_cast<double>(i) * 2, 1.5});
    const std::string html = HtmlReport(Report({Order("L1", 50, days)}));
    const CourseChart chart = ReadCourseChart(DetailBlock(html, "L1"));

    EXPECT_TRUE(chart.HasText(fmt::format("je Kalenderwoche ({} Buchungstage)", kMaxChartDays + 1)));
    const std::size_t weeks = (kMaxChartDays * 2) / 7 + 1;
    EXPECT_LE(chart.areas.at("vp").size(), 2 * weeks + 4);
    EXPECT_NEAR(chart.HoursAt(chart.End().second), 1.5 * static_cast<double>(kMaxChartDays + 1), 0.1);
    EXPECT_TRUE(chart.HasText("über Soll seit 12.03.2026")); // the 34th day: 51 h

    days.pop_back();
    const std::string daily = HtmlReport(Report({Order("L1", 50, days)}));
    EXPECT_EQ(daily.find(">je Kalenderwoche ("), std::string::npos)
        << kMaxChartDays << " days are drawn one by one";
}

// No target: no target line, no day of passing, in the chart or the overview.
TEST(ReportCourseChart, OrderWithoutTarget) {
    const std::string html = HtmlReport(Report({Order("R1", 0, {{December(2), 0, 3}, {December(4), 0, 1}})}));
    const std::string block = DetailBlock(html, "R1");
    const CourseChart chart = ReadCourseChart(block);
    EXPECT_EQ(chart.areas.size(), 1u);
    EXPECT_NEAR(chart.HoursAt(chart.End().second), 4, 0.01);
    EXPECT_EQ(block.find(R"(<line class="soll")"), std::string::npos);
    EXPECT_EQ(block.find("über Soll seit"), std::string::npos);
    EXPECT_EQ(chart.title, "Verlauf der Iststunden: 0,00 h bis 04.12.2026, dazu Regie 4,00 h, ohne Soll");
}

// A single booking day is a point per kind, stacked, not a step across the chart.
TEST(ReportCourseChart, OneDayOrderIsAPoint) {
    const std::string block =
        DetailBlock(HtmlReport(Report({Order("P1", 5, {{December(2), 3, 0, 1}})})), "P1");
    const CourseChart chart = ReadCourseChart(block);
    EXPECT_TRUE(chart.areas.empty());
    const std::string svg = Between(block, R"(<svg class="verlauf")", "</svg>");
    static const std::regex point(R"re(<circle class="(v[prb])" cx="[^"]*" cy="([^"]*)")re");
    std::map<std::string, double> hours;
    for (std::sregex_iterator m(svg.begin(), svg.end(), point), end; m != end; ++m)
        hours[(*m)[1].str()] = chart.HoursAt(std::stod((*m)[2].str()));
    ASSERT_EQ(hours.size(), 2u) << svg;
    EXPECT_NEAR(hours.at("vp"), 3, 0.05);
    EXPECT_NEAR(hours.at("vb"), 4, 0.05) << "office on top of production";
}

// Labels of any size stay inside the chart: the scale's on the left, target and actual on the
// right (at the widest digit of the font); dates by week for a short course, by month for a
// long one, never crowded.
TEST(ReportCourseChart, LabelsAndDatesFitAnySize) {
    constexpr double kDigit = 6.4;
    const std::string big =
        Between(HtmlReport(Report({Order("G1", 123456.78, {{December(1), 150000}, {December(3), 500}})})),
                R"(<svg class="verlauf")", "</svg>");
    static const std::regex text(R"re(<text x="([^"]*)" y="[^"]*"( class="([^"]*)")?>([^<]*)</text>)re");
    int checked = 0;
    for (std::sregex_iterator m(big.begin(), big.end(), text), end; m != end; ++m) {
        const double x = std::stod((*m)[1].str());
        const std::string label = (*m)[4].str();
        const double width = kDigit * static_cast<double>(label.size());
        if ((*m)[3] == "e") {
            EXPECT_GE(x - width, 0) << label;
            ++checked;
        } else if (label.starts_with("Soll ") || label.starts_with("Ist ")) {
            EXPECT_LE(x + width, 640) << label;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 5) << "three scale labels, target and actual";
    EXPECT_NE(big.find(">200.000 h</text>"), std::string::npos) << big;

    struct Case {
        double first, last;
        std::vector<std::string> ticks;
    };
    const Case cases[] = {
        {December(2), December(15), {"07.12.", "14.12."}},
        {db::EncodeDate(2026, 1, 20),
         db::EncodeDate(2026, 8, 10),
         {"02.2026", "03.2026", "04.2026", "05.2026", "06.2026", "07.2026", "08.2026"}},
        {db::EncodeDate(2022, 1, 20),
         db::EncodeDate(2026, 8, 10),
         {"01.2023", "01.2024", "01.2025", "01.2026"}},
    };
    for (const Case& c : cases) {
        const CourseChart chart =
            ReadCourseChart(HtmlReport(Report({Order("D1", 10, {{c.first, 1}, {c.last, 1}})})));
        std::vector<std::string> ticks;
        for (const std::string& label : chart.texts)
            if (std::regex_match(label, std::regex(R"(\d\d\.(\d\d\.|\d{4}))")))
                ticks.push_back(label);
        EXPECT_EQ(ticks, c.ticks);
    }
}

// Time records changed since the run: the chart shows them, and a note says what was stored.
TEST(ReportCourseChart, StoredHoursDifferingFromTheTimeRecordsAreNamed) {
    TOrderHours changed = Order("C1", 10, {{December(2), 4}});
    changed.IstProd = 3;
    TOrderHours gone = Order("C2", 10, {});
    gone.IstProd = 2;
    const std::string html = HtmlReport(Report({changed, gone}));
    EXPECT_NE(DetailBlock(html, "C1")
                  .find("Die Zeitbuchungen ergeben heute 4,00 h, der letzte Lauf hat 3,00 h "
                        "gespeichert: seit dem Lauf geändert."),
              std::string::npos);
    const std::string goneBlock = DetailBlock(html, "C2");
    EXPECT_NE(goneBlock.find("ergeben heute 0,00 h, der letzte Lauf hat 2,00 h gespeichert"),
              std::string::npos);
    EXPECT_EQ(goneBlock.find("<svg class=\"verlauf\""), std::string::npos);
}

TEST(ReportCourseChart, OverviewNamesTheDayOfPassing) {
    const std::string html =
        HtmlReport(Report({Order("U1", 10, {{December(1), 12}}), Order("U2", 10, {{December(1), 8}}),
                           Order("U3", 0, {{December(1), 8}})}));
    const std::string overview = Between(html, R"(<section id="uebersicht">)", "</section>");
    EXPECT_NE(overview.find(R"(<th class="n k5">über Soll seit</th>)"), std::string::npos);
    for (const auto& [ofNumm, cell] : {std::pair{"U1", R"(<td class="n">01.12.2026</td>)"},
                                       std::pair{"U2", "<td></td>"}, std::pair{"U3", "<td></td>"}}) {
        const std::string row = Between(overview, std::string("<a href=\"#o-") + ofNumm, "</tr>");
        EXPECT_NE(row.find(std::string(cell) + R"(<td class="b">)"), std::string::npos)
            << ofNumm << ": " << row;
    }
}

// Twelve weeks up to the week of writing, the hours over target in the overrun colour.
TEST(ReportCourseChart, LastTwelveWeeksAboveTheOverview) {
    const std::string html = HtmlReport(
        Report({Order("W1", 10, {{December(1), 6}, {December(8), 6}}), Order("W2", 0, {{December(9), 3}})}));
    const std::string overview = Between(html, R"(<section id="uebersicht">)", "<table");
    EXPECT_NE(
        overview.find("Gebucht in den letzten 12 Kalenderwochen: 15,00 h, davon 2,00 h auf Aufträge über "
                      "ihrem Soll (rot)."),
        std::string::npos);
    const std::string chart = Between(overview, R"(<svg class="wochen")", "</svg>");
    for (int week = 39; week <= 50; ++week)
        EXPECT_NE(chart.find(fmt::format(">KW {}</text>", week)), std::string::npos) << week;
    EXPECT_EQ(chart.find(">KW 51</text>"), std::string::npos);
    EXPECT_NE(chart.find(">6</text>"), std::string::npos) << "week 49";
    EXPECT_NE(chart.find(">9</text>"), std::string::npos) << "week 50";
    EXPECT_NE(chart.find(R"(<rect class="u")"), std::string::npos);
}

} // namespace
} // namespace sollist::report
