#include "report/Html.h"

#include "report/CourseChart.h"
#include "report/Format.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace sollist::report {

namespace {

// The bars are SVG: their fills print without the browser's "background graphics" option,
// which CSS backgrounds would need. Blocks of overview rows and detail
// blocks off the screen are laid out only when scrolled to, and tables take their column
// widths from their head row: a report of thousands of orders opens quickly.
constexpr std::string_view kStyle = R"(
:root{--soll:#9aa5b1;--ist:#2f6db5;--ueber:#c0392b}
*{box-sizing:border-box}
body{font:10pt/1.35 "DejaVu Sans",Arial,Helvetica,sans-serif;color:#1d2329;margin:1.5em auto;max-width:1180px;padding:0 1em}
h1{font-size:17pt;margin:0}
h2{font-size:13pt;margin:1.6em 0 .3em;padding-bottom:.15em;border-bottom:1.5px solid #56606b;break-after:avoid}
h3{font-size:11pt;margin:0 0 .2em;break-after:avoid}
.firma{font-size:12pt;margin:.1em 0 .6em}
dl.kopf{display:grid;grid-template-columns:max-content 1fr;gap:.05em 1.2em;margin:0}
dt{color:#56606b}dd{margin:0}
p.hinweis{color:#56606b;margin:.2em 0 .5em;font-size:.9em}
p.leer{font-style:italic}
table{border-collapse:collapse;width:100%;font-variant-numeric:tabular-nums}
th,td{padding:.12em .4em;border-bottom:1px solid #dde2e7;vertical-align:middle;text-align:left}
thead th{background:#eef1f4;font-weight:600;border-bottom:1px solid #9aa5b1}
tfoot td{font-weight:600;border-top:1.5px solid #56606b;border-bottom:none}
.n{text-align:right;white-space:nowrap}
tr.ueber .d{color:var(--ueber);font-weight:600}
.ohne{color:#6b747d;font-style:italic;white-space:nowrap}
td.b{padding-top:0;padding-bottom:0}
table.fest{table-layout:fixed}
tfoot .n{white-space:normal}
.ue .k1{width:8%}.ue .k2{width:8.5%}.ue .k3{width:6.5%}.ue .k4{width:10%}.ue .k5{width:8.5%}
th.k5{white-space:normal}
.einzeln .c1{width:14%}.einzeln .c2{width:30%}.einzeln .c3{width:12%}.einzeln .c4{width:12%}.einzeln .c5{width:8%}
div.block{content-visibility:auto;contain-intrinsic-size:auto 100em}
td.b svg{display:block;width:100%;height:3.4mm}
svg.lg{display:inline-block;width:.8em;height:.8em;vertical-align:-.05em;margin-left:.6em}
rect.s{fill:var(--soll)}rect.i{fill:var(--ist)}rect.u{fill:var(--ueber)}
a{color:#1f4f8f}
section.auftrag{margin:1.1em 0 0;content-visibility:auto;contain-intrinsic-size:auto 12em}
p.zahlen{margin:0 0 .3em;font-size:.9em}
@page{size:A4;margin:12mm 10mm}
@media print{
body{margin:0;max-width:none;padding:0;font-size:7.5pt}
h1{font-size:14pt}h2{font-size:11pt}h3{font-size:9pt}
a{color:inherit;text-decoration:none}
.zurueck{display:none}
tr,section.auftrag{break-inside:avoid}
th,td{padding:.1em .25em}
}
)";

using Out = std::back_insert_iterator<std::string>;

void Append(std::string& out, std::string_view text) { out.append(text); }

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
                out += ' ';
            else
                out += c;
        }
    }
}

// Overview rows per block: about a screen and a half, or one A4 page in print.
constexpr std::size_t kBlockRows = 60;

// A pair of bars, target above actual, where `scale` hours fill the width. A value too small
// to see keeps a sliver, so that "some" and "none" differ. Widths to a tenth of a percent and
// no attribute CSS can give: thousands of rows make these the bulk of the page.
void AppendBars(std::string& out, double soll, double ist, double scale) {
    const auto width = [scale](double hours) {
        if (!(scale > 0) || !(hours > 0))
            return 0.0;
        return std::round(std::clamp(hours / scale * 100.0, 0.4, 100.0) * 10) / 10;
    };
    fmt::format_to(
        Out(out),
        R"(<svg viewBox="0 0 100 10" preserveAspectRatio="none"><rect class="s" width="{:g}" height="4.5"/>)"
        R"(<rect class="{}" y="5.5" width="{:g}" height="4.5"/></svg>)",
        width(soll), Overrun(ist - soll) ? "u" : "i", width(ist));
}

// The difference in hours and percent of the target, or "ohne Soll".
void AppendDifferenceCells(std::string& out, double soll, double ist) {
    const double difference = ist - soll;
    fmt::format_to(Out(out), R"(<td class="n d">{}</td>)", FormatDifference(difference));
    double percent = 0;
    if (PercentOfTarget(difference, soll, percent))
        fmt::format_to(Out(out), R"(<td class="n d">{}</td>)", FormatPercent(percent));
    else
        Append(out, R"(<td class="n ohne">ohne Soll</td>)");
}

// Overrunning rows show their difference in the overrun colour.
void AppendRowStart(std::string& out, double soll, double ist) {
    Append(out, Overrun(ist - soll) ? R"(<tr class="ueber">)" : "<tr>");
}

void AppendHoursCell(std::string& out, double hours) {
    fmt::format_to(Out(out), R"(<td class="n">{}</td>)", FormatHours(hours));
}

// The day the order's course passed its target for good; empty while it has not.
void AppendOverSinceCell(std::string& out, const TOrderHours& order) {
    if (order.OverSince > 0)
        fmt::format_to(Out(out), R"(<td class="n">{}</td>)", FormatDate(order.OverSince));
    else
        Append(out, "<td></td>");
}

void AppendLegend(std::string& out) {
    Append(
        out,
        R"(<p class="hinweis">Balken:)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="s" width="10" height="10"/></svg> Soll)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="i" width="10" height="10"/></svg> Ist)"
        R"(<svg class="lg" viewBox="0 0 10 10" aria-hidden="true"><rect class="u" width="10" height="10"/></svg> Ist über Soll)"
        R"( – gleicher Maßstab für alle Zeilen einer Tabelle.</p>)");
}

void AppendHeader(std::string& out, const TReport& report) {
    Append(out, "<header>\n<h1>Soll-Ist-Bericht</h1>\n");
    if (!report.Firma.empty()) {
        Append(out, R"(<p class="firma">)");
        AppendEscaped(out, report.Firma);
        Append(out, "</p>\n");
    }
    Append(out, R"(<dl class="kopf">)");
    Append(out, "<dt>Datenbank</dt><dd>");
    AppendEscaped(out, report.Database);
    fmt::format_to(Out(out), "</dd><dt>Erstellt</dt><dd>{}</dd>", FormatDateTime(report.WrittenAt));
    const double latest = report.LatestBooking();
    fmt::format_to(Out(out), "<dt>Letzte Buchung</dt><dd>{}</dd>", latest > 0 ? FormatDate(latest) : "keine");
    fmt::format_to(Out(out), "<dt>Offene Aufträge</dt><dd>{}</dd>", report.Orders.size());
    if (!report.NotFound.empty()) {
        Append(out, "<dt>Nicht offen oder unbekannt</dt><dd>");
        for (std::size_t i = 0; i < report.NotFound.size(); ++i) {
            if (i > 0)
                Append(out, ", ");
            AppendEscaped(out, report.NotFound[i]);
        }
        Append(out, "</dd>");
    }
    Append(out, "</dl>\n</header>\n");
}

void AppendOverview(std::string& out, const TReport& report) {
    Append(out, R"(<section id="uebersicht">)"
                "\n<h2>Offene Aufträge</h2>\n");
    Append(out, R"(<p class="hinweis">Soll mit Zuschlag, Ist mit den Lohnfaktoren gewichtet. )"
                R"(Sortiert nach der Differenz Ist − Soll in Stunden, die größte Überschreitung zuerst.</p>)"
                "\n");
    AppendRecentWeeksChart(out, report);
    AppendLegend(out);
    double scale = 0;
    double soll = 0, prod = 0, regie = 0, buero = 0;
    for (const TOrderHours& order : report.Orders) {
        scale = std::max({scale, order.Soll, order.Ist()});
        soll += order.Soll;
        prod += order.IstProd;
        regie += order.IstRegie;
        buero += order.IstBuero;
    }
    // Blocks of rows, each a table with the same fixed columns, so that the browser lays out
    // only the blocks on the screen; every block repeats the column heads.
    for (std::size_t first = 0; first < report.Orders.size(); first += kBlockRows) {
        Append(
            out,
            "\n<div class=\"block\"><table class=\"fest ue\">\n<thead><tr><th class=\"k1\">Offert</th>"
            "<th>Bezeichnung</th><th class=\"n k2\">Soll</th><th class=\"n k2\">Ist Produktion</th>"
            "<th class=\"n k2\">Ist Regie</th><th class=\"n k2\">Ist Büro</th><th class=\"n k2\">Ist gesamt</th>"
            "<th class=\"n k2\">Differenz</th><th class=\"n k3\">%</th><th class=\"n k5\">über Soll seit</th>"
            "<th class=\"k4\">Soll / Ist</th></tr>"
            "</thead>\n<tbody>\n");
        const std::size_t last = std::min(first + kBlockRows, report.Orders.size());
        for (std::size_t i = first; i < last; ++i) {
            const TOrderHours& order = report.Orders[i];
            AppendRowStart(out, order.Soll, order.Ist());
            fmt::format_to(Out(out), R"(<td><a href="#{}">)", OrderAnchor(order.OfNumm));
            AppendEscaped(out, order.OfNumm);
            Append(out, "</a></td><td>");
            AppendEscaped(out, order.Bezeichnung);
            Append(out, "</td>");
            AppendHoursCell(out, order.Soll);
            AppendHoursCell(out, order.IstProd);
            AppendHoursCell(out, order.IstRegie);
            AppendHoursCell(out, order.IstBuero);
            AppendHoursCell(out, order.Ist());
            AppendDifferenceCells(out, order.Soll, order.Ist());
            AppendOverSinceCell(out, order);
            Append(out, R"(<td class="b">)");
            AppendBars(out, order.Soll, order.Ist(), scale);
            Append(out, "</td></tr>\n");
        }
        Append(out, "</tbody>\n");
        if (last == report.Orders.size()) {
            const double ist = prod + regie + buero;
            Append(out, "<tfoot>");
            AppendRowStart(out, soll, ist);
            fmt::format_to(Out(out), "<td colspan=\"2\">Summe ({} Aufträge)</td>", report.Orders.size());
            for (double hours : {soll, prod, regie, buero, ist}) AppendHoursCell(out, hours);
            AppendDifferenceCells(out, soll, ist);
            Append(out, "<td></td><td></td></tr></tfoot>\n");
        }
        Append(out, "</table></div>\n");
    }
    Append(out, "</section>\n");
}

void AppendActivities(std::string& out, const TReport& report) {
    Append(out, R"(<section id="taetigkeiten">)"
                "\n<h2>Tätigkeiten über alle offenen Aufträge</h2>\n");
    if (report.Activities.empty()) {
        Append(out, "<p class=\"leer\">Keine Stunden je Tätigkeit gespeichert.</p>\n</section>\n");
        return;
    }
    Append(out, R"(<p class="hinweis">Je Rückmeldetätigkeit summiert. Wo das Ist über alle Aufträge )"
                R"(über dem Soll liegt, sind die Vorgabezeiten der Stammdaten zu knapp.</p>)"
                "\n");
    double scale = 0, soll = 0, ist = 0;
    for (const TActivityTotal& activity : report.Activities) {
        scale = std::max({scale, activity.Soll, activity.Ist});
        soll += activity.Soll;
        ist += activity.Ist;
    }
    Append(out, "<table>\n<thead><tr><th>Tätigkeit</th><th>Bezeichnung</th><th class=\"n\">Aufträge</th>"
                "<th class=\"n\">Soll</th><th class=\"n\">Ist</th><th class=\"n\">Differenz</th>"
                "<th class=\"n\">%</th><th>Soll / Ist</th></tr></thead>\n<tbody>\n");
    for (const TActivityTotal& activity : report.Activities) {
        AppendRowStart(out, activity.Soll, activity.Ist);
        Append(out, "<td>");
        AppendEscaped(out, activity.RmTat);
        Append(out, "</td><td>");
        AppendEscaped(out, activity.Name);
        fmt::format_to(Out(out), R"(</td><td class="n">{}</td>)", activity.Orders);
        AppendHoursCell(out, activity.Soll);
        AppendHoursCell(out, activity.Ist);
        AppendDifferenceCells(out, activity.Soll, activity.Ist);
        Append(out, R"(<td class="b">)");
        AppendBars(out, activity.Soll, activity.Ist, scale);
        Append(out, "</td></tr>\n");
    }
    Append(out, "</tbody>\n<tfoot>");
    AppendRowStart(out, soll, ist);
    Append(out, "<td colspan=\"3\">Summe</td>");
    AppendHoursCell(out, soll);
    AppendHoursCell(out, ist);
    AppendDifferenceCells(out, soll, ist);
    Append(out, "<td></td></tr></tfoot>\n</table>\n</section>\n");
}

void AppendOrderDetail(std::string& out, const TOrderHours& order) {
    fmt::format_to(Out(out),
                   R"(<section class="auftrag" id="{}">)"
                   "\n<h3>Offert ",
                   OrderAnchor(order.OfNumm));
    AppendEscaped(out, order.OfNumm);
    if (!order.Bezeichnung.empty()) {
        Append(out, " · ");
        AppendEscaped(out, order.Bezeichnung);
    }
    Append(out, "</h3>\n<p class=\"zahlen\">");
    if (!order.ANumm.empty()) {
        Append(out, "Auftrag ");
        AppendEscaped(out, order.ANumm);
        Append(out, " · ");
    }
    fmt::format_to(Out(out), "Soll {} · Ist {} (Produktion {}, Regie {}, Büro {}) · Differenz {}",
                   FormatHours(order.Soll), FormatHours(order.Ist()), FormatHours(order.IstProd),
                   FormatHours(order.IstRegie), FormatHours(order.IstBuero),
                   FormatDifference(order.Differenz()));
    double percent = 0;
    if (PercentOfTarget(order.Differenz(), order.Soll, percent))
        fmt::format_to(Out(out), " ({})", FormatPercent(percent));
    else
        Append(out, " (ohne Soll)");
    fmt::format_to(Out(out), " · letzte Buchung {}", order.IstBis > 0 ? FormatDate(order.IstBis) : "keine");
    Append(out, "<span class=\"zurueck\"> · <a href=\"#uebersicht\">zur Übersicht</a></span></p>\n");
    AppendCourseChart(out, order);

    if (order.Activities.empty()) {
        Append(out, "<p class=\"leer\">Keine Stunden je Tätigkeit gespeichert.</p>\n</section>\n");
        return;
    }
    // Fixed column widths: the blocks line up under each other. No bars here: the overview
    // shows them, and a detail row costs a third of its bytes less without.
    Append(
        out,
        "<table class=\"fest einzeln\">\n<thead><tr><th class=\"c1\">Tätigkeit</th><th class=\"c2\">Bezeichnung</th>"
        "<th class=\"c3\">Kostenstelle</th><th class=\"n c4\">Soll</th><th class=\"n c4\">Ist</th>"
        "<th class=\"n c4\">Differenz</th><th class=\"n c5\">%</th></tr></thead>\n<tbody>\n");
    for (const TActivityHours& row : order.Activities) {
        AppendRowStart(out, row.Soll, row.Ist);
        Append(out, "<td>");
        AppendEscaped(out, row.RmTat);
        Append(out, "</td><td>");
        AppendEscaped(out, row.Name);
        Append(out, "</td><td>");
        AppendEscaped(out, row.KoNumm);
        Append(out, "</td>");
        AppendHoursCell(out, row.Soll);
        AppendHoursCell(out, row.Ist);
        AppendDifferenceCells(out, row.Soll, row.Ist);
        Append(out, "</tr>\n");
    }
    Append(out, "</tbody>\n</table>\n</section>\n");
}

} // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text);
    return out;
}

std::string OrderAnchor(std::string_view ofNumm) {
    std::string id = "o-";
    for (char c : ofNumm) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')
            id += c;
        else
            id += fmt::format("_{:02X}", byte);
    }
    return id;
}

std::string HtmlReport(const TReport& report) {
    std::string out;
    // Styles, header and the weeks' chart, then about 4 KB per order with eight activity rows
    // and a course of a dozen booking days: one allocation for the usual report.
    constexpr std::size_t kHead = 20480;
    constexpr std::size_t kPerOrder = 4096;
    out.reserve(kHead + report.Orders.size() * kPerOrder);
    Append(
        out,
        "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Soll-Ist-Bericht");
    if (!report.Firma.empty()) {
        Append(out, " – ");
        AppendEscaped(out, report.Firma);
    }
    fmt::format_to(Out(out), " – {}</title>\n<style>{}{}</style>\n</head>\n<body>\n",
                   FormatDate(report.WrittenAt), kStyle, kCourseStyle);
    AppendHeader(out, report);
    if (report.Orders.empty()) {
        Append(out, R"(<section id="uebersicht">)"
                    "\n<h2>Offene Aufträge</h2>\n<p class=\"leer\">");
        Append(out, report.Selected ? "Keine der gewählten Offerten ist offen." : "Keine offenen Aufträge.");
        Append(out, "</p>\n</section>\n</body>\n</html>\n");
        return out;
    }
    AppendOverview(out, report);
    AppendActivities(out, report);
    Append(out, R"(<section id="auftraege">)"
                "\n<h2>Aufträge im Einzelnen</h2>\n");
    AppendCourseLegend(out);
    for (const TOrderHours& order : report.Orders) AppendOrderDetail(out, order);
    Append(out, "</section>\n</body>\n</html>\n");
    return out;
}

} // namespace sollist::report
