#pragma once
// The explanation of the target hours in the report's CSV: rows with Satzart "Herkunft", one
// per record of the calculation, after the order's "Auftrag-Tätigkeit" rows. They fill the
// report's columns (CsvColumns.h) for the order and the reporting activity (Soll h and the other figures
// stay empty) and columns of their own, added at the end of every row:
//
//   Position, Positionstext, Teiletyp (running number), Teiletypname, Baugruppe
//   Herkunft                 what asked for the record's quantities; several joined by " + ",
//                            each with its Menge and Stück
//   Satz-Tätigkeit, Satz-Tätigkeitsname, Einheit, Menge je Einheit, Stück,
//   min je Einheit, min je Stück, Fixzeit min (its share)
//   Stunden ohne Zuschlag, Stunden mit Zuschlag   four decimals; summed per reporting activity
//                                                 they give its target hours
#include "report/ReportData.h"
#include "sollstd/Herkunft.h"

#include <string>
#include <string_view>

namespace sollist::report {

std::string HerkunftCsv(const TOrderHours& order, const sollstd::THerkunft& herkunft);

} // namespace sollist::report
