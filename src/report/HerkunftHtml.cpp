#include "report/HerkunftHtml.h"

#include "report/BerichtHerkunft.h"
#include "report/Format.h"
#include "report/HerkunftText.h"
#include "report/Html.h"

#include <fmt/format.h>

#include <iterator>

namespace sollist::report {

using sollstd::THerkunft;
using sollstd::THerkunftBeitrag;
using sollstd::THerkunftGruppe;
using sollstd::THerkunftSatz;

// The summaries are grids with the columns of the activity table they stand for; the figures of
// the records align right, their unit left.
const std::string_view kHerkunftStyle = R"(
div.hk-kopf,details.hk>summary{display:grid;grid-template-columns:14% 30% 12% 12% 12% 12% 8%;padding:.12em .4em;border-bottom:1px solid #dde2e7}
div.hk-kopf{background:#eef1f4;font-weight:600;border-bottom-color:#9aa5b1}
details.hk>summary{cursor:pointer;list-style:none}
details.hk>summary::-webkit-details-marker{display:none}
details.hk>summary>span:first-child::before{content:"▸ ";color:#56606b}
details.hk[open]>summary>span:first-child::before{content:"▾ "}
summary.ueber .d{color:var(--ueber);font-weight:600}
div.hk-saetze{margin:.2em 0 .6em 1.2em}
div.hk-saetze p{margin:.2em 0;font-size:.9em}
.geaendert{color:var(--ueber);font-weight:600}
em.geaendert{font-style:normal;font-size:.85em;margin-left:.5em}
table.saetze{font-size:.9em}
table.saetze td:nth-child(n+3){text-align:right;white-space:nowrap}
table.saetze td:nth-child(4){text-align:left}
table.saetze td:nth-child(2){white-space:nowrap}
table.saetze tr.p th{background:#f5f7f9;text-align:left;font-weight:600}
table.saetze tr.t th{text-align:left;font-weight:normal;font-style:italic;padding-left:1.2em}
table.saetze tr.q td:first-child{padding-left:1.6em;color:#56606b}
ul.meldungen{margin:.2em 0 .5em;font-size:.9em;color:var(--ueber)}
)";

namespace {

using Out = std::back_insert_iterator<std::string>;

void AppendSpan(std::string& out, std::string_view cssClass, const std::string& text) {
    if (cssClass.empty())
        out += "<span>";
    else
        fmt::format_to(Out(out), R"(<span class="{}">)", cssClass);
    out += HtmlEscape(text);
    out += "</span>";
}

// The row of the activity table as the summary: the stored figures, or zeros for a group the
// run did not store.
void AppendSummary(std::string& out, const TAbgleich& abgleich, bool geaendert) {
    const TActivityHours* row = abgleich.Gespeichert;
    const THerkunftGruppe* gruppe = abgleich.Gruppe;
    const double soll = abgleich.GespeichertSoll();
    const double ist = row != nullptr ? row->Ist : 0.0;
    // Time and material is compared with nothing.
    const bool regie = row != nullptr && row->Regie();
    const double gezaehlt = regie ? 0.0 : ist;
    out += Overrun(gezaehlt - soll) ? R"(<summary class="ueber">)" : "<summary>";
    AppendSpan(out, "", row != nullptr ? row->RmTat : gruppe->RmTat);
    out += "<span>";
    out += HtmlEscape(row != nullptr ? row->Name : gruppe->RmName);
    if (geaendert)
        out += R"(<em class="geaendert">geändert</em>)";
    out += "</span>";
    AppendSpan(out, "", row != nullptr ? row->KoNumm : gruppe->KoNumm);
    AppendSpan(out, "n", FormatHours(soll));
    AppendSpan(out, "n", FormatHours(ist));
    AppendSpan(out, "n d", FormatDifference(gezaehlt - soll));
    double percent = 0;
    if (regie)
        AppendSpan(out, "n ohne", "Regie");
    else if (PercentOfTarget(gezaehlt - soll, soll, percent))
        AppendSpan(out, "n d", FormatPercent(percent));
    else
        AppendSpan(out, "n ohne", "ohne Soll");
    out += "</summary>\n";
}

void AppendCells(std::string& out, std::initializer_list<std::string> cells) {
    out += "<tr>";
    for (const std::string& cell : cells) {
        out += "<td>";
        out += HtmlEscape(cell);
        out += "</td>";
    }
    out += "</tr>\n";
}

void AppendSatz(std::string& out, const THerkunft& herkunft, const THerkunftSatz& s) {
    const bool einzeln = s.Beitraege.size() == 1;
    AppendCells(out, {einzeln ? QuellText(herkunft, s, s.Beitraege.front())
                              : fmt::format("{} Quellen:", s.Beitraege.size()),
                      s.TaName.empty() ? s.Taetigkeit : s.Taetigkeit + " " + s.TaName, Menge(s.EhMenge),
                      s.TaEinhKz, Menge(s.Stueck), Minuten(s.TaVarEh), Minuten(s.TaVarSt), Minuten(s.TaFixZt),
                      FormatHours(s.Stunden)});
    if (einzeln)
        return;
    for (const THerkunftBeitrag& b : s.Beitraege) {
        out += R"(<tr class="q"><td>)";
        out += HtmlEscape(QuellText(herkunft, s, b));
        fmt::format_to(
            Out(out),
            "</td><td></td><td>{}</td><td></td><td>{}</td><td></td><td></td><td></td><td></td></tr>\n",
            Menge(b.EhMenge), Menge(b.Stueck));
    }
}

void AppendGruppe(std::string& out, const THerkunft& herkunft, const THerkunftGruppe& gruppe) {
    fmt::format_to(Out(out), "<p>{} · Soll ohne Zuschlag {} · mit Zuschlag {}: {}</p>\n",
                   SaetzeText(gruppe.Saetze.size()), FormatHours(gruppe.Stunden),
                   Zuschlag(herkunft.VertZuschl), FormatHours(gruppe.MitZuschlag));
    out +=
        "<table class=\"saetze\">\n<thead><tr><th>Herkunft</th><th>Tätigkeit</th><th>Menge</th><th>Einheit</th>"
        "<th>Stück</th><th>min/Einheit</th><th>min/Stück</th><th>Fixzeit min</th>"
        "<th>Stunden ohne Zuschlag</th></tr></thead>\n<tbody>\n";
    for (const TGliederung& g : Gliedere(herkunft, gruppe)) {
        if (g.Art == TGliederung::TArt::Satz) {
            AppendSatz(out, herkunft, *g.Satz);
            continue;
        }
        out += g.Art == TGliederung::TArt::Position ? R"(<tr class="p"><th colspan="9">)"
                                                    : R"(<tr class="t"><th colspan="9">)";
        out += HtmlEscape(g.Kopf);
        out += "</th></tr>\n";
    }
    out += "</tbody>\n</table>\n";
}

void AppendGeaendert(std::string& out, double gespeichert, double jetzt) {
    fmt::format_to(
        Out(out),
        R"(<p class="geaendert">Soll seit der letzten Berechnung geändert: gespeichert {}, jetzt {}.</p>)"
        "\n",
        FormatHours(gespeichert), FormatHours(jetzt));
}

} // namespace

std::string HerkunftHtml(const TOrderHours& order, const THerkunft& herkunft) {
    const std::vector<TAbgleich> abgleiche = Abgleiche(order, herkunft);
    if (abgleiche.empty())
        return {};
    std::string out;
    if (Geaendert(order.Soll, herkunft.MitZuschlag))
        AppendGeaendert(out, order.Soll, herkunft.MitZuschlag);
    if (!herkunft.Hinweise.empty()) {
        out += "<p>Meldungen der Berechnung:</p>\n<ul class=\"meldungen\">";
        for (const std::string& hinweis : herkunft.Hinweise) out += "<li>" + HtmlEscape(hinweis) + "</li>";
        out += "</ul>\n";
    }
    out += "<div class=\"hk\">\n<div class=\"hk-kopf\"><span>Tätigkeit</span><span>Bezeichnung</span>"
           "<span>Kostenstelle</span><span class=\"n\">Soll</span><span class=\"n\">Ist</span>"
           "<span class=\"n\">Differenz</span><span class=\"n\">%</span></div>\n";
    for (const TAbgleich& abgleich : abgleiche) {
        const bool geaendert = Geaendert(abgleich.GespeichertSoll(), abgleich.JetztSoll());
        out += "<details class=\"hk\">";
        AppendSummary(out, abgleich, geaendert);
        out += "<div class=\"hk-saetze\">\n";
        if (geaendert)
            AppendGeaendert(out, abgleich.GespeichertSoll(), abgleich.JetztSoll());
        if (abgleich.Gruppe != nullptr)
            AppendGruppe(out, herkunft, *abgleich.Gruppe);
        else
            out += "<p class=\"leer\">Keine Sätze: die Berechnung ergibt hier kein Soll.</p>\n";
        out += "</div></details>\n";
    }
    out += "</div>\n";
    return out;
}

} // namespace sollist::report
