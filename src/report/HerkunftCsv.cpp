#include "report/HerkunftCsv.h"

#include "report/BerichtHerkunft.h"
#include "report/Csv.h"
#include "report/CsvColumns.h"
#include "report/Format.h"
#include "report/HerkunftText.h"

#include <fmt/format.h>

namespace sollist::report {

using sollstd::THerkunft;
using sollstd::THerkunftBeitrag;
using sollstd::THerkunftGruppe;
using sollstd::THerkunftSatz;

namespace {

std::string Zahl(double value, int decimals) { return FormatNumber(value, decimals, false); }

std::string Herkunft(const THerkunft& herkunft, const THerkunftSatz& satz) {
    if (satz.Beitraege.size() == 1)
        return QuellText(herkunft, satz, satz.Beitraege.front());
    std::string text;
    for (const THerkunftBeitrag& b : satz.Beitraege)
        text += fmt::format("{}{} (Menge {}, Stück {})", text.empty() ? "" : " + ",
                            QuellText(herkunft, satz, b), Menge(b.EhMenge), Menge(b.Stueck));
    return text;
}

THerkunftZeile SatzSpalten(const THerkunft& herkunft, const THerkunftSatz& satz) {
    THerkunftZeile s;
    s[hPosition] = CsvField(satz.SollPos);
    s[hPositionstext] = CsvField(herkunft.PositionText(satz.SollPos));
    if (satz.Element != 0 && !satz.Beitraege.empty()) {
        const std::int32_t bgLf = satz.Beitraege.front().Quelle.BgLf;
        s[hTeiletyp] = std::to_string(satz.Element);
        if (const sollstd::THerkunftTeiletyp* t = herkunft.Teiletyp(satz.SollPos, bgLf, satz.Element))
            s[hTeiletypname] = CsvField(t->Name);
        s[hBaugruppe] = std::to_string(bgLf);
    }
    s[hHerkunft] = CsvField(Herkunft(herkunft, satz));
    s[hSatzTaetigkeit] = CsvField(satz.Taetigkeit);
    s[hSatzTaetigkeitsname] = CsvField(satz.TaName);
    s[hEinheit] = CsvField(satz.TaEinhKz);
    s[hMengeJeEinheit] = Zahl(satz.EhMenge, 3);
    s[hStueck] = Zahl(satz.Stueck, 3);
    s[hMinJeEinheit] = Zahl(satz.TaVarEh, 2);
    s[hMinJeStueck] = Zahl(satz.TaVarSt, 2);
    s[hFixzeit] = Zahl(satz.TaFixZt, 2);
    s[hStundenOhneZuschlag] = Zahl(satz.Stunden, 4);
    s[hStundenMitZuschlag] = Zahl(sollstd::TSollStunden::MitZuschlag(satz.Stunden, herkunft.VertZuschl), 4);
    return s;
}

void AppendRows(std::string& out, const TOrderHours& order, const THerkunft& herkunft,
                const THerkunftGruppe& gruppe) {
    // The report's own columns: Satzart, the order, the reporting activity and its cost centre;
    // the figures stay empty.
    TCsvZeile own;
    own[cSatzart] = "Herkunft";
    own[cOffert] = CsvField(order.OfNumm);
    own[cAuftrag] = CsvField(order.ANumm);
    own[cBezeichnung] = CsvField(order.Bezeichnung);
    own[cTaetigkeit] = CsvField(gruppe.RmTat);
    own[cTaetigkeitsname] = CsvField(gruppe.RmName);
    own[cKostenstelle] = CsvField(gruppe.KoNumm);
    std::string start;
    AppendFields(start, own);
    for (const THerkunftSatz& satz : gruppe.Saetze) {
        out += start;
        AppendFields(out, SatzSpalten(herkunft, satz), true);
        out += "\r\n";
    }
}

} // namespace

std::string HerkunftCsv(const TOrderHours& order, const THerkunft& herkunft) {
    std::string out;
    for (const TAbgleich& abgleich : Abgleiche(order, herkunft))
        if (abgleich.Gruppe != nullptr)
            AppendRows(out, order, herkunft, *abgleich.Gruppe);
    return out;
}

} // namespace sollist::report
