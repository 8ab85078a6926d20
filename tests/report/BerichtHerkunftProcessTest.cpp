// sollist-bericht --herkunft run as a process: the explanation's CSV rows add up to the rows the
// run stored (demo data, generated database, embedded and through the server), and what changed
// in the master data since the run shows with both figures. The report writes nothing.
#include "ReportTestSupport.h"
#include "db/DataSet.h"
#include "report/CsvColumns.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sollist::report {
namespace {

using test::DbMode;
using test::DbModeName;
using test::TestDatabase;
using namespace support;

// CSV columns: the explanation's after the report's own.
constexpr std::size_t kSollH = cSoll, kStundenOhne = std::size_t{kCsvSpalten} + hStundenOhneZuschlag,
                      kStundenMit = std::size_t{kCsvSpalten} + hStundenMitZuschlag;

// The stored rows of AufSStd and Auftrag, to see that the report changed none (through the
// fixture's own attachment, which an embedded program run does not meet).
std::string StoredRows(TestDatabase& db) {
    return db.QueryValue(
        "SELECT LIST(r, ' ') FROM (SELECT ASOFNUMM || '/' || ASRMTAT || '/' || ASSOLLSTD || "
        "'/' || ASISTSTD AS r FROM AUFSSTD UNION ALL SELECT AOFNUMM || '/' || "
        "COALESCE(ASSOLLSTND, -1) || '/' || COALESCE(ASISTSTND, -1) FROM AUFTRAG ORDER BY 1)");
}

// Sums "Stunden mit Zuschlag" of the Herkunft rows per order and reporting activity and checks
// them against the Soll h of the order's row for it; returns the number of Herkunft rows.
int ExpectHerkunftRowsAddUpToTheStoredRows(const std::string& csv) {
    const auto rows = ParseCsv(std::string_view(csv).substr(3));
    std::map<std::pair<std::string, std::string>, std::pair<double, int>> explained; // hours, records
    std::map<std::pair<std::string, std::string>, double> stored;
    int records = 0;
    for (const auto& row : rows) {
        const auto key = std::make_pair(row[1], row[4]);
        if (row[0] == "Herkunft") {
            ++records;
            explained[key].first += GermanNumber(row[kStundenMit]);
            ++explained[key].second;
            // Both written to four decimals.
            EXPECT_NEAR(GermanNumber(row[kStundenMit]), GermanNumber(row[kStundenOhne]) * 1.1, 1.1e-4);
        } else if (row[0] == "Auftrag-Tätigkeit") {
            stored[key] = GermanNumber(row[kSollH]);
        }
    }
    for (const auto& [key, hours] : explained) {
        SCOPED_TRACE(key.first + "/" + key.second);
        EXPECT_TRUE(stored.contains(key));
        // Two decimals stored, four per record written.
        EXPECT_NEAR(hours.first, stored[key], 0.005 + 0.00005 * hours.second + 1e-9);
    }
    for (const auto& [key, hours] : stored) {
        if (hours != 0) {
            EXPECT_TRUE(explained.contains(key)) << key.first << "/" << key.second;
        }
    }
    return records;
}

class BerichtHerkunftProcess : public ::testing::TestWithParam<DbMode> {
protected:
    test::ProgramFolder folder_{"sollist-bericht"};
};

TEST_P(BerichtHerkunftProcess, DemoExplanationAddsUpToTheStoredRowsAndChangesNothing) {
    TestDatabase db(GetParam());
    LoadDemoWithHours(db);
    folder_.WriteConnection(db.Database(), db.Server());
    const std::string before = StoredRows(db);

    const test::ProgramResult run = RunReport(folder_, {"--herkunft", "--csv", "h.csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::string csv = ReadFileText(folder_.Dir() / "h.csv");
    EXPECT_EQ(ExpectCsvMatchesStoredRows(csv, db.Connection().IBCConnection), 3);
    EXPECT_EQ(ExpectHerkunftRowsAddUpToTheStoredRows(csv), 22 + 15);
    const std::string html = ReadFileText(folder_.Dir() / "sollist-bericht.html");
    EXPECT_EQ(Count(html, "geändert"), 0u) << "nothing changed since the run";
    EXPECT_EQ(Count(html, R"(<details class="hk">)"), Count(csv, "\r\nAuftrag-Tätigkeit;"))
        << "one per stored row";
    EXPECT_EQ(StoredRows(db), before);
}

TEST_P(BerichtHerkunftProcess, GeneratedDatabaseExplanationAddsUpToTheStoredRows) {
    GeneratedDatabase generated(15, GetParam());
    folder_.WriteConnection(generated.Database(), generated.Server());
    const test::ProgramResult run = RunReport(folder_, {"--herkunft", "--csv", "h.csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::string csv = ReadFileText(folder_.Dir() / "h.csv");
    EXPECT_EQ(ExpectCsvMatchesStoredRows(csv, generated.Connection().IBCConnection), 15);
    EXPECT_GT(ExpectHerkunftRowsAddUpToTheStoredRows(csv), 15 * 50);
    EXPECT_EQ(Count(ReadFileText(folder_.Dir() / "sollist-bericht.html"), "geändert"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, BerichtHerkunftProcess, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

// MONTBAU takes 90 instead of 60 minutes a piece since the run: the kitchen's 8 pieces now make
// 12 h, 13,20 h with the surcharge instead of the stored 8,80 h.
TEST(BerichtHerkunftChanged, MasterDataChangedSinceTheRunShowsBothFigures) {
    TestDatabase db;
    LoadDemoWithHours(db);
    db.Exec("UPDATE TAETIGKE SET TAVARST = 90 WHERE TANUMM = 'MONTBAU'");
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteConnection(db.Database());
    const std::string before = StoredRows(db);

    ASSERT_EQ(RunReport(folder, {"--herkunft", "--csv", "h.csv"}).exitStatus, 0);
    const std::string html = ReadFileText(folder.Dir() / "sollist-bericht.html");
    const std::size_t kitchen = html.find(R"(<section class="auftrag" id="o-24001">)");
    ASSERT_NE(kitchen, std::string::npos);
    const std::string block = html.substr(kitchen, html.find("</section>", kitchen) - kitchen);
    EXPECT_NE(
        block.find(R"(<p class="geaendert">Soll seit der letzten Berechnung geändert: gespeichert 21,59 h, )"
                   "jetzt 25,99 h.</p>"),
        std::string::npos)
        << block;
    EXPECT_NE(block.find("<span>Montage Baustelle<em class=\"geaendert\">geändert</em></span>"),
              std::string::npos);
    EXPECT_NE(block.find("Soll seit der letzten Berechnung geändert: gespeichert 8,80 h, jetzt 13,20 h."),
              std::string::npos);
    EXPECT_EQ(Count(block, "seit der letzten Berechnung geändert"), 2u);
    const std::size_t repair = html.find(R"(<section class="auftrag" id="o-24004">)");
    ASSERT_NE(repair, std::string::npos);
    EXPECT_EQ(html.substr(repair, html.find("</section>", repair) - repair).find("geändert"),
              std::string::npos)
        << "the repair job has no MONTBAU";

    for (const auto& row : ParseCsv(ReadFileText(folder.Dir() / "h.csv").substr(3))) {
        if (row[1] != "24001" || row[4] != "MONTBAU")
            continue;
        if (row[0] == "Auftrag-Tätigkeit") {
            EXPECT_EQ(row[kSollH], "8,80") << "what the run stored";
        } else {
            EXPECT_EQ(row[0], "Herkunft");
            EXPECT_EQ(row[kStundenOhne], "12,0000");
            EXPECT_EQ(row[kStundenMit], "13,2000");
        }
    }
    EXPECT_EQ(StoredRows(db), before);
}

} // namespace
} // namespace sollist::report
