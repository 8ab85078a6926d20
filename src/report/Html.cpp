#include "report/Html.h"

#include "report/CourseChart.h"
#include "report/Format.h"
#include "report/HerkunftHtml.h"
#include "report/HtmlParts.h"
#include "report/IstHtml.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

namespace sollist::report {

namespace {

// The bars are SVG: their fills print without the browser's "background graphics" option,
// which CSS backgrounds would need. Blocks of overview rows and detail
// blocks off the screen are laid out only when scrolled to, and tables take their column
// widths from their head row: a report of thousands of orders opens quickly.
constexpr std::string_view kStyleStart = R"(
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
)";
// Here the overview's column widths (OverviewWidths).
constexpr std::string_view kStyleEnd = R"(
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

// The difference in hours, and in percent of the target or "ohne Soll".
void AppendDifferenceCell(std::string& out, double soll, double ist) {
    fmt::format_to(Out(out), R"(<td class="n d">{}</td>)", FormatDifference(ist - soll));
}

void AppendPercentCell(std::string& out, double soll, double ist) {
    double percent = 0;
    if (PercentOfTarget(ist - soll, soll, percent))
        fmt::format_to(Out(out), R"(<td class="n d">{}</td>)", FormatPercent(percent));
    else
        Append(out, R"(<td class="n ohne">ohne Soll</td>)");
}

void AppendDifferenceCells(std::string& out, double soll, double ist) {
    AppendDifferenceCell(out, soll, ist);
    AppendPercentCell(out, soll, ist);
}

// A row's difference; a time-and-material row says so instead of a percentage.
void AppendRowDifference(std::string& out, double soll, double gezaehlt, bool regie) {
    AppendDifferenceCell(out, soll, gezaehlt);
    if (regie)
        Append(out, R"(<td class="n ohne">Regie</td>)");
    else
        AppendPercentCell(out, soll, gezaehlt);
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

// Styled on the element itself: pages without the note stay as they were.
void AppendRunningCalculation(std::string& out, const std::string& where) {
    Append(out, R"(<p class="laufend" style="border:2px solid #c0392b;padding:.4em .6em;font-weight:600">)"
                "Zwischenstand: Während der Bericht gelesen wurde, lief auf der Datenbank eine Berechnung");
    if (!where.empty()) {
        Append(out, " (");
        AppendEscaped(out, where);
        Append(out, ")");
    }
    Append(out, ". Aufträge, die sie noch nicht berechnet hatte, zeigen ihre alten Summen ohne "
                "Tätigkeiten. Den Bericht nach dem Lauf neu erstellen.</p>\n");
}

} // namespace

void AppendHeader(std::string& out, const TReport& report) {
    Append(out, "<header>\n<h1>Soll-Ist-Bericht</h1>\n");
    if (report.RunningCalculation)
        AppendRunningCalculation(out, *report.RunningCalculation);
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

namespace {

// What the overview's cells are written from: the order, the scale of its bars, the sums of the
// footer, and where its link leads.
struct TOverviewRow {
    const TOrderHours& Order;
    double Scale;
    const TOverviewOptions& Options;
};

struct TOverviewSums {
    std::size_t Orders = 0;
    double Soll = 0, Prod = 0, Regie = 0, Buero = 0;
    double Ist() const { return Prod + Regie + Buero; }
    double Gezaehlt() const { return Prod + Buero; }
};

// One column of the overview: its head (text, classes of the head cell, its width class and
// width), how the site's script sorts it, its cell and its footer cell.
struct TOverviewColumn {
    std::string_view Head;
    std::string_view HeadClass; // "" or e.g. "n k2"
    std::string_view Width;     // "" (the rest of the line) or the width of the class in HeadClass
    char Sort;                  // 't' text, 'n' German number, 'd' date DD.MM.YYYY
    void (*Cell)(std::string& out, const TOverviewRow& row);
    void (*Foot)(std::string& out, const TOverviewSums& sums);
};

void HoursFoot(std::string& out, double hours) { AppendHoursCell(out, hours); }

constexpr TOverviewColumn kOverviewColumns[] = {
    {"Offert", "k1", "8%", 't',
     [](std::string& out, const TOverviewRow& row) {
         fmt::format_to(Out(out), R"(<td><a href="{}">)",
                        row.Options.Site ? "auftrag/" + OrderPageName(row.Order.OfNumm)
                                         : "#" + OrderAnchor(row.Order.OfNumm));
         AppendEscaped(out, row.Order.OfNumm);
         Append(out, "</a></td>");
     },
     [](std::string& out, const TOverviewSums& sums) {
         fmt::format_to(Out(out), "<td colspan=\"2\">Summe ({} Aufträge, ihre gespeicherten Summen)</td>",
                        sums.Orders);
     }},
    {"Bezeichnung", "", "", 't',
     [](std::string& out, const TOverviewRow& row) {
         Append(out, "<td>");
         AppendEscaped(out, row.Order.Bezeichnung);
         if (row.Order.Abgeschlossen > 0)
             fmt::format_to(Out(out), R"({}<span class="abg">{}</span>)",
                            row.Order.Bezeichnung.empty() ? "" : " ", ClosedText(row.Order));
         Append(out, "</td>");
     },
     [](std::string&, const TOverviewSums&) {}}, // under the sum's label
    {"Soll", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) { AppendHoursCell(out, row.Order.Soll); },
     [](std::string& out, const TOverviewSums& sums) { HoursFoot(out, sums.Soll); }},
    {"Ist Produktion", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) { AppendHoursCell(out, row.Order.IstProd); },
     [](std::string& out, const TOverviewSums& sums) { HoursFoot(out, sums.Prod); }},
    {"Ist Regie", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) { AppendHoursCell(out, row.Order.IstRegie); },
     [](std::string& out, const TOverviewSums& sums) { HoursFoot(out, sums.Regie); }},
    {"Ist Büro", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) { AppendHoursCell(out, row.Order.IstBuero); },
     [](std::string& out, const TOverviewSums& sums) { HoursFoot(out, sums.Buero); }},
    {"Ist gesamt", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) { AppendHoursCell(out, row.Order.Ist()); },
     [](std::string& out, const TOverviewSums& sums) { HoursFoot(out, sums.Ist()); }},
    {"Differenz", "n k2", "8.5%", 'n',
     [](std::string& out, const TOverviewRow& row) {
         AppendDifferenceCell(out, row.Order.Soll, row.Order.Gezaehlt());
     },
     [](std::string& out, const TOverviewSums& sums) {
         AppendDifferenceCell(out, sums.Soll, sums.Gezaehlt());
     }},
    {"%", "n k3", "6.5%", 'n',
     [](std::string& out, const TOverviewRow& row) {
         AppendPercentCell(out, row.Order.Soll, row.Order.Gezaehlt());
     },
     [](std::string& out, const TOverviewSums& sums) { AppendPercentCell(out, sums.Soll, sums.Gezaehlt()); }},
    {"über Soll seit", "n k5", "8.5%", 'd',
     [](std::string& out, const TOverviewRow& row) { AppendOverSinceCell(out, row.Order); },
     [](std::string& out, const TOverviewSums&) { Append(out, "<td></td>"); }},
    {"Soll / Ist", "k4", "10%", 't',
     [](std::string& out, const TOverviewRow& row) {
         Append(out, R"(<td class="b">)");
         AppendBars(out, row.Order.Soll, row.Order.Gezaehlt(), row.Scale);
         Append(out, "</td>");
     },
     [](std::string& out, const TOverviewSums&) { Append(out, "<td></td>"); }},
};

// The overview's width classes as CSS, each once, in the order of their names.
std::string OverviewWidths() {
    std::map<std::string_view, std::string_view> widths;
    for (const TOverviewColumn& column : kOverviewColumns) {
        if (column.Width.empty())
            continue;
        const std::string_view classes = column.HeadClass;
        widths.emplace(classes.substr(classes.rfind(' ') + 1), column.Width);
    }
    std::string css;
    for (const auto& [name, width] : widths) fmt::format_to(Out(css), ".ue .{}{{width:{}}}", name, width);
    return css;
}

void AppendOverviewHead(std::string& out, const TOverviewOptions& options) {
    Append(out, "<thead><tr>");
    for (const TOverviewColumn& column : kOverviewColumns) {
        Append(out, "<th");
        if (!column.HeadClass.empty())
            fmt::format_to(Out(out), R"( class="{}")", column.HeadClass);
        if (options.Site)
            fmt::format_to(Out(out), R"( data-sort="{}")", column.Sort);
        fmt::format_to(Out(out), ">{}</th>", column.Head);
    }
    Append(out, "</tr></thead>\n<tbody>\n");
}

} // namespace

void AppendOverview(std::string& out, const TReport& report, const TOverviewOptions& options) {
    Append(out, R"(<section id="uebersicht">)"
                "\n<h2>Offene Aufträge</h2>\n");
    Append(out, R"(<p class="hinweis">Soll mit Zuschlag, Ist mit den Lohnfaktoren gewichtet. )");
    Append(out, kDifferenzText);
    Append(out, R"( Sortiert nach der Differenz in Stunden, die größte Überschreitung zuerst. Aufträge, )"
                R"(die in den letzten Tagen abgeschlossen wurden, zählen noch als offen und sagen es.</p>)"
                "\n");
    AppendOverviewNotes(out, report);
    AppendRecentWeeksChart(out, report);
    AppendLegend(out);
    if (options.Filters)
        options.Filters(out);
    double scale = 0;
    TOverviewSums sums;
    sums.Orders = report.Orders.size();
    for (const TOrderHours& order : report.Orders) {
        scale = std::max({scale, order.Soll, order.Gezaehlt()});
        sums.Soll += order.Soll;
        sums.Prod += order.IstProd;
        sums.Regie += order.IstRegie;
        sums.Buero += order.IstBuero;
    }
    // Blocks of rows, each a table with the same fixed columns, so that the browser lays out
    // only the blocks on the screen; every block repeats the column heads.
    for (std::size_t first = 0; first < report.Orders.size(); first += kBlockRows) {
        Append(out, "\n<div class=\"block\"><table class=\"fest ue\">\n");
        AppendOverviewHead(out, options);
        const std::size_t last = std::min(first + kBlockRows, report.Orders.size());
        for (std::size_t i = first; i < last; ++i) {
            const TOverviewRow row{report.Orders[i], scale, options};
            const bool over = Overrun(row.Order.Differenz());
            Append(out, over ? R"(<tr class="ueber")" : "<tr");
            if (options.RowAttributes)
                options.RowAttributes(out, row.Order);
            Append(out, ">");
            for (const TOverviewColumn& column : kOverviewColumns) column.Cell(out, row);
            Append(out, "</tr>\n");
        }
        Append(out, "</tbody>\n");
        if (last == report.Orders.size()) {
            Append(out, "<tfoot>");
            AppendRowStart(out, sums.Soll, sums.Gezaehlt());
            for (const TOverviewColumn& column : kOverviewColumns) column.Foot(out, sums);
            Append(out, "</tr></tfoot>\n");
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
    Append(out, R"(<p class="hinweis">Die gespeicherten Tätigkeitszeilen der Aufträge je Rückmeldetätigkeit )"
                R"(summiert. Wo das Ist über alle Aufträge über dem Soll liegt, sind die Vorgabezeiten der )"
                R"(Stammdaten zu knapp; Regie (nach Aufwand) zählt dabei nicht als Überschreitung.</p>)"
                "\n");
    double scale = 0, soll = 0, ist = 0, gezaehlt = 0;
    for (const TActivityTotal& activity : report.Activities) {
        scale = std::max({scale, activity.Soll, activity.Gezaehlt()});
        soll += activity.Soll;
        ist += activity.Ist;
        gezaehlt += activity.Gezaehlt();
    }
    Append(out, "<table>\n<thead><tr><th>Tätigkeit</th><th>Bezeichnung</th><th class=\"n\">Aufträge</th>"
                "<th class=\"n\">Soll</th><th class=\"n\">Ist</th><th class=\"n\">Differenz</th>"
                "<th class=\"n\">%</th><th>Soll / Ist</th></tr></thead>\n<tbody>\n");
    for (const TActivityTotal& activity : report.Activities) {
        AppendRowStart(out, activity.Soll, activity.Gezaehlt());
        Append(out, "<td>");
        AppendEscaped(out, activity.RmTat);
        Append(out, "</td><td>");
        AppendEscaped(out, activity.Name);
        fmt::format_to(Out(out), R"(</td><td class="n">{}</td>)", activity.Orders);
        AppendHoursCell(out, activity.Soll);
        AppendHoursCell(out, activity.Ist);
        AppendRowDifference(out, activity.Soll, activity.Gezaehlt(), activity.Regie());
        Append(out, R"(<td class="b">)");
        AppendBars(out, activity.Soll, activity.Gezaehlt(), scale);
        Append(out, "</td></tr>\n");
    }
    Append(out, "</tbody>\n<tfoot>");
    AppendRowStart(out, soll, gezaehlt);
    Append(out, "<td colspan=\"3\">Summe der Tätigkeitszeilen</td>");
    AppendHoursCell(out, soll);
    AppendHoursCell(out, ist);
    AppendDifferenceCells(out, soll, gezaehlt);
    Append(out, "<td></td></tr></tfoot>\n</table>\n</section>\n");
}

namespace {

// The order's name as its heading: "Offert <number> · <name>".
void AppendOrderTitle(std::string& out, const TOrderHours& order) {
    Append(out, "Offert ");
    AppendEscaped(out, order.OfNumm);
    if (!order.Bezeichnung.empty()) {
        Append(out, " · ");
        AppendEscaped(out, order.Bezeichnung);
    }
}

void AppendOrderFigures(std::string& out, const TOrderDetail& detail) {
    const TOrderHours& order = detail.Order;
    Append(out, "<p class=\"zahlen\">");
    if (!order.ANumm.empty()) {
        Append(out, "Auftrag ");
        AppendEscaped(out, order.ANumm);
        Append(out, " · ");
    }
    fmt::format_to(Out(out), "Soll {} · Ist {} (Produktion {}, Regie {}, Büro {}) · Differenz ohne Regie {}",
                   FormatHours(order.Soll), FormatHours(order.Ist()), FormatHours(order.IstProd),
                   FormatHours(order.IstRegie), FormatHours(order.IstBuero),
                   FormatDifference(order.Differenz()));
    double percent = 0;
    if (PercentOfTarget(order.Differenz(), order.Soll, percent))
        fmt::format_to(Out(out), " ({})", FormatPercent(percent));
    else
        Append(out, " (ohne Soll)");
    fmt::format_to(Out(out), " · letzte Buchung {}", order.IstBis > 0 ? FormatDate(order.IstBis) : "keine");
    if (order.Abgeschlossen > 0)
        fmt::format_to(Out(out), " · {}", ClosedText(order));
    fmt::format_to(Out(out), "<span class=\"zurueck\"> · <a href=\"{}\">zur Übersicht</a></span></p>\n",
                   detail.BackLink);
}

// The stored rows per reporting activity; with the explanation, each opens onto its records.
void AppendOrderActivities(std::string& out, const TOrderDetail& detail) {
    const TOrderHours& order = detail.Order;
    if (!order.HerkunftHtml.empty()) {
        Append(out, order.HerkunftHtml);
        return;
    }
    if (order.Activities.empty()) {
        Append(out, "<p class=\"leer\">Keine Stunden je Tätigkeit gespeichert.</p>\n");
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
        AppendRowStart(out, row.Soll, row.Gezaehlt());
        Append(out, "<td>");
        AppendEscaped(out, row.RmTat);
        Append(out, "</td><td>");
        AppendEscaped(out, row.Name);
        Append(out, "</td><td>");
        AppendEscaped(out, row.KoNumm);
        Append(out, "</td>");
        AppendHoursCell(out, row.Soll);
        AppendHoursCell(out, row.Ist);
        AppendRowDifference(out, row.Soll, row.Gezaehlt(), row.Regie());
        Append(out, "</tr>\n");
    }
    Append(out, "</tbody>\n</table>\n");
}

// The parts of an order's block, in their order: a new part is one entry here.
constexpr void (*kOrderDetailParts[])(std::string&, const TOrderDetail&) = {
    AppendOrderFigures,
    [](std::string& out, const TOrderDetail& detail) { AppendOrderNotes(out, detail.Order); },
    [](std::string& out, const TOrderDetail& detail) { AppendCourseChart(out, detail.Order); },
    AppendOrderActivities,
    [](std::string& out, const TOrderDetail& detail) {
        if (detail.Buchungen)
            AppendBookings(out, detail.Order);
    },
};

} // namespace

void AppendOrderDetail(std::string& out, const TOrderDetail& detail) {
    fmt::format_to(Out(out),
                   R"(<section class="auftrag" id="{}">)"
                   "\n<h3>",
                   OrderAnchor(detail.Order.OfNumm));
    AppendOrderTitle(out, detail.Order);
    Append(out, "</h3>\n");
    for (const auto part : kOrderDetailParts) part(out, detail);
    Append(out, "</section>\n");
}

void AppendPageStart(std::string& out, const TReport& report, std::string_view title, bool herkunft,
                     std::string_view moreStyle) {
    Append(out, "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    AppendEscaped(out, title);
    if (!report.Firma.empty()) {
        Append(out, " – ");
        AppendEscaped(out, report.Firma);
    }
    fmt::format_to(Out(out), " – {}</title>\n<style>{}{}{}{}{}{}{}</style>\n</head>\n<body>\n",
                   FormatDate(report.WrittenAt), kStyleStart, OverviewWidths(), kStyleEnd, kCourseStyle,
                   kIstStyle, herkunft ? kHerkunftStyle : "", moreStyle);
}

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

std::string OrderPageName(std::string_view ofNumm) {
    std::string name = "o-";
    for (char c : ofNumm) {
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')
            name += c;
        else
            name += fmt::format("_{:02X}", static_cast<unsigned char>(c));
    }
    return name + ".html";
}

std::string HtmlReport(const TReport& report) {
    std::string out;
    // Styles, header and the weeks' chart, then about 4 KB per order with eight activity rows
    // and a course of a dozen booking days: one allocation for the usual report, and the
    // explanation's parts, written already.
    constexpr std::size_t kHead = 20480;
    constexpr std::size_t kPerOrder = 4096;
    std::size_t herkunft = 0;
    for (const TOrderHours& order : report.Orders) herkunft += order.HerkunftHtml.size();
    out.reserve(kHead + report.Orders.size() * kPerOrder + herkunft);
    AppendPageStart(out, report, "Soll-Ist-Bericht", report.Herkunft, "");
    AppendHeader(out, report);
    if (report.Orders.empty()) {
        Append(out, R"(<section id="uebersicht">)"
                    "\n<h2>Offene Aufträge</h2>\n<p class=\"leer\">");
        Append(out, report.Selected ? "Keine der gewählten Offerten ist offen." : "Keine offenen Aufträge.");
        Append(out, "</p>\n</section>\n</body>\n</html>\n");
        return out;
    }
    AppendOverview(out, report, {});
    AppendActivities(out, report);
    Append(out, R"(<section id="auftraege">)"
                "\n<h2>Aufträge im Einzelnen</h2>\n");
    AppendCourseLegend(out);
    for (const TOrderHours& order : report.Orders) AppendOrderDetail(out, {order, "#uebersicht"});
    Append(out, "</section>\n</body>\n</html>\n");
    return out;
}

} // namespace sollist::report
