// The CSV written from plain figures: what a German spreadsheet opens without questions.
#include "report/Csv.h"
#include "db/Value.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::report {
namespace {

TEST(ReportCsv, BomHeaderAndOneRowPerOrderActivityAndSum) {
    TReport report;
    TOrderHours a;
    a.OfNumm = "24001";
    a.ANumm = "A-24001";
    a.Bezeichnung = "Küche; Meier";
    a.Soll = 1234.5;
    a.IstProd = 1300;
    a.IstRegie = 2.25;
    a.IstBuero = 0.125;
    a.IstBis = db::EncodeDate(2026, 12, 7);
    a.OverSince = db::EncodeDate(2026, 12, 3);
    a.Activities = {{"MONT", "Montage", "MON", 1000, 1100}, {"REGIE", "Regie", "MON", 0, 2.25}};
    TOrderHours b;
    b.OfNumm = "24004";
    b.Activities = {{"MONT", "Montage", "MON", 3, 2}};
    report.Orders = {a, b};
    Arrange(report);

    EXPECT_EQ(
        CsvReport(report),
        "\xEF\xBB\xBF"
        "Satzart;Offert;Auftrag;Bezeichnung;Tätigkeit;Tätigkeitsname;Kostenstelle;Aufträge;Soll h;Ist h;"
        "Differenz h;Differenz %;Ist Produktion h;Ist Regie h;Ist Büro h;Letzte Buchung;über Soll seit\r\n"
        "Auftrag;24001;A-24001;\"Küche; Meier\";;;;;1234,50;1302,38;67,88;5,5;1300,00;2,25;0,13;07.12.2026;03.12.2026\r\n"
        "Auftrag-Tätigkeit;24001;A-24001;\"Küche; Meier\";MONT;Montage;MON;;1000,00;1100,00;100,00;10,0;;;;;\r\n"
        "Auftrag-Tätigkeit;24001;A-24001;\"Küche; Meier\";REGIE;Regie;MON;;0,00;2,25;2,25;;;;;;\r\n"
        "Auftrag;24004;;;;;;;0,00;0,00;0,00;;0,00;0,00;0,00;;\r\n"
        "Auftrag-Tätigkeit;24004;;;MONT;Montage;MON;;3,00;2,00;-1,00;-33,3;;;;;\r\n"
        "Tätigkeit;;;;MONT;Montage;;2;1003,00;1102,00;99,00;9,9;;;;;\r\n"
        "Tätigkeit;;;;REGIE;Regie;;1;0,00;2,25;2,25;;;;;;\r\n");
}

TEST(ReportCsv, EmptyReportIsTheHeaderAlone) {
    const std::string csv = CsvReport(TReport{});
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFSatzart;", 0), 0u);
    EXPECT_EQ(csv.find("\r\n"), csv.size() - 2);
}

TEST(ReportCsv, Fields) {
    struct Case {
        std::string text, field;
    };
    const Case cases[] = {
        {"Kueche", "Kueche"},
        {"", ""},
        {"a;b", "\"a;b\""},
        {"Zoll \"Brett\"", "\"Zoll \"\"Brett\"\"\""},
        {"zwei\nZeilen", "\"zwei\nZeilen\""},
        // A spreadsheet would run these as formulas.
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "'+1"},
        {"-Tür", "'-Tür"},
        {"@SUMME(A1)", "'@SUMME(A1)"},
        // A spreadsheet drops a leading tab or carriage return and reads the rest.
        {"\t=1+1", "'\t=1+1"},
        {"\r=1+1", "\"'\r=1+1\""},
        {"A-1", "A-1"},
    };
    for (const Case& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

} // namespace
} // namespace sollist::report
