// The explanation of target hours in the page and the CSV, from a hand-made explanation:
// one <details> per activity row, changes since the run marked with both figures, texts from
// the database escaped, and the report's CSV rules on the Herkunft rows.
#include "ReportTestSupport.h"
#include "report/Csv.h"
#include "report/CsvColumns.h"
#include "report/HerkunftCsv.h"
#include "report/HerkunftHtml.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::report {
namespace {

using sollstd::THerkunft;
using sollstd::THerkunftBeitrag;
using sollstd::THerkunftGruppe;
using sollstd::THerkunftSatz;
using solltat::TQuellArt;
using support::Count;

// MONT as stored, REGIE stored with actual hours only, ZUS calculated now but not stored.
// Position 1 has two materials asking for MONT, and a part type with an edge row.
THerkunft Explanation() {
    THerkunft h;
    h.OfNumm = "A1";
    h.Bekannt = true;
    h.VertZuschl = 1.1;
    h.Stunden = 3;
    h.MitZuschlag = 3.3;
    h.Positionen["1"] = "=Schrank <b>&\"Eiche\"'";
    h.Baugruppen[{"1", 1}] = "Korpus & Co";
    h.Teiletypen[{"1", 1, 2}] = {"-Seite <script>alert(1)</script>", "Text <i>kursiv</i>"};
    h.Materialien = {{"M1", "Platte; \"roh\""}, {"M2", "<Band>"}};

    THerkunftSatz mont{"1", 0, "MONT", "Montage", "STK", 4, 4, 0, 15, 0, 1.0, {}};
    mont.Beitraege = {{{TQuellArt::Positionsmaterial, 0, 1, "", "M1"}, "", 3, 3},
                      {{TQuellArt::Positionsmaterial, 0, 2, "", "M2"}, "", 1, 1}};
    THerkunftSatz kanten{"1", 2, "KANTEN", "Kanten", "M1", 1234.5, 2, 2, 0, 0, 1.0, {}};
    kanten.Beitraege = {{{TQuellArt::TeiletypTaetigkeit, 1, 1, "KV", ""}, "", 1234.5, 2}};
    h.Gruppen.push_back({"MONT", "Montage", "MON", 2, 2.2, {mont, kanten}});
    THerkunftSatz zuschnitt{"1", 2, "ZUSCHN", "Zuschnitt", "M2", 1, 1, 60, 0, 0, 1.0, {}};
    zuschnitt.Beitraege = {{{TQuellArt::TeiletypMaterial, 1, 0, "GR", "M1"}, "M2", 1, 1}};
    h.Gruppen.push_back({"ZUS", "Zuschnitt", "ZUS", 1, 1.1, {zuschnitt}});
    return h;
}

TOrderHours Order() {
    TOrderHours order;
    order.OfNumm = "A1";
    order.ANumm = "K1";
    order.Bezeichnung = "Küche";
    order.Soll = 2.2;
    order.IstProd = 4.5;
    order.Activities = {{"MONT", "Montage", "MON", 2.2, 3.0}, {"REGIE", "Regie", "REG", 0, 1.5}};
    return order;
}

TEST(HerkunftHtml, EachActivityRowOpensOntoItsRecordsGroupedByPositionAndPartType) {
    const std::string html = HerkunftHtml(Order(), Explanation());
    EXPECT_EQ(Count(html, R"(<details class="hk">)"), 3u) << "MONT and REGIE as stored, then ZUS";
    EXPECT_LT(html.find("<span>MONT</span>"), html.find("<span>REGIE</span>"));
    EXPECT_LT(html.find("<span>REGIE</span>"), html.find("<span>ZUS</span>"));
    EXPECT_EQ(Count(html, "<script"), 0u);
    EXPECT_NE(
        html.find(
            R"(<tr class="p"><th colspan="9">Position 1 =Schrank &lt;b&gt;&amp;&quot;Eiche&quot;&#39;</th>)"),
        std::string::npos);
    EXPECT_NE(
        html.find(
            R"(<tr class="t"><th colspan="9">Teiletyp 2: -Seite &lt;script&gt;alert(1)&lt;/script&gt; – )"
            R"(Text &lt;i&gt;kursiv&lt;/i&gt;, Baugruppe 1 Korpus &amp; Co</th>)"),
        std::string::npos);
    // A record with two sources, each with its quantities beneath it.
    EXPECT_NE(html.find("<tr><td>2 Quellen:</td><td>MONT Montage</td><td>4,000</td><td>STK</td><td>4,000</td>"
                        "<td>0,00</td><td>15,00</td><td>0,00</td><td>1,00 h</td></tr>\n"
                        R"(<tr class="q"><td>Positionsmaterial 1: M1 Platte; &quot;roh&quot;</td><td></td>)"
                        "<td>3,000</td><td></td><td>3,000</td>"),
              std::string::npos);
    EXPECT_NE(html.find(R"(<tr class="q"><td>Positionsmaterial 2: M2 &lt;Band&gt;</td>)"), std::string::npos);
    EXPECT_NE(html.find("<td>Material M1 Platte; &quot;roh&quot; (GR) → M2 &lt;Band&gt;</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<td>1.234,500</td>"), std::string::npos);
}

TEST(HerkunftHtml, ChangesSinceTheRunShowBothFigures) {
    const std::string html = HerkunftHtml(Order(), Explanation());
    // The order's total and ZUS, which the run did not store; MONT and REGIE read as stored.
    EXPECT_EQ(Count(html, "seit der letzten Berechnung geändert"), 2u);
    EXPECT_EQ(
        html.rfind(R"(<p class="geaendert">Soll seit der letzten Berechnung geändert: gespeichert 2,20 h, )"
                   "jetzt 3,30 h.</p>",
                   0),
        0u);
    EXPECT_NE(html.find("<span>Zuschnitt<em class=\"geaendert\">geändert</em></span>"), std::string::npos);
    EXPECT_NE(html.find("gespeichert 0,00 h, jetzt 1,10 h."), std::string::npos);
    EXPECT_NE(html.find("Keine Sätze: die Berechnung ergibt hier kein Soll."), std::string::npos); // REGIE

    TOrderHours unchanged = Order();
    unchanged.Soll = 3.3;
    THerkunft stored = Explanation();
    stored.Gruppen.pop_back();
    stored.MitZuschlag = 3.3;
    EXPECT_EQ(Count(HerkunftHtml(unchanged, stored), "geändert"), 0u);
    EXPECT_EQ(HerkunftHtml(TOrderHours{}, THerkunft{}), "") << "nothing stored, nothing to explain";
}

TEST(HerkunftCsv, RowsKeepTheReportsRules) {
    TReport report;
    report.Orders = {Order()};
    report.Orders[0].HerkunftCsv = HerkunftCsv(report.Orders[0], Explanation());
    report.Herkunft = true;
    const std::string csv = CsvReport(report);
    const auto rows = support::ParseCsv(std::string_view(csv).substr(3));
    ASSERT_EQ(rows.size(), 1u + 1 + 2 + 3) << csv; // head, order, its two activities, the records
    // The explanation's columns follow the report's own (CsvColumns.h).
    const auto h = [](THerkunftSpalte column) { return std::size_t{kCsvSpalten} + column; };
    for (const auto& row : rows) EXPECT_EQ(row.size(), h(kHerkunftSpalten)) << row[0];
    EXPECT_EQ(rows[0][h(hPosition)], "Position");
    EXPECT_EQ(rows[0][h(hStundenMitZuschlag)], "Stunden mit Zuschlag");
    EXPECT_EQ(rows[1][h(hStundenMitZuschlag)], "") << "the report's own rows leave the added columns empty";

    const auto& mont = rows[4];
    EXPECT_EQ(mont[cSatzart], "Herkunft");
    EXPECT_EQ(mont[cOffert], "A1");
    EXPECT_EQ(mont[cTaetigkeit], "MONT");
    EXPECT_EQ(mont[cSoll], "") << "Soll h is what the run stored: on the activity's row";
    EXPECT_EQ(mont[h(hPositionstext)], "'=Schrank <b>&\"Eiche\"'") << "a formula start gets an apostrophe";
    EXPECT_EQ(mont[h(hHerkunft)], "Positionsmaterial 1: M1 Platte; \"roh\" (Menge 3,000, Stück 3,000) + "
                                  "Positionsmaterial 2: M2 <Band> (Menge 1,000, Stück 1,000)");
    EXPECT_EQ(mont[h(hStundenOhneZuschlag)], "1,0000");
    EXPECT_EQ(mont[h(hStundenMitZuschlag)], "1,1000");
    const auto& kanten = rows[5];
    EXPECT_EQ(kanten[h(hTeiletyp)], "2");
    EXPECT_EQ(kanten[h(hTeiletypname)], "'-Seite <script>alert(1)</script>");
    EXPECT_EQ(kanten[h(hBaugruppe)], "1");
    EXPECT_EQ(kanten[h(hMengeJeEinheit)], "1234,500") << "decimal comma, no thousands point";
    EXPECT_EQ(rows[6][cTaetigkeit], "ZUS") << "groups not stored follow";
    EXPECT_NE(csv.find(";\"Positionsmaterial 1: M1 Platte; \"\"roh\"\""), std::string::npos) << "quoted";
}

} // namespace
} // namespace sollist::report
