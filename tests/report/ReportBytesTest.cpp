// The page and the CSV of the demo data, byte for byte as the report wrote them before its
// columns were kept in one table: the demo's dates fixed to one day, so that the files under
// tests/report/golden/ stay true. SOLLIST_WRITE_GOLDEN=1 writes them anew (only when the page
// is meant to change; say why in the commit).
#include "ReportTestSupport.h"
#include "batch/OrderHoursRun.h"
#include "db/Value.h"
#include "report/BerichtHerkunft.h"
#include "report/Csv.h"
#include "report/DmBericht.h"
#include "report/Html.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace sollist::report {
namespace {

namespace fs = std::filesystem;

fs::path Golden(const std::string& name) {
    return fs::path(test::SourceDir()) / "tests/report/golden" / name;
}

// Compares with the golden file; a difference leaves the new text beside the test's build
// folder for a diff.
void ExpectSameBytes(const std::string& name, const std::string& text) {
    if (const char* write = std::getenv("SOLLIST_WRITE_GOLDEN"); write != nullptr && *write == '1') {
        std::ofstream(Golden(name), std::ios::binary) << text;
        return;
    }
    const std::string golden = test::ReadFileText(Golden(name));
    if (golden == text)
        return;
    const fs::path actual = fs::path(test::BinaryDir()) / "tests/report" / name;
    std::ofstream(actual, std::ios::binary) << text;
    ADD_FAILURE() << name << " differs from " << Golden(name) << "; written: " << actual;
}

TEST(ReportBytes, DemoPageAndCsvAsWrittenBefore) {
    test::TestDatabase db;
    std::string demo = test::ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql");
    const std::string now = "CURRENT_DATE";
    for (std::size_t at = 0; (at = demo.find(now, at)) != std::string::npos;)
        demo.replace(at, now.size(), "DATE '2026-11-30'");
    db.Exec(demo);
    const double today = db::EncodeDate(2026, 11, 30);
    const TRunContext context{
        .Connection = db.Connection().IBCConnection, .ErrorLogDir = db.ErrorLogDir(), .Today = today};
    batch::RunOrderHours(context);

    const auto read = [&](const std::vector<std::string>& selection) {
        TReport report = TdmBericht(context.Connection, today).Read(selection);
        report.Firma = "Demo-Schreinerei";
        report.Database = "/daten/demo.fdb";
        report.WrittenAt = today + (6 * 60 + 15) / 1440.0;
        return report;
    };
    TReport all = read({});
    ExpectSameBytes("demo.html", HtmlReport(all));
    ExpectSameBytes("demo.csv", CsvReport(all));
    ErklaereAuftraege(all, context);
    ExpectSameBytes("demo-herkunft.html", HtmlReport(all));
    ExpectSameBytes("demo-herkunft.csv", CsvReport(all));
    TReport some = read({"24001", "NIX"});
    some.RunningCalculation = "Rechner werk1, Prozess 42";
    ExpectSameBytes("demo-auswahl.html", HtmlReport(some));
    ExpectSameBytes("demo-auswahl.csv", CsvReport(some));
}

} // namespace
} // namespace sollist::report
