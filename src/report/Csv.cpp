#include "report/Csv.h"

#include "report/Format.h"

#include <array>

namespace sollist::report {

namespace {

constexpr std::string_view kHeader =
    "Satzart;Offert;Auftrag;Bezeichnung;Tätigkeit;Tätigkeitsname;Kostenstelle;Aufträge;Soll h;Ist h;"
    "Differenz h;Differenz %;Ist Produktion h;Ist Regie h;Ist Büro h;Letzte Buchung";
constexpr std::size_t kColumns = 16;

using TRow = std::array<std::string, kColumns>;

std::string Hours(double hours) { return FormatNumber(hours, 2, false); }

void AppendRow(std::string& out, const TRow& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += ';';
        out += row[i];
    }
    out += "\r\n";
}

// Soll, Ist, Differenz and Differenz % of a row.
void SetFigures(TRow& row, double soll, double ist) {
    row[8] = Hours(soll);
    row[9] = Hours(ist);
    row[10] = Hours(ist - soll);
    double percent = 0;
    if (PercentOfTarget(ist - soll, soll, percent))
        row[11] = FormatNumber(percent, 1, false);
}

// One day of the order's course: its target, the running sum as Ist, that day's hours per
// kind, the day as Letzte Buchung.
TRow BookingDayRow(const TRow& orderRow, const TOrderHours& order, const TBookingDay& day) {
    TRow row;
    row[0] = "Buchungstag";
    row[1] = orderRow[1];
    row[2] = orderRow[2];
    row[3] = orderRow[3];
    SetFigures(row, order.Soll, day.Sum);
    row[12] = Hours(day.Prod);
    row[13] = Hours(day.Regie);
    row[14] = Hours(day.Buero);
    row[15] = FormatDate(day.Day);
    return row;
}

} // namespace

std::string CsvField(std::string_view text) {
    std::string field;
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
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
    out.append(kHeader);
    out += "\r\n";
    for (const TOrderHours& order : report.Orders) {
        TRow row;
        row[0] = "Auftrag";
        row[1] = CsvField(order.OfNumm);
        row[2] = CsvField(order.ANumm);
        row[3] = CsvField(order.Bezeichnung);
        SetFigures(row, order.Soll, order.Ist());
        row[12] = Hours(order.IstProd);
        row[13] = Hours(order.IstRegie);
        row[14] = Hours(order.IstBuero);
        if (order.IstBis > 0)
            row[15] = FormatDate(order.IstBis);
        AppendRow(out, row);

        for (const TActivityHours& activity : order.Activities) {
            TRow detail;
            detail[0] = "Auftrag-Tätigkeit";
            detail[1] = row[1];
            detail[2] = row[2];
            detail[3] = row[3];
            detail[4] = CsvField(activity.RmTat);
            detail[5] = CsvField(activity.Name);
            detail[6] = CsvField(activity.KoNumm);
            SetFigures(detail, activity.Soll, activity.Ist);
            AppendRow(out, detail);
        }
        for (const TBookingDay& day : order.Course) AppendRow(out, BookingDayRow(row, order, day));
    }
    for (const TActivityTotal& activity : report.Activities) {
        TRow row;
        row[0] = "Tätigkeit";
        row[4] = CsvField(activity.RmTat);
        row[5] = CsvField(activity.Name);
        row[7] = std::to_string(activity.Orders);
        SetFigures(row, activity.Soll, activity.Ist);
        AppendRow(out, row);
    }
    return out;
}

} // namespace sollist::report
