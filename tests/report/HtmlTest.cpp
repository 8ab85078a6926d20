// The HTML page written from plain figures: self-contained, escaped, ordered, linked, with
// bars on one scale per table, and a page that says so when nothing is open.
#include "report/Html.h"
#include "ReportTestSupport.h"
#include "db/Value.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace sollist::report {
namespace {

using support::Between;

TOrderHours Order(std::string ofNumm, double soll, double ist, std::vector<TActivityHours> activities = {}) {
    TOrderHours order;
    order.OfNumm = std::move(ofNumm);
    order.Bezeichnung = "Auftrag " + order.OfNumm;
    order.Soll = soll;
    order.IstProd = ist;
    order.Activities = std::move(activities);
    return order;
}

// Over (A: 10 -> 20), without target (B: 0 -> 5), under (C: 40 -> 30).
TReport Sample() {
    TReport report;
    report.Firma = "Schreinerei Muster";
    report.Database = "localhost:/daten/firma.fdb";
    report.WrittenAt = db::EncodeDate(2026, 12, 24) + (16 * 60 + 5) / 1440.0;
    report.Orders = {
        Order("C", 40, 30), Order("B", 0, 5),
        Order("A", 10, 20, {{"MONT", "Montage", "MON", 8, 16}, {"ZUS", "Zuschnitt", "ZUS", 2, 4}})};
    report.Orders[2].IstBis = db::EncodeDate(2026, 12, 20);
    report.Orders[0].IstBis = db::EncodeDate(2026, 12, 21);
    Arrange(report);
    return report;
}

// The widths of the bars ("soll/ist") of each row of a piece of the page.
std::vector<std::string> BarWidths(const std::string& html) {
    static const std::regex bar(
        R"re(<rect class="s" width="([0-9.]+)"[^>]*/><rect class="[iu]" y="5.5" width="([0-9.]+)")re");
    std::vector<std::string> widths;
    for (std::sregex_iterator m(html.begin(), html.end(), bar), end; m != end; ++m)
        widths.push_back(std::string((*m)[1]) + "/" + std::string((*m)[2]));
    return widths;
}

TEST(ReportHtml, PageIsSelfContainedGermanAndHeaded) {
    const std::string html = HtmlReport(Sample());
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"de\">", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (const char* outside : {"<script", "http:", "https:", "src=", "url(", "@import", "<link"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_NE(html.find("@page{size:A4"), std::string::npos);

    const std::string header = Between(html, "<header>", "</header>");
    EXPECT_NE(header.find("<p class=\"firma\">Schreinerei Muster</p>"), std::string::npos);
    EXPECT_NE(header.find("<dd>localhost:/daten/firma.fdb</dd>"), std::string::npos);
    EXPECT_NE(header.find("<dt>Erstellt</dt><dd>24.12.2026 16:05</dd>"), std::string::npos);
    EXPECT_NE(header.find("<dt>Letzte Buchung</dt><dd>21.12.2026</dd>"), std::string::npos);
    EXPECT_NE(header.find("<dt>Offene Aufträge</dt><dd>3</dd>"), std::string::npos);
}

TEST(ReportHtml, OverviewWorstFirstLinkedToDetailBlocks) {
    const std::string html = HtmlReport(Sample());
    const std::string overview = Between(html, "<section id=\"uebersicht\">", "</section>");
    const std::size_t a = overview.find("<a href=\"#o-A\">A</a>");
    const std::size_t b = overview.find("<a href=\"#o-B\">B</a>");
    const std::size_t c = overview.find("<a href=\"#o-C\">C</a>");
    ASSERT_NE(c, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    for (const char* id : {"o-A", "o-B", "o-C"})
        EXPECT_NE(html.find(std::string("<section class=\"auftrag\" id=\"") + id + "\">"), std::string::npos)
            << id;

    // A: overrun in hours and percent, B: no target to divide by, C: under target.
    EXPECT_NE(
        overview.find("<tr class=\"ueber\"><td><a href=\"#o-A\">A</a></td><td>Auftrag A</td>"
                      "<td class=\"n\">10,00 h</td><td class=\"n\">20,00 h</td><td class=\"n\">0,00 h</td>"
                      "<td class=\"n\">0,00 h</td><td class=\"n\">20,00 h</td>"
                      "<td class=\"n d\">+10,00 h</td><td class=\"n d\">+100,0 %</td>"),
        std::string::npos)
        << overview;
    EXPECT_NE(overview.find("<td class=\"n d\">+5,00 h</td><td class=\"n ohne\">ohne Soll</td>"),
              std::string::npos);
    EXPECT_NE(overview.find("<tr><td><a href=\"#o-C\">C</a></td>"), std::string::npos);
    EXPECT_NE(overview.find("<td class=\"n d\">-10,00 h</td><td class=\"n d\">-25,0 %</td>"),
              std::string::npos);
    EXPECT_NE(overview.find("Summe (3 Aufträge, ihre gespeicherten Summen)"), std::string::npos);
    EXPECT_NE(overview.find("<td class=\"n\">50,00 h</td><td class=\"n\">55,00 h</td>"), std::string::npos);
    for (const char* broken : {"inf", "nan", "NaN"})
        EXPECT_EQ(html.find(broken), std::string::npos) << broken;
}

TEST(ReportHtml, BarsShareOneScalePerTable) {
    const std::string html = HtmlReport(Sample());
    // Overview: 40 h (C's target) fills the width.
    EXPECT_EQ(BarWidths(Between(html, "<section id=\"uebersicht\">", "</section>")),
              (std::vector<std::string>{"25/50", "0/12.5", "100/75"}));
    // Activities: their own largest figure, MONT's 16 h, fills the width.
    EXPECT_EQ(BarWidths(Between(html, "<section id=\"taetigkeiten\">", "</section>")),
              (std::vector<std::string>{"50/100", "12.5/25"}));
    // Detail rows show the figures alone.
    EXPECT_EQ(Between(html, "<section id=\"auftraege\">", "</body>").find("<td class=\"b\">"),
              std::string::npos);
    // Overruns in the overrun colour, the rest in the actual colour.
    const std::string overview = Between(html, "<section id=\"uebersicht\">", "</section>");
    EXPECT_NE(overview.find("<rect class=\"u\" y=\"5.5\" width=\"50\""), std::string::npos);
    EXPECT_NE(overview.find("<rect class=\"i\" y=\"5.5\" width=\"75\""), std::string::npos);
}

TEST(ReportHtml, LongOverviewComesInBlocksOfOneTableEach) {
    TReport report;
    for (int i = 0; i < 130; ++i) report.Orders.push_back(Order(fmt::format("N{:03}", i), 1, 1 + i % 7));
    Arrange(report);
    const std::string html = HtmlReport(report);
    const std::string overview = Between(html, "<section id=\"uebersicht\">", "</section>");

    std::vector<std::string> blocks;
    for (std::size_t at = overview.find("<div class=\"block\">"); at != std::string::npos;
         at = overview.find("<div class=\"block\">", at + 1))
        blocks.push_back(overview.substr(at, overview.find("</div>", at) - at));
    ASSERT_EQ(blocks.size(), 3u);
    std::size_t rows = 0;
    for (const std::string& block : blocks) {
        EXPECT_NE(block.find("<thead>"), std::string::npos) << "every block has the column heads";
        for (std::size_t at = block.find("<a href=\"#o-N"); at != std::string::npos;
             at = block.find("<a href=\"#o-N", at + 1))
            ++rows;
    }
    EXPECT_EQ(rows, 130u);
    EXPECT_EQ(blocks[0].find("<tfoot>"), std::string::npos);
    EXPECT_NE(
        blocks[2].find(
            "<tfoot><tr class=\"ueber\"><td colspan=\"2\">Summe (130 Aufträge, ihre gespeicherten Summen)</td>"),
        std::string::npos);
    // The worst order first, in the first block.
    EXPECT_NE(blocks[0].find("<a href=\"#o-N006\">N006</a>"), std::string::npos);
}

TEST(ReportHtml, TinyHoursKeepAVisibleBar) {
    TReport report;
    report.Orders = {Order("A", 1000, 0.5)};
    Arrange(report);
    EXPECT_EQ(BarWidths(HtmlReport(report)).front(), "100/0.4");
}

TEST(ReportHtml, TextsFromTheDatabaseAreEscaped) {
    TReport report = Sample();
    report.Firma = "Holz & <Co>";
    report.Orders[0].Bezeichnung = "<script>alert('x')</script> \"Tür\" & Tor";
    report.Orders[0].Activities[0].Name = "<b>Montage</b>";
    const std::string html = HtmlReport(report);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &quot;Tür&quot; &amp; Tor"),
              std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;Montage&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("<title>Soll-Ist-Bericht – Holz &amp; &lt;Co&gt; – 24.12.2026</title>"),
              std::string::npos);
}

TEST(ReportHtml, EscapeAndAnchor) {
    EXPECT_EQ(HtmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(HtmlEscape("Tür\tTor\nx\x01y"), "Tür\tTor\nx y");
    EXPECT_EQ(OrderAnchor("24001"), "o-24001");
    EXPECT_EQ(OrderAnchor("A-1/2 x"), "o-A-1_2F2_20x");
    EXPECT_EQ(OrderAnchor("Ä_"), "o-_C3_84_5F");
    // Different numbers never share an anchor.
    EXPECT_NE(OrderAnchor("A_20"), OrderAnchor("A 0"));
}

TEST(ReportHtml, NothingOpenSaysSo) {
    TReport report;
    report.WrittenAt = db::EncodeDate(2026, 12, 24);
    std::string html = HtmlReport(report);
    EXPECT_NE(html.find("<p class=\"leer\">Keine offenen Aufträge.</p>"), std::string::npos);
    EXPECT_NE(html.find("<dt>Letzte Buchung</dt><dd>keine</dd>"), std::string::npos);
    EXPECT_EQ(html.find("<table"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 8), "</html>\n");

    report.Selected = true;
    report.NotFound = {"24003", "9<9"};
    html = HtmlReport(report);
    EXPECT_NE(html.find("<p class=\"leer\">Keine der gewählten Offerten ist offen.</p>"), std::string::npos);
    EXPECT_NE(html.find("<dt>Nicht offen oder unbekannt</dt><dd>24003, 9&lt;9</dd>"), std::string::npos);
}

TEST(ReportHtml, OrderWithoutActivityRowsSaysSo) {
    const std::string html = HtmlReport(Sample());
    const std::string block = Between(html, "<section class=\"auftrag\" id=\"o-B\">", "</section>");
    EXPECT_NE(block.find("Keine Stunden je Tätigkeit gespeichert."), std::string::npos);
    EXPECT_NE(block.find("Differenz ohne Regie +5,00 h (ohne Soll) · letzte Buchung keine"),
              std::string::npos);
}

} // namespace
} // namespace sollist::report
