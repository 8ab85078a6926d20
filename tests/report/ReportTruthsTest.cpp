// What the page says beside the stored figures, from a report made by hand: time and material
// is never overrun, a closed order says so, bookings without a wage row are named where they
// vanish, rows that disagree with the order's totals are pointed out, and an order's page
// shows the bookings behind each activity's actual hours.
#include "ReportTestSupport.h"
#include "report/Html.h"
#include "report/HtmlParts.h"
#include "report/IstHtml.h"

#include "db/Value.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::report {
namespace {

using support::Between;

double December(int day) { return db::EncodeDate(2026, 12, day); }

TActivityHours Row(std::string rmTat, double soll, double ist, std::string tatArt = "P") {
    TActivityHours row;
    row.RmTat = std::move(rmTat);
    row.Soll = soll;
    row.Ist = ist;
    row.TatArt = std::move(tatArt);
    return row;
}

ist::TIstPosten Booking(std::string rmTat, double day, std::string miNumm, double hours, double factor,
                        bool ohneLohn = false) {
    return {std::move(rmTat), "P",     static_cast<std::int32_t>(day), std::move(miNumm), hours, factor,
            hours * factor,   ohneLohn};
}

TOrderHours Order(std::string ofNumm, double soll, double prod, double regie) {
    TOrderHours order;
    order.OfNumm = std::move(ofNumm);
    order.Soll = soll;
    order.IstProd = prod;
    order.IstRegie = regie;
    return order;
}

// R1 a repair of Regie only; P1 9 of 10 h with 5 h Regie; C1 closed on 1 December; S1 totals
// without rows; W1 an hour of ANNA (factor 1,25) and 2 h of OHNE, who has no wage row.
TReport Sample() {
    TReport report;
    report.WrittenAt = December(11) + 0.25;
    TOrderHours r1 = Order("R1", 0, 0, 3.85);
    r1.Activities = {Row("REGIE", 0, 3.85, "R")};
    TOrderHours p1 = Order("P1", 10, 9, 5);
    p1.Activities = {Row("MONT", 10, 9), Row("REGIE", 0, 5, "R")};
    TOrderHours c1 = Order("C1", 1, 0, 0);
    c1.Bezeichnung = "Bad";
    c1.Abgeschlossen = December(1);
    c1.Activities = {Row("MONT", 1, 0)};
    TOrderHours s1 = Order("S1", 20, 12, 0);
    TOrderHours w1 = Order("W1", 0.5, 1.25, 0);
    w1.Activities = {Row("MONT", 0.5, 1.25)};
    w1.Activities[0].OverSince = December(7);
    w1.Buchungen = {Booking("MONT", December(7), "ANNA", 1, 1.25),
                    Booking("MONT", December(7), "OHNE", 2, 0, true)};
    report.Orders = {r1, p1, c1, s1, w1};
    Arrange(report);
    return report;
}

TEST(ReportTruths, OverviewSaysWhatTheFiguresLeaveOut) {
    const std::string html = HtmlReport(Sample());
    const std::string overview = Between(html, R"(<section id="uebersicht">)", "</section>");
    EXPECT_NE(overview.find(std::string(kDifferenzText)), std::string::npos);
    // Only W1 is over its target: time and material is never red, nor first.
    EXPECT_EQ(test::Count(overview, R"(<tr class="ueber")"), 1u);
    EXPECT_NE(Between(overview, "<tbody>", "</tr>").find(">W1<"), std::string::npos);
    const std::string r1 = Between(overview, R"(>R1</a>)", "</tr>");
    EXPECT_NE(r1.find(R"(<td class="n d">0,00 h</td>)"), std::string::npos) << r1;
    EXPECT_NE(Between(overview, R"(>P1</a>)", "</tr>").find(R"(<td class="n d">-1,00 h</td>)"),
              std::string::npos);
    EXPECT_NE(Between(overview, R"(>C1</a>)", "</tr>")
                  .find("Bad <span class=\"abg\">abgeschlossen am 01.12.2026</span>"),
              std::string::npos);
    EXPECT_NE(
        overview.find("Bei 1 Auftrag stimmen die gespeicherten Tätigkeitszeilen nicht mit den Summen des "
                      "Auftrags überein"),
        std::string::npos);
    EXPECT_NE(overview.find("S1. Die Aufträge zeigen die Summen des Auftrags"), std::string::npos);
    EXPECT_NE(overview.find("1 Buchung von Mitarbeitern ohne Lohnzeile zählen 0 h statt 2,00 h: W1.</p>"),
              std::string::npos);
    EXPECT_NE(overview.find("Summe (5 Aufträge, ihre gespeicherten Summen)"), std::string::npos);

    // The activities over the orders: Regie 8,85 h, not over, marked as such.
    const std::string activities = Between(html, R"(<section id="taetigkeiten">)", "</section>");
    const std::string regie = Between(activities, "<td>REGIE</td>", "</tr>");
    EXPECT_NE(
        regie.find(R"(<td class="n">8,85 h</td><td class="n d">0,00 h</td><td class="n ohne">Regie</td>)"),
        std::string::npos)
        << regie;
    EXPECT_NE(activities.find("Summe der Tätigkeitszeilen"), std::string::npos);
}

TEST(ReportTruths, OrderBlocksNameClosedSkippedAndUnweighedBookings) {
    const std::string html = HtmlReport(Sample());
    const auto block = [&](const std::string& ofNumm) {
        return Between(html, R"(<section class="auftrag" id="o-)" + ofNumm + "\">", "</section>");
    };
    EXPECT_NE(block("C1").find("abgeschlossen am 01.12.2026"), std::string::npos);
    EXPECT_NE(block("P1").find("Differenz ohne Regie -1,00 h"), std::string::npos);
    EXPECT_NE(
        block("S1").find("Die gespeicherten Tätigkeitszeilen (Soll 0,00 h, Ist 0,00 h) stimmen nicht mit den "
                         "Summen des Auftrags (Soll 20,00 h, Ist 12,00 h) überein"),
        std::string::npos);
    EXPECT_EQ(block("P1").find("stimmen nicht"), std::string::npos);
    const std::string w1 = block("W1");
    EXPECT_NE(w1.find("Ohne Lohnzeile: 2,00 h dieser Mitarbeiter zählen 0 h"), std::string::npos);
    EXPECT_NE(w1.find("<tr><td>MONT</td><td>OHNE</td><td>07.12.2026</td><td class=\"n\">2,00 h</td></tr>"),
              std::string::npos);
    EXPECT_EQ(w1.find("<details class=\"ist\">"), std::string::npos)
        << "the bookings on the order's own page";
}

// On its own page, each activity opens onto its bookings, which add up to its actual hours.
TEST(ReportTruths, OrderPageShowsTheBookingsBehindTheActualHours) {
    const TReport report = Sample();
    const TOrderHours& w1 = report.Orders.front();
    ASSERT_EQ(w1.OfNumm, "W1");
    std::string page;
    AppendOrderDetail(page, {w1, "../index.html", true});
    const std::string side = Between(page, "<details class=\"ist\">", "</details>");
    EXPECT_NE(
        side.find("<summary>MONT: 3,00 h gebucht, 1,25 h gewichtet, über Soll seit 07.12.2026</summary>"),
        std::string::npos)
        << side;
    EXPECT_NE(
        side.find("<tr><td>07.12.2026</td><td>ANNA</td><td class=\"n\">1,00 h</td><td class=\"n\">1,25</td>"
                  "<td class=\"n\">1,25 h</td></tr>"),
        std::string::npos);
    EXPECT_NE(side.find("<td class=\"n ohnelohn\">keine Lohnzeile</td><td class=\"n\">0,00 h</td>"),
              std::string::npos);
    EXPECT_NE(
        side.find(
            "<td colspan=\"2\">Summe</td><td class=\"n\">3,00 h</td><td></td><td class=\"n\">1,25 h</td>"),
        std::string::npos);
    EXPECT_EQ(side.find("seit dem Lauf geändert"), std::string::npos);
}

TEST(ReportTruths, FactorsShowTheirDecimals) {
    for (const auto& [factor, text] :
         {std::pair{1.0, "1,00"}, std::pair{1.25, "1,25"}, std::pair{1.125, "1,125"}, std::pair{0.6, "0,60"}})
        EXPECT_EQ(FormatFactor(factor), text);
}

} // namespace
} // namespace sollist::report
