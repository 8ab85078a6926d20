// sollist-bericht run as a process on real databases, embedded and through the server: the
// CSV equals the stored rows, texts from the database stay text, an empty database says so,
// and failures give the house's error lines and exit statuses.
#include "ReportTestSupport.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace sollist::report {
namespace {

namespace fs = std::filesystem;
using test::DbMode;
using test::DbModeName;
using test::TestDatabase;
using namespace support;

class BerichtProcess : public ::testing::TestWithParam<DbMode> {
protected:
    test::ProgramFolder folder_{"sollist-bericht"};
};

TEST_P(BerichtProcess, DemoCsvEqualsTheStoredRows) {
    TestDatabase db(GetParam());
    LoadDemoWithHours(db);
    folder_.WriteConnection(db.Database(), db.Server());

    const test::ProgramResult run = RunReport(folder_, {"--csv", "zahlen.csv"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, "Bericht: " + (folder_.Dir() / "sollist-bericht.html").string() +
                              "\nCSV: " + (folder_.Dir() / "zahlen.csv").string() + "\n");
    const std::string csv = ReadFileText(folder_.Dir() / "zahlen.csv");
    // 24001 and 24004 are open, 24002 was closed 10 days ago; 24003 long ago.
    EXPECT_EQ(ExpectCsvMatchesStoredRows(csv, db.Connection().IBCConnection), 3);
}

TEST_P(BerichtProcess, GeneratedDatabaseCsvEqualsTheStoredRows) {
    GeneratedDatabase generated(25, GetParam());
    folder_.WriteConnection(generated.Database(), generated.Server());

    const test::ProgramResult run = RunReport(folder_, {"-o", "bericht.html", "--csv", "bericht.csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(ExpectCsvMatchesStoredRows(ReadFileText(folder_.Dir() / "bericht.csv"),
                                         generated.Connection().IBCConnection),
              25);
    const std::string html = ReadFileText(folder_.Dir() / "bericht.html");
    EXPECT_EQ(Count(html, R"(<section class="auftrag")"), 25u);
    EXPECT_EQ(Count(html, R"(<a href="#o-A00000)"), 25u);
}

// An installation whose tables have only the columns the program relies on: the report reads
// the order's name only where the column exists, and shows the order by its number alone.
TEST_P(BerichtProcess, DatabaseWithOnlyTheReliedOnColumns) {
    TestDatabase db(GetParam());
    LoadDemoWithHours(db);
    db.KeepOnlyReliedOnColumns();
    folder_.WriteConnection(db.Database(), db.Server());

    // Everything the report writes: the page and the CSV with the explanation, and the site.
    const test::ProgramResult run = RunReport(
        folder_, {"-o", "sollist-bericht.html", "--csv", "zahlen.csv", "--ordner", "site", "--herkunft"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::string csv = ReadFileText(folder_.Dir() / "zahlen.csv");
    EXPECT_EQ(ExpectCsvMatchesStoredRows(csv, db.Connection().IBCConnection), 3);
    for (const auto& row : ParseCsv(csv))
        EXPECT_TRUE(row[0] != "Auftrag" || row[3].empty()) << row[1] << ": " << row[3];
    EXPECT_GT(Count(csv, "\r\nHerkunft;"), 20u);
    EXPECT_EQ(ReadFileText(folder_.Dir() / "site/current/sollist-bericht.csv"), csv);
    const std::string html = ReadFileText(folder_.Dir() / "sollist-bericht.html");
    EXPECT_NE(html.find("<h3>Offert 24001</h3>"), std::string::npos);
    for (const char* ofNumm : {"24001", "24002", "24004"}) {
        const std::string page =
            ReadFileText(folder_.Dir() / "site/current/auftrag" / (std::string("o-") + ofNumm + ".html"));
        EXPECT_NE(page.find(std::string("<h3>Offert ") + ofNumm + "</h3>"), std::string::npos) << ofNumm;
        EXPECT_NE(page.find(R"(<details class="hk")"), std::string::npos) << ofNumm << ": the explanation";
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, BerichtProcess, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

class BerichtProcessEmbedded : public ::testing::Test {
protected:
    test::ProgramFolder folder_{"sollist-bericht"};
};

// The site replaced whole: a second report takes the place of the first and removes it; a
// report that fails half way (the explanation meets a table gone) leaves the last site as it
// was and nothing of its own.
TEST_F(BerichtProcessEmbedded, SiteIsReplacedWholeOrNotAtAll) {
    TestDatabase db;
    LoadDemoWithHours(db);
    folder_.WriteConnection(db.Database());
    const fs::path site = folder_.Dir() / "bericht";
    const auto sites = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(site))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };

    ASSERT_EQ(RunReport(folder_, {"--ordner", "bericht"}).exitStatus, 0);
    const fs::path first = fs::read_symlink(site / "current");
    // A report of a minute later, from another process: a folder of its own.
    ASSERT_EQ(RunReport(folder_, {"--ordner", "bericht"}).exitStatus, 0);
    const fs::path second = fs::read_symlink(site / "current");
    EXPECT_NE(second, first);
    EXPECT_EQ(sites(), (std::vector<std::string>{second.string(), "current", "index.html"}));
    EXPECT_NE(ReadFileText(site / "index.html").find("url=current/index.html"), std::string::npos);
    const std::string overview = ReadFileText(site / "current/index.html");

    db.Exec("DROP TABLE POS_TAT");
    const test::ProgramResult failed = RunReport(folder_, {"--ordner", "bericht"});
    EXPECT_EQ(failed.exitStatus, 2) << failed.output;
    EXPECT_EQ(failed.output.rfind("EIBCError: ", 0), 0u) << failed.output;
    EXPECT_EQ(fs::read_symlink(site / "current"), second);
    EXPECT_EQ(sites(), (std::vector<std::string>{second.string(), "current", "index.html"}));
    EXPECT_EQ(ReadFileText(site / "current/index.html"), overview);
}

TEST_F(BerichtProcessEmbedded, TextsFromTheDatabaseShowAsText) {
    TestDatabase db;
    db.Exec(R"(
INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TATART, TAKONUMM, TAEINHKZ) VALUES ('MONT', '<b>fett</b>', 'MONT', 'P', 'MON', 'STK');
INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ABEZEICH, ASMONTZULG, ASSOLLSTND, ASISTSTND)
    VALUES ('A&1<x>', 'N"1', '<script>alert("x")</script> & Söhne', 'KM', 2, 3);
INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('A&1<x>', 'MONT', 'MON', 2, 3);
)");
    folder_.WriteSettings("[CONNECTION1]\nText=Holz & <Co>\nDataBase=" + db.Database() + "\nServer=\n");
    const test::ProgramResult run = RunReport(folder_, {"--csv", "b.csv"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;

    const std::string html = ReadFileText(folder_.Dir() / "sollist-bericht.html");
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<x>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; Söhne"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;fett&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("Holz &amp; &lt;Co&gt;"), std::string::npos);
    // The overview links to the detail block of the order whatever its number holds.
    EXPECT_EQ(Count(html, R"(href="#o-A_261_3Cx_3E")"), 1u);
    EXPECT_EQ(Count(html, R"(id="o-A_261_3Cx_3E")"), 1u);

    const auto rows = ParseCsv(ReadFileText(folder_.Dir() / "b.csv").substr(3));
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[1][1], "A&1<x>");
    EXPECT_EQ(rows[1][2], "N\"1");
    EXPECT_EQ(rows[1][3], "<script>alert(\"x\")</script> & Söhne");
}

TEST_F(BerichtProcessEmbedded, EmptyDatabaseGivesAReportSayingNothingIsOpen) {
    TestDatabase db;
    folder_.WriteConnection(db.Database());
    const test::ProgramResult run = RunReport(folder_, {"--csv", "b.csv"});
    EXPECT_EQ(run.exitStatus, 0);

    const std::string html = ReadFileText(folder_.Dir() / "sollist-bericht.html");
    EXPECT_NE(html.find("<p class=\"leer\">Keine offenen Aufträge.</p>"), std::string::npos);
    EXPECT_EQ(html.find("<table"), std::string::npos);
    const std::string csv = ReadFileText(folder_.Dir() / "b.csv");
    EXPECT_EQ(ParseCsv(csv.substr(3)).size(), 1u) << "the header alone";
}

TEST_F(BerichtProcessEmbedded, OrderOptionLimitsTheReportAndNamesTheOnesNotOpen) {
    TestDatabase db;
    LoadDemoWithHours(db);
    folder_.WriteConnection(db.Database());
    const test::ProgramResult run = RunReport(folder_, {"--order", "24002", "--order", "24003", "--order",
                                                        "99", "--order", "24002", "--csv", "b.csv"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output.rfind("Offert 24003 ist nicht offen oder unbekannt.\n"
                               "Offert 99 ist nicht offen oder unbekannt.\nBericht: ",
                               0),
              0u)
        << run.output;

    std::vector<std::string> orders;
    for (const auto& row : ParseCsv(ReadFileText(folder_.Dir() / "b.csv").substr(3)))
        if (row[0] != "Satzart" && !row[1].empty())
            orders.push_back(row[1]);
    EXPECT_FALSE(orders.empty());
    EXPECT_EQ(std::count(orders.begin(), orders.end(), "24002"), static_cast<long>(orders.size()));
    const std::string html = ReadFileText(folder_.Dir() / "sollist-bericht.html");
    EXPECT_NE(html.find("<dt>Nicht offen oder unbekannt</dt><dd>24003, 99</dd>"), std::string::npos);
}

TEST_F(BerichtProcessEmbedded, DatabaseErrorGivesTheErrorLineAndStatus2) {
    TestDatabase db(DbMode::Embedded, /*loadSchema=*/false);
    folder_.WriteConnection(db.Database());
    const test::ProgramResult run = RunReport(folder_, {});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.output.rfind("EIBCError: ", 0), 0u) << run.output;
    EXPECT_EQ(Count(run.output, "\n"), 1u);
    EXPECT_EQ(run.output.find('\r'), std::string::npos);
    EXPECT_FALSE(fs::exists(folder_.Dir() / "sollist-bericht.html"));
}

TEST_F(BerichtProcessEmbedded, ConnectionFailureGivesTheConnectionLineAndStatus1) {
    const std::string missing = (folder_.Dir() / "fehlt.fdb").string();
    folder_.WriteConnection(missing);
    const test::ProgramResult run = RunReport(folder_, {});
    EXPECT_EQ(run.exitStatus, 1);
    const std::string line = "Kann keine Serververbindung herstellen. (" + missing + "): ";
    EXPECT_EQ(run.output.rfind(line, 0), 0u) << run.output;
    EXPECT_GT(run.output.size(), line.size() + 1);
    EXPECT_EQ(Count(run.output, "\n"), 1u);
}

TEST_F(BerichtProcessEmbedded, UnwritableReportGivesEInOutErrorAndStatus2) {
    TestDatabase db;
    folder_.WriteConnection(db.Database());
    const test::ProgramResult run = RunReport(folder_, {"-o", "fehlt/bericht.html"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.output.rfind("EInOutError: Datei kann nicht geschrieben werden: fehlt/bericht.html", 0), 0u)
        << run.output;
}

// Yesterday's page and CSV stay whole when the new ones cannot be written (here the files may
// not grow past 4 KiB, as on a full disk); no temporary file is left. Through the server: the
// program itself writes no database file.
TEST(BerichtProcessFiles, FullDiskLeavesTheOldFilesThroughTheServer) {
    TestDatabase db(DbMode::Server);
    LoadDemoWithHours(db);
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteConnection(db.Database(), db.Server());
    const std::string oldPage = "<html>gestern</html>\n", oldCsv = "Satzart;gestern\r\n";
    folder.WriteFile("r.html", oldPage);
    folder.WriteFile("r.csv", oldCsv);
    const auto files = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.Dir()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = files();

    test::RunOptions options;
    options.args = {"-o", "r.html", "--csv", "r.csv"};
    options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
    options.fileSizeLimit = 4096;
    const test::ProgramResult run = folder.Run(options);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.output, "EInOutError: Datei kann nicht geschrieben werden: r.html (File too large)\n");
    EXPECT_EQ(ReadFileText(folder.Dir() / "r.html"), oldPage);
    EXPECT_EQ(ReadFileText(folder.Dir() / "r.csv"), oldCsv);
    EXPECT_EQ(files(), before);

    options.fileSizeLimit = 0;
    ASSERT_EQ(folder.Run(options).exitStatus, 0);
    EXPECT_NE(ReadFileText(folder.Dir() / "r.html"), oldPage);
    EXPECT_EQ(files(), before);
}

// A page replaced through a symbolic link stays behind the link, with the permissions the old
// one had.
TEST(BerichtProcessFiles, ReplacedPageKeepsItsLinkAndPermissions) {
    TestDatabase db;
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteConnection(db.Database());
    folder.WriteFile("www/bericht.html", "alt");
    fs::permissions(folder.Dir() / "www/bericht.html",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(folder.Dir() / "www/bericht.html", folder.Dir() / "link.html");

    const test::ProgramResult run = RunReport(folder, {"-o", "link.html"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(fs::is_symlink(folder.Dir() / "link.html"));
    EXPECT_NE(ReadFileText(folder.Dir() / "www/bericht.html").find("Keine offenen Aufträge."),
              std::string::npos);
    EXPECT_EQ(fs::status(folder.Dir() / "www/bericht.html").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Options that need no database; standard output only (usage errors go to standard error).
TEST_F(BerichtProcessEmbedded, OptionsWithoutDatabase) {
    struct Case {
        std::vector<std::string> args;
        int exitStatus;
        std::string outputStart;
    };
    const Case cases[] = {
        {{"--help"},
         0,
         "Aufruf: sollist-bericht [-o DATEI] [--csv DATEI] [--ordner ORDNER] [--order OFFERT]... [--herkunft]\n"},
        {{"--version"}, 0, "sollist-bericht 1.0\n"},
        {{"--unbekannt"}, 64, ""},
        {{"--order"}, 64, ""},
        {{"-o", ""}, 64, ""},
        {{"--ordner"}, 64, ""},
        {{"--csv", "x.csv", "--help"}, 0, "Aufruf: "},
    };
    for (const Case& c : cases) {
        const test::ProgramResult run = RunReport(folder_, c.args);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.args[0];
        if (c.outputStart.empty()) {
            EXPECT_EQ(run.output, "") << c.args[0];
        } else {
            EXPECT_EQ(run.output.rfind(c.outputStart, 0), 0u) << c.args[0] << ": " << run.output;
        }
    }
    EXPECT_FALSE(fs::exists(folder_.Dir() / "sollist-bericht.html"));
}

} // namespace
} // namespace sollist::report
