// The program as a scheduler runs it: exit statuses, one run per database, a killed run, an
// order a user holds, settings found without HOME or in /etc/sollist, one-order runs and the
// command line.
#include "OrderHoursData.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testdata;
using test::DbMode;
using test::ProgramFolder;
using test::ProgramResult;
using test::RunOptions;
using test::TestDatabase;

// Three open orders with a target each; A1 also has a booking.
std::string ThreeOrders() {
    return std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) +
           Booking("A1", "2024-05-02", 7, 9, "MONT") + Order("B2") + Target("B2", 1, "MONT", 4) +
           Order("C3") + Target("C3", 1, "ZUSCHN", 10);
}
const char* const ThreeOrdersStored =
    "A1/MONT/MON/1.000/2.000 B2/MONT/MON/2.000/0.000 C3/ZUSCHN/ZUS/1.000/0.000";
const char* const ThreeOrdersTotals =
    "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/2.000/0.000/0.000/0.000/-/ C3/1.000/0.000/0.000/0.000/-/";
const std::string ThreeOrdersOutput = test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2") +
                                      test::ProgressLine("C3") + "Fertig !\n";

RunOptions ServerRun(std::vector<std::string> args = {}) {
    RunOptions options;
    options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
    options.args = std::move(args);
    return options;
}

// A user's edit screen: the order's Auftrag row (or its AufSStd rows) updated in a
// transaction left open.
class RowHolder {
public:
    RowHolder(TestDatabase& db, const std::string& ofNumm, const std::string& table = "AUFTRAG")
        : connection_(db.Connection().IBCConnection) {
        const std::string column = table == "AUFTRAG" ? "AOFNUMM" : "ASOFNUMM";
        connection_
            .Prepare("UPDATE " + table + " SET " + column + " = " + column + " WHERE " + column + " = " +
                     test::SqlLiteral(ofNumm))
            .Execute({});
    }
    ~RowHolder() { Release(); }
    RowHolder(const RowHolder&) = delete;
    RowHolder& operator=(const RowHolder&) = delete;
    void Release() { connection_.AutoRollback(); }

private:
    db::TIBCConnection& connection_;
};

// A run in the background, watched until it prints a line (it then waits on an order a user
// holds).
class BackgroundRun {
public:
    BackgroundRun(const ProgramFolder& folder, RunOptions options, const std::string& line) {
        options.onLine = [this, line](const std::string& printed) {
            if (printed == line)
                reached_.set_value();
        };
        run_ = std::async(std::launch::async, [&folder, options] { return folder.Run(options); });
    }
    // Whether the line came within a minute.
    bool Reached() { return reached_.get_future().wait_for(60s) == std::future_status::ready; }
    ProgramResult Result() { return run_.get(); }

private:
    std::promise<void> reached_;
    std::future<ProgramResult> run_; // destroyed first: waits for the run
};

TEST(NightlyRun, EachExitStatus) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2));
    TestDatabase noSchema(DbMode::Embedded, /*loadSchema=*/false);
    const struct {
        const char* name;
        std::string database;
        std::vector<std::string> args;
        std::string registry; // "" = none
        int exitStatus;
        std::string outputStart;
    } cases[] = {
        {"finished", db.Database(), {}, "", 0, test::StartLine + test::ProgressLine("A1") + "Fertig !\n"},
        {"no connection",
         "/no/such/dir/x.fdb",
         {},
         "",
         1,
         test::StartLine + "Kann keine Serververbindung herstellen. (/no/such/dir/x.fdb): "},
        {"error line during the run", noSchema.Database(), {}, "", 2, test::StartLine + "EIBCError: "},
        {"error line before connecting",
         db.Database(),
         {},
         "[R7]\nConnectionNr=zwei\n",
         2,
         "ERegistryException: Ungültiger Datentyp für 'ConnectionNr'\n"},
        {"finished, an order skipped",
         db.Database(),
         {"--order", "A1", "--order", "ZZ"},
         "",
         3,
         test::StartLine + "Offert ZZ gibt es nicht; nichts berechnet.\n" + test::ProgressLine("A1") +
             "Fertig !\n"},
        {"usage error", db.Database(), {"--orders", "A1"}, "", 64, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        folder.WriteConnection(c.database);
        if (!c.registry.empty())
            folder.WriteRegistry(c.registry);
        RunOptions options;
        options.args = c.args;
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        EXPECT_TRUE(run.output.starts_with(c.outputStart)) << run.output;
        if (c.exitStatus == 2) {
            EXPECT_EQ(run.output.find("Fertig !"), std::string::npos);
        }
        if (c.exitStatus == 64) {
            EXPECT_EQ(run.output, "");
        }
    }
}

// B2 is held by a user: after the lock timeout B2 keeps its totals, the log and the console
// name it once, the orders before and after it are done and the run ends with "Fertig !" and
// status 3; on two workers as on one.
TEST(NightlyRun, OrderHeldByAUserIsSkippedAfterTheLockTimeoutThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        db.Exec("UPDATE AUFTRAG SET ASSOLLSTND = 99, ASISTSTND = NULL, ASREGSTND = NULL, AOFFSTND = NULL, "
                "ASISTBIS = NULL, ASKOLETZT = NULL;");
        ProgramFolder folder;
        folder.WriteConnection(db.Database(), db.Server());
        RowHolder holder(db, "B2");
        const ProgramResult run = folder.Run(ServerRun({"--lock-timeout", "1", "--jobs", jobs}));
        holder.Release();

        EXPECT_EQ(run.output,
                  test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2") +
                      "Offert B2: Auftrag von einem Benutzer gesperrt, Summen nicht geschrieben\n" +
                      test::ProgressLine("C3") + "Fertig !\n");
        EXPECT_EQ(run.exitStatus, 3);
        EXPECT_LT(run.elapsed, 30s);
        EXPECT_EQ(db.QueryValue(AuftragListing),
                  "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/99.000/-/-/-/-/- "
                  "C3/1.000/0.000/0.000/0.000/-/");
        EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/2.000 C3/ZUSCHN/ZUS/1.000/0.000");
        const std::string log = test::ReadFileText(folder.Dir() / "SollBerFehler.Txt");
        EXPECT_EQ(test::Count(log, "Offert B2"), 1u) << log;
        EXPECT_EQ(test::Count(log, "Offert "), 1u) << log;
    }
}

// A user holds B2's AufSStd rows. Neither the nightly run nor a run for B2 alone can replace
// them: after the lock timeout B2 is skipped and left as it was, the other orders' rows are
// replaced. Either way B2 is named in the log and on the console, and the status is 3.
TEST(NightlyRun, OrderWhoseAufsStdRowAUserHoldsIsSkippedThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    const std::string earlier =
        "DELETE FROM AUFSSTD; UPDATE AUFTRAG SET ASSOLLSTND = 7, ASISTSTND = NULL, ASREGSTND = NULL, "
        "AOFFSTND = NULL, ASISTBIS = NULL, ASKOLETZT = NULL;"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('B2', 'ALT', 'MON', 5, 5);"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('B2', 'MONT', 'MON', 1, 1);"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('C3', 'ALT', 'ZUS', 5, 5);";
    const std::string held = "Offert B2: AufSStd von einem Benutzer gesperrt, nicht berechnet\n";
    const std::string b2Rows = "B2/ALT/MON/5.000/5.000 B2/MONT/MON/1.000/1.000";
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string output; // between the start line and "Fertig !"
        std::string stored;
        std::string totals;
    } cases[] = {
        {"nightly run",
         {},
         test::ProgressLine("A1") + test::ProgressLine("B2") + held + test::ProgressLine("C3"),
         "A1/MONT/MON/1.000/2.000 " + b2Rows + " C3/ZUSCHN/ZUS/1.000/0.000",
         "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/7.000/-/-/-/-/- C3/1.000/0.000/0.000/0.000/-/"},
        {"one-order run",
         {"--order", "B2"},
         test::ProgressLine("B2") + held,
         b2Rows + " C3/ALT/ZUS/5.000/5.000",
         "A1/7.000/-/-/-/-/- B2/7.000/-/-/-/-/- C3/7.000/-/-/-/-/-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.Exec(earlier);
        ProgramFolder folder;
        folder.WriteConnection(db.Database(), db.Server());
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--lock-timeout", "1"});
        RowHolder holder(db, "B2", "AUFSSTD");
        const ProgramResult run = folder.Run(ServerRun(args));
        holder.Release();

        EXPECT_EQ(run.output, test::StartLine + c.output + "Fertig !\n");
        EXPECT_EQ(run.exitStatus, 3);
        EXPECT_EQ(db.QueryValue(AufsStdListing), c.stored);
        EXPECT_EQ(db.QueryValue(AuftragListing), c.totals);
        const std::string log = test::ReadFileText(folder.Dir() / "SollBerFehler.Txt");
        EXPECT_EQ(test::Count(log, "Offert B2: AufSStd von einem Benutzer gesperrt, nicht berechnet\r\n"), 1u)
            << log;
        EXPECT_EQ(test::Count(log, "Offert "), 1u) << log;
    }
}

// SIGTERM or SIGINT while B2 is in hand (its AufSStd rows written, its totals waiting for a user
// who holds the order): B2 is rolled back, A1 stays stored, C3 is not begun and keeps the rows
// of the run before; one line says so and the status is 128 + the signal's number.
TEST(NightlyRun, SignalStopsTheRunAndRollsBackTheOrderInHandThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    for (const int signal : {SIGTERM, SIGINT}) {
        const std::string name = signal == SIGTERM ? "SIGTERM" : "SIGINT";
        SCOPED_TRACE(name);
        db.Exec(
            "DELETE FROM AUFSSTD; UPDATE AUFTRAG SET ASSOLLSTND = NULL;"
            "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('C3', 'ALT', 'ZUS', 5, 5);");
        ProgramFolder folder;
        folder.WriteConnection(db.Database(), db.Server());
        RowHolder holder(db, "B2");
        RunOptions options = ServerRun({"--lock-timeout", "60"});
        options.signalAfter = {"Berechnung für Offert B2 läuft..", signal};
        const ProgramResult run = folder.Run(options);
        holder.Release();

        EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("A1") + test::ProgressLine("B2") +
                                  "Lauf durch Signal " + name +
                                  " abgebrochen; das Offert in Arbeit ist zurückgenommen, die fertigen sind "
                                  "gespeichert.\n");
        EXPECT_EQ(run.exitStatus, 128 + signal);
        EXPECT_LT(run.elapsed, 30s);
        EXPECT_EQ(db.QueryValue(AufsStdListing),
                  "A1/MONT/MON/1.000/2.000 C3/ALT/ZUS/5.000/5.000"); // C3: as before
        EXPECT_EQ(db.QueryValue(AuftragListing),
                  "A1/1.000/2.000/0.000/0.000/2024-05-02/MON B2/-/-/-/-/-/- C3/-/-/-/-/-/-");
    }
}

// The process of a run whose statement is at work on the server (a write waiting for a row a
// user holds), once there is one; "" when none came within a minute.
std::string PidOfARunWaiting(TestDatabase& db) {
    const std::string sql =
        "SELECT FIRST 1 a.MON$REMOTE_PID FROM MON$STATEMENTS s JOIN MON$ATTACHMENTS a "
        "ON a.MON$ATTACHMENT_ID = s.MON$ATTACHMENT_ID WHERE s.MON$STATE = 1 AND a.MON$REMOTE_PROCESS = 'sollist'";
    for (int i = 0; i < 600; ++i) {
        if (std::string pid = db.QueryValue(sql); !pid.empty())
            return pid;
        std::this_thread::sleep_for(100ms);
    }
    return "";
}

// SIGTERM while the run waits for A1, which a user holds, on its own connection or on a worker
// of two (the other has B2 done and waits for A1's turn): the wait ends at once, nothing is
// stored, and the output is A1's progress line and the stop line either way.
TEST(NightlyRun, SignalEndsTheWaitOnEveryWorkerThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        ProgramFolder folder;
        folder.WriteConnection(db.Database(), db.Server());
        RowHolder holder(db, "A1");
        auto run = std::async(std::launch::async, [&folder, jobs] {
            return folder.Run(ServerRun({"--lock-timeout", "60", "--jobs", jobs}));
        });
        const std::string pid = PidOfARunWaiting(db);
        ASSERT_FALSE(pid.empty());
        ASSERT_EQ(::kill(std::stoi(pid), SIGTERM), 0);
        const ProgramResult result = run.get();
        holder.Release();

        EXPECT_EQ(result.output, test::StartLine + test::ProgressLine("A1") +
                                     "Lauf durch Signal SIGTERM abgebrochen; das Offert in Arbeit ist "
                                     "zurückgenommen, die fertigen sind gespeichert.\n");
        EXPECT_EQ(result.exitStatus, 128 + SIGTERM);
        EXPECT_LT(result.elapsed, 30s);
        EXPECT_EQ(db.QueryValue(AufsStdListing), "");
        EXPECT_EQ(db.QueryValue(AuftragListing), "A1/-/-/-/-/-/- B2/-/-/-/-/-/- C3/-/-/-/-/-/-");
    }
}

// Many orders, each with a target: enough to give every worker of a large --jobs one.
std::string ManyOrders(int count) {
    std::string sql = MasterData;
    for (int i = 0; i < count; ++i) {
        const std::string nr = "M" + std::to_string(1000 + i);
        sql += Order(nr) + Target(nr, 1, "MONT", 2);
    }
    return sql;
}

// SIGTERM to a run on 64 workers, all of them waiting for their turn behind the first order,
// which a user holds: every worker's statement is cancelled together and the run ends in order
// with the stop line, nothing stored. A run that took longer than the stop's grace would end
// with the line of a silent server instead. (How soon: bench/stop_jobs.sh.)
TEST(NightlyRun, SignalStopsSixtyFourWorkersThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ManyOrders(70));
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    RowHolder holder(db, "M1000");
    auto run = std::async(std::launch::async, [&folder] {
        return folder.Run(ServerRun({"--lock-timeout", "60", "--jobs", "64"}));
    });
    const std::string pid = PidOfARunWaiting(db);
    ASSERT_FALSE(pid.empty());
    std::this_thread::sleep_for(1s); // the other workers reach their turn
    ASSERT_EQ(::kill(std::stoi(pid), SIGTERM), 0);
    const ProgramResult result = run.get();
    holder.Release();

    EXPECT_TRUE(result.output.ends_with("Lauf durch Signal SIGTERM abgebrochen; das Offert in Arbeit ist "
                                        "zurückgenommen, die fertigen sind gespeichert.\n"))
        << result.output;
    EXPECT_EQ(result.exitStatus, 128 + SIGTERM);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "");
}

// Standard output closed (`sollist >&-`): the program opens /dev/null in its place, so the
// database file or connection never takes that number and the progress lines go nowhere.
TEST(NightlyRun, ClosedStandardOutputLeavesTheDatabaseAlone) {
    for (const DbMode mode : {DbMode::Embedded, DbMode::Server}) {
        SCOPED_TRACE(mode == DbMode::Server ? "server" : "embedded");
        TestDatabase db(mode);
        db.Exec(ThreeOrders());
        ProgramFolder folder;
        folder.WriteConnection(db.Database(), db.Server());
        RunOptions options = ServerRun();
        options.closedStdout = true;
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(db.QueryValue(AufsStdListing), ThreeOrdersStored);
        EXPECT_EQ(db.QueryValue(AuftragListing), ThreeOrdersTotals);
    }
}

// A server that refuses the third attachment of a run (a connect trigger standing for its
// connection or file-handle limit): with --jobs 2 the run ends before changing anything, in one
// line that names the attachment and says the limit is not this program's; exit 1.
TEST(NightlyRun, WorkerRefusedItsAttachmentChangesNothingThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders() +
            "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) "
            "VALUES ('A1', 'ALT', 'ZUS', 5, 5);"
            "UPDATE AUFTRAG SET ASSOLLSTND = 7;"
            "CREATE EXCEPTION TOO_MANY 'nicht mehr als zwei Verbindungen';"
            "SET TERM ^ ;"
            "CREATE TRIGGER LIMIT_RUN ON CONNECT AS BEGIN "
            "IF ((SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROCESS = 'sollist') > 2) "
            "THEN EXCEPTION TOO_MANY; END^"
            "SET TERM ; ^");
    const std::string stored = db.QueryValue(AufsStdListing), totals = db.QueryValue(AuftragListing);
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    const ProgramResult run = folder.Run(ServerRun({"--jobs", "2"}));

    const std::string lead = test::StartLine + "Kann keine Serververbindung herstellen. (" + db.Database() +
                             "): Verbindung 3 von 3: der Server nimmt keine weitere Verbindung an";
    EXPECT_TRUE(run.output.starts_with(lead)) << run.output;
    EXPECT_NE(run.output.find("nicht mehr als zwei Verbindungen"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find('\n', lead.size()), run.output.size() - 1) << "one line";
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(db.QueryValue(AufsStdListing), stored);
    EXPECT_EQ(db.QueryValue(AuftragListing), totals);
}

// A report read while a run works says so on the console and at the top of its page.
TEST(NightlyRun, ReportDuringARunSaysSoThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    ProgramFolder reportFolder("sollist-bericht");
    reportFolder.WriteConnection(db.Database(), db.Server());
    auto holder = std::make_unique<RowHolder>(db, "B2");

    BackgroundRun run(folder, ServerRun({"--lock-timeout", "60"}), "Berechnung für Offert B2 läuft..");
    ASSERT_TRUE(run.Reached());
    const fs::path page = reportFolder.Dir() / "sollist-bericht.html";
    const ProgramResult during = reportFolder.Run(ServerRun());
    const std::string pageDuring = test::ReadFileText(page);
    holder.reset();
    EXPECT_EQ(run.Result().exitStatus, 0);
    const ProgramResult after = reportFolder.Run(ServerRun());

    EXPECT_EQ(during.exitStatus, 0);
    const std::string note =
        "Achtung: Während der Bericht gelesen wurde, lief auf der Datenbank eine Berechnung (Rechner ";
    EXPECT_TRUE(during.output.starts_with(note)) << during.output;
    EXPECT_NE(during.output.find("); der Bericht zeigt einen Zwischenstand.\nBericht: "), std::string::npos)
        << during.output;
    const std::string pageNote = "<h1>Soll-Ist-Bericht</h1>\n<p class=\"laufend\"";
    EXPECT_EQ(test::Count(pageDuring, pageNote), 1u);
    EXPECT_NE(pageDuring.find("Zwischenstand: Während der Bericht gelesen wurde, lief auf der Datenbank eine "
                              "Berechnung (Rechner "),
              std::string::npos);
    EXPECT_EQ(after.output, "Bericht: " + page.string() + "\n");
    EXPECT_EQ(test::Count(test::ReadFileText(page), "laufend"), 0u);
}

// The first run waits on A1, which a user holds; a second run started meanwhile is refused in
// one line and changes nothing; the first then finishes normally.
TEST(NightlyRun, OverlappingRunIsRefusedAndChangesNothingThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    auto holder = std::make_unique<RowHolder>(db, "A1");

    BackgroundRun first(folder, ServerRun({"--lock-timeout", "60"}), "Berechnung für Offert A1 läuft..");
    ASSERT_TRUE(first.Reached());

    // A row only the emptying of AufSStd would remove.
    db.Exec("INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) "
            "VALUES ('OLD', 'MONT', 'MON', 1, 2);");
    const ProgramResult second = folder.Run(ServerRun());
    EXPECT_EQ(second.exitStatus, 4);
    const std::string refusal = "Exception: Auf dieser Datenbank läuft schon eine Berechnung (Rechner ";
    ASSERT_TRUE(second.output.starts_with(test::StartLine + refusal)) << second.output;
    EXPECT_NE(second.output.find(", Prozess "), std::string::npos) << second.output;
    EXPECT_TRUE(second.output.ends_with("); dieser Lauf ändert nichts.\n")) << second.output;
    EXPECT_EQ(test::Count(second.output, "\n"), 2u) << second.output;
    EXPECT_NE(db.QueryValue(AufsStdListing).find("OLD/MONT/MON/1.000/2.000"), std::string::npos);
    EXPECT_EQ(db.QueryValue(AuftragListing), "A1/-/-/-/-/-/- B2/-/-/-/-/-/- C3/-/-/-/-/-/-");

    holder.reset();
    const ProgramResult firstRun = first.Result();
    EXPECT_EQ(firstRun.output, ThreeOrdersOutput);
    EXPECT_EQ(firstRun.exitStatus, 0);
}

// A run on two workers lets its own workers attach (three attachments of the process name)
// and still refuses a second run; it waits on A1, which a user holds, and then finishes.
TEST(NightlyRun, RunOnTwoWorkersRefusesAnotherRunThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders());
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    auto holder = std::make_unique<RowHolder>(db, "A1");
    std::future<ProgramResult> first = std::async(std::launch::async, [&] {
        return folder.Run(ServerRun({"--lock-timeout", "60", "--jobs", "2"}));
    });
    const std::string attachments =
        "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROCESS = 'sollist'";
    for (int i = 0; i < 300 && db.QueryValue(attachments) != "3"; ++i) std::this_thread::sleep_for(100ms);
    ASSERT_EQ(db.QueryValue(attachments), "3");

    const ProgramResult second = folder.Run(ServerRun());
    EXPECT_EQ(second.exitStatus, 4);
    EXPECT_TRUE(second.output.starts_with(test::StartLine + "Exception: Auf dieser Datenbank läuft schon "))
        << second.output;

    holder.reset();
    const ProgramResult firstRun = first.get();
    EXPECT_EQ(firstRun.output, ThreeOrdersOutput);
    EXPECT_EQ(firstRun.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), ThreeOrdersStored);
}

// A run killed with SIGKILL in the middle (it waits on A1, a user holds it) leaves nothing that
// blocks the next run, started at once, and every order's rows as they were: the rows of an
// order no longer open (OLD) go only when a run finishes.
TEST(NightlyRun, RunKilledMidwayDoesNotBlockTheNextThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(ThreeOrders() + "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) "
                            "VALUES ('OLD', 'MONT', 'MON', 1, 2);");
    ProgramFolder folder;
    folder.WriteConnection(db.Database(), db.Server());
    auto holder = std::make_unique<RowHolder>(db, "A1");
    RunOptions killed = ServerRun({"--lock-timeout", "60"});
    killed.timeout = 3s; // then SIGKILL
    const ProgramResult first = folder.Run(killed);
    ASSERT_TRUE(first.timedOut) << first.output;
    EXPECT_EQ(first.output, test::StartLine + test::ProgressLine("A1"));
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM = 'OLD'"), "1");
    holder.reset();

    const ProgramResult next = folder.Run(ServerRun());
    EXPECT_EQ(next.output, ThreeOrdersOutput);
    EXPECT_EQ(next.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), ThreeOrdersStored);
    EXPECT_EQ(db.QueryValue(AuftragListing), ThreeOrdersTotals);
}

// Where the program finds its settings and password: an empty ISC_PASSWORD does not hide the
// password file; without HOME the per-user folder comes from the user database, never from
// the current folder; firmen.ini may lie in /etc/sollist alone.
TEST(NightlyRun, SettingsFoundWhereAnUnattendedRunLooksThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2));
    const std::string password = test::ServerPassword();
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const fs::path userConfig = fs::path(user->pw_dir) / ".config/Tarvex/R7";
    const std::string userPasswordFile = (userConfig / "password").string();
    if (fs::exists(userPasswordFile) || fs::exists(userConfig / "registry.ini"))
        GTEST_SKIP() << "the user running the tests has per-user settings in " << userConfig;
    const std::string normal = test::StartLine + test::ProgressLine("A1") + "Fertig !\n";
    const std::string missing = "/no/such/dir/x.fdb";
    const std::string section = test::ConnectionSection(1, db.Database(), db.Server());

    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::optional<std::string>>> env;
        bool passwordFile;        // the right password in the folder's per-user password file
        bool settingsNextToIt;    // firmen.ini next to the program
        bool settingsInEtc;       // firmen.ini in SOLLIST_ETC_DIR
        bool trapInCurrentFolder; // ./.config/... selecting a missing database, wrong password
        int exitStatus;
        std::string output; // exact, or the start for status 1
    } cases[] = {
        {"empty ISC_PASSWORD, password file", {{"ISC_PASSWORD", ""}}, true, true, false, false, 0, normal},
        {"no HOME, no XDG_CONFIG_HOME, ISC_PASSWORD",
         {{"HOME", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}, {"ISC_PASSWORD", password}},
         false,
         true,
         false,
         true,
         0,
         normal},
        {"no HOME, no XDG_CONFIG_HOME, no password",
         {{"HOME", std::nullopt}, {"XDG_CONFIG_HOME", std::nullopt}},
         false,
         true,
         false,
         true,
         1,
         test::StartLine + "Kann keine Serververbindung herstellen. (" + db.Database() +
             "): Kein Passwort: ISC_PASSWORD setzen oder die Datei " + userPasswordFile +
             " anlegen (nur für ihren Besitzer lesbar)\n"},
        {"firmen.ini in /etc/sollist only",
         {{"ISC_PASSWORD", password}},
         false,
         false,
         true,
         false,
         0,
         normal},
        {"firmen.ini nowhere",
         {{"ISC_PASSWORD", password}},
         false,
         false,
         false,
         false,
         1,
         test::StartLine + "firmen.ini nicht gefunden (gesucht: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.Exec("DELETE FROM AUFSSTD");
        ProgramFolder folder;
        if (c.passwordFile)
            folder.WritePassword(password);
        if (c.settingsNextToIt)
            folder.WriteSettings(section + test::ConnectionSection(2, missing));
        if (c.settingsInEtc)
            folder.WriteFile("etc/firmen.ini", section);
        if (c.trapInCurrentFolder) {
            folder.WriteFile(".config/Tarvex/R7/registry.ini", "[R7]\nConnectionNr=2\n");
            folder.WriteFile(".config/Tarvex/R7/password", "wrong\n");
            fs::permissions(folder.Dir() / ".config/Tarvex/R7/password", fs::perms::owner_read);
        }
        RunOptions options;
        options.env = c.env;
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        if (c.exitStatus == 0) {
            EXPECT_EQ(run.output, c.output);
            EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/0.000");
        } else {
            EXPECT_TRUE(run.output.starts_with(c.output)) << run.output;
        }
        if (std::string(c.name) == "firmen.ini nowhere") {
            EXPECT_NE(run.output.find((folder.Dir() / "firmen.ini").string() + ", " +
                                      (folder.Dir() / "etc" / "firmen.ini").string() + ")\n"),
                      std::string::npos)
                << run.output;
        }
    }
}

// --order recalculates the named orders as the nightly run does, open or closed, and leaves
// every other order's rows alone; an unknown number changes nothing.
TEST(NightlyRun, OneOrderRuns) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) +
            Booking("A1", "2024-05-02", 7, 9, "MONT") + Order("A2") + Target("A2", 1, "ZUSCHN", 10) +
            Order("C9", "CURRENT_DATE - 100") + Target("C9", 1, "MONT", 4));
    // Rows of an earlier run: A1 with an activity it no longer has; the others as they were.
    const std::string earlier =
        "DELETE FROM AUFSSTD; UPDATE AUFTRAG SET ASSOLLSTND = 7, ASISTSTND = NULL, ASREGSTND = NULL, "
        "AOFFSTND = NULL, ASISTBIS = NULL, ASKOLETZT = NULL;"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('A1', 'ALT', 'MON', 5, 5);"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('A2', 'ALT', 'ZUS', 5, 5);"
        "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) VALUES ('C9', 'ALT', 'MON', 5, 5);";
    const std::string a1 = "A1/1.000/2.000/0.000/0.000/2024-05-02/MON";
    const std::string a2 = "A2/1.000/0.000/0.000/0.000/-/";
    const std::string c9 = "C9/2.000/0.000/0.000/0.000/-/";
    const std::string old = "/7.000/-/-/-/-/-";
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitStatus;
        std::string output; // between the start line and "Fertig !"
        std::string stored;
        std::string totals;
    } cases[] = {
        {"one order",
         {"--order", "A1"},
         0,
         test::ProgressLine("A1"),
         "A1/MONT/MON/1.000/2.000 A2/ALT/ZUS/5.000/5.000 C9/ALT/MON/5.000/5.000",
         a1 + " A2" + old + " C9" + old},
        {"two orders",
         {"--order", "A2", "--order", "A1"},
         0,
         test::ProgressLine("A2") + test::ProgressLine("A1"),
         "A1/MONT/MON/1.000/2.000 A2/ZUSCHN/ZUS/1.000/0.000 C9/ALT/MON/5.000/5.000",
         a1 + " " + a2 + " C9" + old},
        {"unknown order",
         {"--order", "XX"},
         3,
         "Offert XX gibt es nicht; nichts berechnet.\n",
         "A1/ALT/MON/5.000/5.000 A2/ALT/ZUS/5.000/5.000 C9/ALT/MON/5.000/5.000",
         "A1" + old + " A2" + old + " C9" + old},
        {"closed order",
         {"--order", "C9"},
         0,
         test::ProgressLine("C9"),
         "A1/ALT/MON/5.000/5.000 A2/ALT/ZUS/5.000/5.000 C9/MONT/MON/2.000/0.000",
         "A1" + old + " A2" + old + " " + c9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.Exec(earlier);
        ProgramFolder folder;
        folder.WriteConnection(db.Database());
        RunOptions options;
        options.args = c.args;
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.output, test::StartLine + c.output + "Fertig !\n");
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        EXPECT_EQ(db.QueryValue(AufsStdListing), c.stored);
        EXPECT_EQ(db.QueryValue(AuftragListing), c.totals);
    }
}

TEST(NightlyRun, CommandLine) {
    ProgramFolder folder; // no firmen.ini: none of these connects
    const struct {
        std::vector<std::string> args;
        int exitStatus;
        std::string outputStart;
    } cases[] = {
        {{"--help"},
         0,
         "Aufruf: sollist [--order OFFERT]... [--lock-timeout SEKUNDEN] [--jobs N] [--herkunft]\n"},
        {{"--version"}, 0, "sollist 1.0\n"},
        {{"--verbose"}, 64, ""},
        {{"--order"}, 64, ""},
        {{"--order", ""}, 64, ""},
        {{"--lock-timeout", "ten"}, 64, ""},
        {{"--lock-timeout", "-1"}, 64, ""},
        {{"--lock-timeout", "32768"}, 64, ""}, // the server's limit is 32767
        {{"--lock-timeout", "86400"}, 64, ""},
        {{"--jobs", "zwei"}, 64, ""},
        {{"--jobs", "65"}, 64, ""},
        {{"A1"}, 64, ""},
        {{"--herkunft"}, 64, ""}, // an explanation names its orders
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        RunOptions options;
        options.args = c.args;
        const ProgramResult run = folder.Run(options);
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        EXPECT_TRUE(run.output.starts_with(c.outputStart)) << run.output;
        if (c.outputStart.empty()) {
            EXPECT_EQ(run.output, "");
        }
    }
    RunOptions version;
    version.args = {"--version"};
    EXPECT_EQ(folder.Run(version).output, "sollist 1.0\n");
}

} // namespace
} // namespace sollist::batch
