#include "report/IstHtml.h"

#include "report/Format.h"
#include "report/Html.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace sollist::report {

const std::string_view kIstStyle = R"(
p.warnung{border-left:3px solid var(--ueber);padding:.2em .6em;margin:.3em 0 .5em}
.abg{color:#56606b;font-style:italic;white-space:nowrap}
table.buchungen{width:auto;margin:.2em 0 .6em 1.5em;font-size:.92em}
td.ohnelohn{color:var(--ueber);font-weight:600}
details.ist{margin:.1em 0}details.ist summary{cursor:pointer}
table.fest td,h3{overflow-wrap:anywhere}
)";

const std::string_view kDifferenzText =
    "Differenz = Ist ohne Regie (Produktion und Büro, mit den Lohnfaktoren gewichtet) − Soll (mit "
    "Zuschlag). Regie wird nach Aufwand abgerechnet: ihre Stunden stehen für sich und zählen nie als "
    "Überschreitung.";

namespace {

using Out = std::back_insert_iterator<std::string>;

void AppendOrderList(std::string& out, const std::vector<const TOrderHours*>& orders) {
    for (std::size_t i = 0; i < orders.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += HtmlEscape(orders[i]->OfNumm);
    }
}

} // namespace

std::string FormatFactor(double factor) {
    int decimals = 2;
    while (decimals < 4 && std::fabs(factor * std::pow(10.0, decimals) -
                                     std::round(factor * std::pow(10.0, decimals))) > 1e-9)
        ++decimals;
    return FormatNumber(factor, decimals);
}

std::string ClosedText(const TOrderHours& order) {
    return order.Abgeschlossen > 0 ? "abgeschlossen am " + FormatDate(order.Abgeschlossen) : "";
}

void AppendOverviewNotes(std::string& out, const TReport& report) {
    if (const auto differing = report.ZeilenAbweichend(); !differing.empty()) {
        fmt::format_to(Out(out),
                       "<p class=\"warnung\">Bei {} {} stimmen die gespeicherten Tätigkeitszeilen nicht mit "
                       "den Summen des Auftrags überein (der letzte Lauf hat ihn übersprungen, oder seine "
                       "Daten wurden danach geändert): ",
                       differing.size(), differing.size() == 1 ? "Auftrag" : "Aufträgen");
        AppendOrderList(out, differing);
        out +=
            ". Die Aufträge zeigen die Summen des Auftrags, die Tätigkeiten die gespeicherten Zeilen.</p>\n";
    }
    if (const auto withoutWage = report.MitOhneLohn(); !withoutWage.empty()) {
        std::size_t bookings = 0;
        double hours = 0;
        for (const TOrderHours* order : withoutWage) {
            bookings += order->OhneLohnBuchungen();
            hours += order->OhneLohnStunden();
        }
        fmt::format_to(Out(out),
                       "<p class=\"warnung\">{} von Mitarbeitern ohne Lohnzeile zählen 0 h statt {}: ",
                       bookings == 1 ? std::string("1 Buchung") : fmt::format("{} Buchungen", bookings),
                       FormatHours(hours));
        AppendOrderList(out, withoutWage);
        out += ".</p>\n";
    }
}

void AppendOrderNotes(std::string& out, const TOrderHours& order) {
    if (order.Abgeschlossen > 0)
        fmt::format_to(Out(out), "<p class=\"hinweis abg\">{}</p>\n", ClosedText(order));
    if (order.ZeilenWeichenAb())
        fmt::format_to(
            Out(out),
            "<p class=\"warnung\">Die gespeicherten Tätigkeitszeilen (Soll {}, Ist {}) stimmen nicht "
            "mit den Summen des Auftrags (Soll {}, Ist {}) überein: der letzte Lauf hat den Auftrag "
            "übersprungen, oder seine Daten wurden danach geändert. Die Zahlen oben sind die Summen "
            "des Auftrags, die Tätigkeiten die gespeicherten Zeilen.</p>\n",
            FormatHours(order.ZeilenSoll()), FormatHours(order.ZeilenIst()), FormatHours(order.Soll),
            FormatHours(order.Ist()));
    if (order.OhneLohnBuchungen() == 0)
        return;
    fmt::format_to(
        Out(out),
        "<p class=\"warnung\">Ohne Lohnzeile: {} dieser Mitarbeiter zählen 0 h, weil es für sie keine "
        "Lohnzeile (Lohnfaktor) gibt.</p>\n"
        "<table class=\"buchungen\"><thead><tr><th>Tätigkeit</th><th>Mitarbeiter</th><th>Tag</th>"
        "<th class=\"n\">Stunden</th></tr></thead><tbody>\n",
        FormatHours(order.OhneLohnStunden()));
    for (const ist::TIstPosten& p : order.Buchungen) {
        if (!p.OhneLohn)
            continue;
        fmt::format_to(Out(out), "<tr><td>{}</td><td>{}</td><td>{}</td><td class=\"n\">{}</td></tr>\n",
                       HtmlEscape(p.RmTat), HtmlEscape(p.MiNumm), FormatDate(p.Tag), FormatHours(p.Stunden));
    }
    out += "</tbody></table>\n";
}

void AppendActualSide(std::string& out, const TOrderHours& order, const TActivityHours& activity) {
    double raw = 0, weighted = 0;
    std::size_t lines = 0;
    for (const ist::TIstPosten& p : order.Buchungen)
        if (p.RmTat == activity.RmTat) {
            raw += p.Stunden;
            weighted += p.Gewichtet;
            ++lines;
        }
    if (lines == 0)
        return;
    fmt::format_to(Out(out), "<details class=\"ist\"><summary>{}", HtmlEscape(activity.RmTat));
    if (!activity.Name.empty())
        fmt::format_to(Out(out), " {}", HtmlEscape(activity.Name));
    fmt::format_to(Out(out), ": {} gebucht, {} gewichtet", FormatHours(raw), FormatHours(weighted));
    if (activity.Regie())
        out += " (Regie: zählt nicht gegen das Soll)";
    else if (activity.OverSince > 0)
        fmt::format_to(Out(out), ", über Soll seit {}", FormatDate(activity.OverSince));
    if (Overrun(std::fabs(weighted - activity.Ist)))
        fmt::format_to(Out(out), "; gespeichert sind {}: seit dem Lauf geändert", FormatHours(activity.Ist));
    out +=
        "</summary>\n<table class=\"buchungen\"><thead><tr><th>Tag</th><th>Mitarbeiter</th>"
        "<th class=\"n\">Stunden</th><th class=\"n\">Lohnfaktor</th><th class=\"n\">gewichtet</th></tr></thead>"
        "<tbody>\n";
    for (const ist::TIstPosten& p : order.Buchungen) {
        if (p.RmTat != activity.RmTat)
            continue;
        fmt::format_to(Out(out), "<tr><td>{}</td><td>{}</td><td class=\"n\">{}</td>", FormatDate(p.Tag),
                       HtmlEscape(p.MiNumm), FormatHours(p.Stunden));
        if (p.OhneLohn)
            out += "<td class=\"n ohnelohn\">keine Lohnzeile</td>";
        else
            fmt::format_to(Out(out), "<td class=\"n\">{}</td>", FormatFactor(p.Fak));
        fmt::format_to(Out(out), "<td class=\"n\">{}</td></tr>\n", FormatHours(p.Gewichtet));
    }
    fmt::format_to(Out(out),
                   "</tbody><tfoot><tr><td colspan=\"2\">Summe</td><td class=\"n\">{}</td><td></td>"
                   "<td class=\"n\">{}</td></tr></tfoot></table></details>\n",
                   FormatHours(raw), FormatHours(weighted));
}

void AppendBookings(std::string& out, const TOrderHours& order) {
    if (order.Buchungen.empty())
        return;
    out += "<h4>Iststunden aus den Zeitbuchungen</h4>\n<p class=\"hinweis\">Je Tätigkeit (zum Aufklappen "
           "anklicken): die Buchungen je Tag und Mitarbeiter, die Stunden mit dem an diesem Tag gültigen "
           "Lohnfaktor gewichtet, wie der Lauf sie summiert.</p>\n";
    // The activities with stored rows in their order, then any booked since without one.
    std::vector<std::string> shown;
    for (const TActivityHours& activity : order.Activities) {
        AppendActualSide(out, order, activity);
        shown.push_back(activity.RmTat);
    }
    for (const ist::TIstPosten& p : order.Buchungen) {
        if (std::find(shown.begin(), shown.end(), p.RmTat) != shown.end())
            continue;
        shown.push_back(p.RmTat);
        TActivityHours unstored;
        unstored.RmTat = p.RmTat;
        unstored.TatArt = p.TatArt;
        AppendActualSide(out, order, unstored);
    }
}

} // namespace sollist::report
