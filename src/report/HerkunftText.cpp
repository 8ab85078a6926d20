#include "report/HerkunftText.h"

#include "common/Text.h"
#include "report/Format.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace sollist::report {

using sollstd::THerkunft;
using sollstd::THerkunftBeitrag;
using sollstd::THerkunftGruppe;
using sollstd::THerkunftSatz;
using solltat::TQuellArt;

namespace {

std::string Named(const std::string& number, const std::string& name) {
    return name.empty() ? number : number + " " + name;
}

std::string WithCode(const std::string& text, const std::string& code) {
    return code.empty() ? text : text + " (" + code + ")";
}

// The assembly of a part-type record: that of its first source.
std::int32_t BaugruppeOf(const THerkunftSatz& satz) {
    return satz.Beitraege.empty() ? 0 : satz.Beitraege.front().Quelle.BgLf;
}

std::string TeiletypKopf(const THerkunft& herkunft, const THerkunftSatz& satz) {
    const std::int32_t bgLf = BaugruppeOf(satz);
    std::string kopf = fmt::format("Teiletyp {}", satz.Element);
    if (const sollstd::THerkunftTeiletyp* t = herkunft.Teiletyp(satz.SollPos, bgLf, satz.Element)) {
        if (!t->Name.empty())
            kopf += ": " + t->Name;
        if (!t->Text.empty())
            kopf += " – " + t->Text;
    }
    return kopf + ", " + Named(fmt::format("Baugruppe {}", bgLf), herkunft.BaugruppeName(satz.SollPos, bgLf));
}

std::size_t Characters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) text::NextCodePoint(text, pos);
    return count;
}

// A table of text cells whose columns are as wide as their widest cell; headings and lines of
// their own stand between the rows.
class TTextTabelle {
public:
    static constexpr std::size_t kSpalten = 9;
    using TZeile = std::array<std::string, kSpalten>;

    void Kopf(const std::string& line) { FZeilen.push_back({line, {}}); }
    void Zeile(TZeile cells) { FZeilen.emplace_back(std::string(), std::move(cells)); }

    void AppendTo(std::vector<std::string>& lines) const {
        std::array<std::size_t, kSpalten> width{};
        for (const auto& z : FZeilen)
            if (z.first.empty())
                for (std::size_t c = 0; c < kSpalten; ++c)
                    width[c] = std::max(width[c], Characters(z.second[c]));
        for (const auto& z : FZeilen) {
            if (!z.first.empty()) {
                lines.push_back(z.first);
                continue;
            }
            std::string line = "      ";
            for (std::size_t c = 0; c < kSpalten; ++c) {
                const std::string fill(width[c] - Characters(z.second[c]), ' ');
                // Text columns left, figures right.
                line += c < 2 || c == 3 ? z.second[c] + fill : fill + z.second[c];
                if (c + 1 < kSpalten)
                    line += "  ";
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            lines.push_back(line);
        }
    }

private:
    std::vector<std::pair<std::string, TZeile>> FZeilen;
};

void AppendGruppe(std::vector<std::string>& lines, const THerkunft& herkunft, const THerkunftGruppe& gruppe) {
    lines.emplace_back();
    lines.push_back(fmt::format("{}, Kostenstelle {}: {} ohne Zuschlag, {} mit Zuschlag ({})",
                                Named(gruppe.RmTat, gruppe.RmName), gruppe.KoNumm,
                                FormatHours(gruppe.Stunden), FormatHours(gruppe.MitZuschlag),
                                SaetzeText(gruppe.Saetze.size())));
    TTextTabelle tabelle;
    tabelle.Zeile({"Herkunft", "Tätigkeit", "Menge", "Einheit", "Stück", "min/Einheit", "min/Stück",
                   "Fixzeit min", "Stunden"});
    for (const TGliederung& g : Gliedere(herkunft, gruppe)) {
        if (g.Art != TGliederung::TArt::Satz) {
            tabelle.Kopf((g.Art == TGliederung::TArt::Position ? "  " : "    ") + g.Kopf);
            continue;
        }
        const THerkunftSatz& s = *g.Satz;
        const bool einzeln = s.Beitraege.size() == 1;
        tabelle.Zeile({einzeln ? QuellText(herkunft, s, s.Beitraege.front())
                               : fmt::format("{} Quellen:", s.Beitraege.size()),
                       Named(s.Taetigkeit, s.TaName), Menge(s.EhMenge), s.TaEinhKz, Menge(s.Stueck),
                       Minuten(s.TaVarEh), Minuten(s.TaVarSt), Minuten(s.TaFixZt), FormatNumber(s.Stunden)});
        if (!einzeln)
            for (const THerkunftBeitrag& b : s.Beitraege)
                tabelle.Zeile({"  " + QuellText(herkunft, s, b), "", Menge(b.EhMenge), "", Menge(b.Stueck),
                               "", "", "", ""});
    }
    tabelle.AppendTo(lines);
}

} // namespace

std::string QuellText(const THerkunft& herkunft, const THerkunftSatz& satz, const THerkunftBeitrag& beitrag) {
    const solltat::TSollQuelle& q = beitrag.Quelle;
    std::string text;
    switch (q.Art) {
    case TQuellArt::Positionstaetigkeit: text = fmt::format("Positionstätigkeit {}", q.Zeile); break;
    case TQuellArt::Positionsmaterial:
        text = fmt::format("Positionsmaterial {}: {}", q.Zeile,
                           Named(q.Material, herkunft.MaterialName(q.Material)));
        break;
    case TQuellArt::TeiletypTaetigkeit:
        text = WithCode(fmt::format("Tätigkeitszeile {}", q.Zeile), q.Lage);
        break;
    case TQuellArt::TeiletypCNC: text = fmt::format("CNC-Zeile {}", q.Zeile); break;
    case TQuellArt::TeiletypMaterial:
        text = WithCode("Material " + Named(q.Material, herkunft.MaterialName(q.Material)), q.Lage);
        break;
    }
    if (!beitrag.TatMaterial.empty())
        text += " → " + Named(beitrag.TatMaterial, herkunft.MaterialName(beitrag.TatMaterial));
    const bool teiletyp = q.Art == TQuellArt::TeiletypTaetigkeit || q.Art == TQuellArt::TeiletypCNC ||
                          q.Art == TQuellArt::TeiletypMaterial;
    if (teiletyp && q.BgLf != BaugruppeOf(satz))
        text = Named(fmt::format("Baugruppe {}", q.BgLf), herkunft.BaugruppeName(satz.SollPos, q.BgLf)) +
               ", " + text;
    return text;
}

std::vector<TGliederung> Gliedere(const THerkunft& herkunft, const THerkunftGruppe& gruppe) {
    std::vector<TGliederung> out;
    const THerkunftSatz* previous = nullptr;
    for (const THerkunftSatz& satz : gruppe.Saetze) {
        const bool newPosition = previous == nullptr || previous->SollPos != satz.SollPos;
        if (newPosition)
            out.push_back({TGliederung::TArt::Position,
                           "Position " + Named(satz.SollPos, herkunft.PositionText(satz.SollPos)), nullptr});
        const bool newElement =
            newPosition || previous->Element != satz.Element || BaugruppeOf(*previous) != BaugruppeOf(satz);
        if (satz.Element != 0 && newElement)
            out.push_back({TGliederung::TArt::Teiletyp, TeiletypKopf(herkunft, satz), nullptr});
        out.push_back({TGliederung::TArt::Satz, {}, &satz});
        previous = &satz;
    }
    return out;
}

std::string Menge(double value) { return FormatNumber(value, 3); }

std::string Minuten(double value) { return FormatNumber(value, 2); }

std::string Zuschlag(double vertZuschl) {
    const double percent = (vertZuschl - 1.0) * 100.0;
    const bool whole = std::fabs(percent - std::round(percent)) < 1e-9; // the setting is an integer
    return FormatNumber(percent, whole ? 0 : 2) + " %";
}

std::string SaetzeText(std::size_t count) { return count == 1 ? "1 Satz" : fmt::format("{} Sätze", count); }

std::vector<std::string> HerkunftTabelle(const THerkunft& herkunft) {
    std::vector<std::string> lines;
    const std::string name = herkunft.Bezeichnung.empty() ? "" : " (" + herkunft.Bezeichnung + ")";
    lines.push_back(fmt::format("Offert {}{}: Herkunft der Sollstunden, {} ohne Zuschlag, {} mit Zuschlag {}",
                                herkunft.OfNumm, name, FormatHours(herkunft.Stunden),
                                FormatHours(herkunft.MitZuschlag), Zuschlag(herkunft.VertZuschl)));
    for (const std::string& hinweis : herkunft.Hinweise)
        lines.push_back("Meldung der Berechnung: " + hinweis);
    if (herkunft.Gruppen.empty())
        lines.emplace_back("Keine Sollstunden.");
    for (const THerkunftGruppe& gruppe : herkunft.Gruppen) AppendGruppe(lines, herkunft, gruppe);
    return lines;
}

} // namespace sollist::report
