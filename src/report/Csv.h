#pragma once
// The report's figures as CSV for a German spreadsheet: UTF-8 with a byte order mark,
// semicolons, decimal commas, CRLF line ends, one header line. Columns:
//
//   Satzart            "Auftrag" (totals of an order), "Auftrag-Tätigkeit" (one reporting
//                      activity of an order), "Buchungstag" (one booking day of an order's
//                      course), "Tätigkeit" (one reporting activity summed over the orders of
//                      the report)
//   Offert, Auftrag, Bezeichnung                  the order (empty on "Tätigkeit" rows)
//   Tätigkeit, Tätigkeitsname                     the reporting activity (empty on "Auftrag" rows)
//   Kostenstelle       on "Auftrag-Tätigkeit" rows
//   Aufträge           on "Tätigkeit" rows: the orders with hours under the activity
//   Soll h, Ist h, Differenz h                    hours with two decimals, Differenz = Ist - Soll
//   Differenz %        of Soll, one decimal; empty without a target
//   Ist Produktion h, Ist Regie h, Ist Büro h, Letzte Buchung (DD.MM.YYYY)   on "Auftrag" rows
//   über Soll seit     on "Auftrag" rows: the day its course passed its target for good
//
// A "Buchungstag" row carries the order's target as Soll h, the running sum through the day as
// Ist h (Differenz and % of it), that day's hours per kind in the three Ist columns and the
// day itself as Letzte Buchung: what a spreadsheet needs to draw the order's course.
//
// Rows in the report's order: each order followed by its activities and its booking days, then
// the activity sums.
#include "report/ReportData.h"

#include <string>
#include <string_view>

namespace sollist::report {

std::string CsvReport(const TReport& report);

// One field: quoted when it holds a semicolon, quote or line break; a text a spreadsheet
// would take for a formula (leading = + - @, or a tab or carriage return) gets a leading
// apostrophe.
std::string CsvField(std::string_view text);

} // namespace sollist::report
