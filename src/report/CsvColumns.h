#pragma once
// The CSV's columns in one place: the report's own and those the explanation of the target
// hours adds after them. The header, every writer's rows and the explanation's empty columns
// on the report's own rows all come from these tables, so a column is one entry here and one
// assignment where its value is known.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace sollist::report {

// The report's own columns, in their order (see Csv.h for what each holds).
enum TCsvSpalte : std::size_t {
    cSatzart,
    cOffert,
    cAuftrag,
    cBezeichnung,
    cTaetigkeit,
    cTaetigkeitsname,
    cKostenstelle,
    cAuftraege,
    cSoll,
    cIst,
    cDifferenz,
    cDifferenzProzent,
    cIstProduktion,
    cIstRegie,
    cIstBuero,
    cLetzteBuchung,
    cUeberSollSeit,
    kCsvSpalten
};

inline constexpr std::array<std::string_view, kCsvSpalten> kCsvKoepfe{
    "Satzart",          "Offert",      "Auftrag",    "Bezeichnung",    "Tätigkeit",     "Tätigkeitsname",
    "Kostenstelle",     "Aufträge",    "Soll h",     "Ist h",          "Differenz h",   "Differenz %",
    "Ist Produktion h", "Ist Regie h", "Ist Büro h", "Letzte Buchung", "über Soll seit"};

// The explanation's columns (see HerkunftCsv.h), after the report's own.
enum THerkunftSpalte : std::size_t {
    hPosition,
    hPositionstext,
    hTeiletyp,
    hTeiletypname,
    hBaugruppe,
    hHerkunft,
    hSatzTaetigkeit,
    hSatzTaetigkeitsname,
    hEinheit,
    hMengeJeEinheit,
    hStueck,
    hMinJeEinheit,
    hMinJeStueck,
    hFixzeit,
    hStundenOhneZuschlag,
    hStundenMitZuschlag,
    kHerkunftSpalten
};

inline constexpr std::array<std::string_view, kHerkunftSpalten> kHerkunftKoepfe{"Position",
                                                                                "Positionstext",
                                                                                "Teiletyp",
                                                                                "Teiletypname",
                                                                                "Baugruppe",
                                                                                "Herkunft",
                                                                                "Satz-Tätigkeit",
                                                                                "Satz-Tätigkeitsname",
                                                                                "Einheit",
                                                                                "Menge je Einheit",
                                                                                "Stück",
                                                                                "min je Einheit",
                                                                                "min je Stück",
                                                                                "Fixzeit min",
                                                                                "Stunden ohne Zuschlag",
                                                                                "Stunden mit Zuschlag"};

// One row's fields, each already a CSV field (see CsvField), by column.
using TCsvZeile = std::array<std::string, kCsvSpalten>;
using THerkunftZeile = std::array<std::string, kHerkunftSpalten>;

// The fields (each already a CSV field, or a head) joined by ";", after a ";" when `after` is
// set (a row's later part).
template <class Fields>
void AppendFields(std::string& out, const Fields& fields, bool after = false) {
    for (const auto& field : fields) {
        if (after)
            out += ';';
        out += field;
        after = true;
    }
}

// The explanation's columns left empty, on the report's own rows: ";" per column.
inline std::string_view HerkunftLeer() {
    static const std::string empty(kHerkunftSpalten, ';');
    return empty;
}

} // namespace sollist::report
