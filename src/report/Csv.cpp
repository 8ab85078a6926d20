#include "report/Csv.h"

#include "report/CsvColumns.h"
#include "report/Format.h"
#include "report/HerkunftCsv.h"

#include <array>

namespace sollist::report {

namespace {

using TRow = TCsvZeile;

// An order's own rows with the explanation's empty columns, about.
constexpr std::size_t kHerkunftZeilenProAuftrag = 2048;

std::string Hours(double hours) { return FormatNumber(hours, 2, false); }

// tail: the explanation's columns, empty on these rows, when the report has them.
void AppendRow(std::string& out, const TRow& row, std::string_view tail) {
    AppendFields(out, row);
    out += tail;
    out += "\r\n";
}

// Soll, Ist, Differenz and Differenz % of a row.
void SetFigures(TRow& row, double soll, double ist) {
    row[cSoll] = Hours(soll);
    row[cIst] = Hours(ist);
    row[cDifferenz] = Hours(ist - soll);
    double percent = 0;
    if (PercentOfTarget(ist - soll, soll, percent))
        row[cDifferenzProzent] = FormatNumber(percent, 1, false);
}

// One day of the order's course: its target, the running sum as Ist, that day's hours per
// kind, the day as Letzte Buchung.
TRow BookingDayRow(const TRow& orderRow, const TOrderHours& order, const TBookingDay& day) {
    TRow row;
    row[cSatzart] = "Buchungstag";
    for (const TCsvSpalte column : {cOffert, cAuftrag, cBezeichnung}) row[column] = orderRow[column];
    SetFigures(row, order.Soll, day.Sum);
    row[cIstProduktion] = Hours(day.Prod);
    row[cIstRegie] = Hours(day.Regie);
    row[cIstBuero] = Hours(day.Buero);
    row[cLetzteBuchung] = FormatDate(day.Day);
    return row;
}

} // namespace

std::string CsvField(std::string_view text) {
    std::string field;
    // A tab or carriage return first would be dropped by the spreadsheet, and what follows taken
    // for a formula again.
    if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
        field += '\'';
    field.append(text);
    if (field.find_first_of(";\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvReport(const TReport& report) {
    std::string out = "\xEF\xBB\xBF";
    if (report.Herkunft) { // tens of megabytes: one allocation, not a doubling one
        std::size_t size = 0;
        for (const TOrderHours& order : report.Orders)
            size += order.HerkunftCsv.size() + kHerkunftZeilenProAuftrag;
        out.reserve(size);
    }
    AppendFields(out, kCsvKoepfe);
    const std::string_view tail = report.Herkunft ? HerkunftLeer() : "";
    if (report.Herkunft)
        AppendFields(out, kHerkunftKoepfe, true);
    out += "\r\n";
    for (const TOrderHours& order : report.Orders) {
        TRow row;
        row[cSatzart] = "Auftrag";
        row[cOffert] = CsvField(order.OfNumm);
        row[cAuftrag] = CsvField(order.ANumm);
        row[cBezeichnung] = CsvField(order.Bezeichnung);
        SetFigures(row, order.Soll, order.Ist());
        row[cIstProduktion] = Hours(order.IstProd);
        row[cIstRegie] = Hours(order.IstRegie);
        row[cIstBuero] = Hours(order.IstBuero);
        if (order.IstBis > 0)
            row[cLetzteBuchung] = FormatDate(order.IstBis);
        if (order.OverSince > 0)
            row[cUeberSollSeit] = FormatDate(order.OverSince);
        AppendRow(out, row, tail);

        for (const TActivityHours& activity : order.Activities) {
            TRow detail;
            detail[cSatzart] = "Auftrag-Tätigkeit";
            for (const TCsvSpalte column : {cOffert, cAuftrag, cBezeichnung}) detail[column] = row[column];
            detail[cTaetigkeit] = CsvField(activity.RmTat);
            detail[cTaetigkeitsname] = CsvField(activity.Name);
            detail[cKostenstelle] = CsvField(activity.KoNumm);
            SetFigures(detail, activity.Soll, activity.Ist);
            AppendRow(out, detail, tail);
        }
        out += order.HerkunftCsv;
        for (const TBookingDay& day : order.Course) AppendRow(out, BookingDayRow(row, order, day), tail);
    }
    for (const TActivityTotal& activity : report.Activities) {
        TRow row;
        row[cSatzart] = "Tätigkeit";
        row[cTaetigkeit] = CsvField(activity.RmTat);
        row[cTaetigkeitsname] = CsvField(activity.Name);
        row[cAuftraege] = std::to_string(activity.Orders);
        SetFigures(row, activity.Soll, activity.Ist);
        AppendRow(out, row, tail);
    }
    return out;
}

} // namespace sollist::report
