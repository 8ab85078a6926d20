#include "report/HerkunftCsv.h"

#include "report/BerichtHerkunft.h"
#include "report/Csv.h"
#include "report/Format.h"
#include "report/HerkunftText.h"

#include <fmt/format.h>

#include <array>

namespace sollist::report {

using sollstd::THerkunft;
using sollstd::THerkunftBeitrag;
using sollstd::THerkunftGruppe;
using sollstd::THerkunftSatz;

const std::string_view kHerkunftCsvKopf =
    ";Position;Positionstext;Teiletyp;Teiletypname;Baugruppe;Herkunft;Satz-Tätigkeit;Satz-Tätigkeitsname;"
    "Einheit;Menge je Einheit;Stück;min je Einheit;min je Stück;Fixzeit min;Stunden ohne Zuschlag;"
    "Stunden mit Zuschlag";
const std::string_view kHerkunftCsvLeer = ";;;;;;;;;;;;;;;;";

namespace {

constexpr std::size_t kSpalten = 16;
using TSpalten = std::array<std::string, kSpalten>;

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

TSpalten SatzSpalten(const THerkunft& herkunft, const THerkunftSatz& satz) {
    TSpalten s;
    s[0] = CsvField(satz.SollPos);
    s[1] = CsvField(herkunft.PositionText(satz.SollPos));
    if (satz.Element != 0 && !satz.Beitraege.empty()) {
        const std::int32_t bgLf = satz.Beitraege.front().Quelle.BgLf;
        s[2] = std::to_string(satz.Element);
        if (const sollstd::THerkunftTeiletyp* t = herkunft.Teiletyp(satz.SollPos, bgLf, satz.Element))
            s[3] = CsvField(t->Name);
        s[4] = std::to_string(bgLf);
    }
    s[5] = CsvField(Herkunft(herkunft, satz));
    s[6] = CsvField(satz.Taetigkeit);
    s[7] = CsvField(satz.TaName);
    s[8] = CsvField(satz.TaEinhKz);
    s[9] = Zahl(satz.EhMenge, 3);
    s[10] = Zahl(satz.Stueck, 3);
    s[11] = Zahl(satz.TaVarEh, 2);
    s[12] = Zahl(satz.TaVarSt, 2);
    s[13] = Zahl(satz.TaFixZt, 2);
    s[14] = Zahl(satz.Stunden, 4);
    s[15] = Zahl(sollstd::TSollStunden::MitZuschlag(satz.Stunden, herkunft.VertZuschl), 4);
    return s;
}

void AppendRows(std::string& out, const TOrderHours& order, const THerkunft& herkunft,
                const THerkunftGruppe& gruppe) {
    // The report's own columns: Satzart, the order, the reporting activity, the cost centre, and
    // nine figures left empty.
    const std::string start =
        fmt::format("Herkunft;{};{};{};{};{};{};;;;;;;;;", CsvField(order.OfNumm), CsvField(order.ANumm),
                    CsvField(order.Bezeichnung), CsvField(gruppe.RmTat), CsvField(gruppe.RmName),
                    CsvField(gruppe.KoNumm));
    for (const THerkunftSatz& satz : gruppe.Saetze) {
        out += start;
        for (const std::string& field : SatzSpalten(herkunft, satz)) {
            out += ';';
            out += field;
        }
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
