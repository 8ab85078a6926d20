// Faults before the first order, with the built program run as a process: connections that
// fail, settings that do not convert, and settings files that are odd but usable. Each ends
// in one line and leaves the database as it was, or runs normally.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace testdata;
using test::DbMode;
using test::FreeLocalPort;
using test::ProgramFolder;
using test::ProgramResult;
using test::RunOptions;
using test::TestDatabase;

// One order with a target, and the AufSStd row of an earlier run, which only a run that gets
// as far as the orders replaces.
std::string OrderWithEarlierResult() {
    return std::string(MasterData) + Order("A1") + Target("A1", 1, "MONT", 2) +
           "INSERT INTO AUFSSTD (ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD) "
           "VALUES ('OLD', 'MONT', 'MON', 1, 2);";
}

void ExpectUntouched(TestDatabase& db) {
    EXPECT_EQ(db.QueryValue(AufsStdListing), "OLD/MONT/MON/1.000/2.000");
    EXPECT_EQ(db.QueryValue(AuftragListing), "A1/-/-/-/-/-/-");
}

void ExpectNormalRun(const ProgramResult& run, TestDatabase& db) {
    EXPECT_EQ(run.output, test::StartLine + test::ProgressLine("A1") + "Fertig !\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(db.QueryValue(AufsStdListing), "A1/MONT/MON/1.000/0.000");
}

struct ConnectionFault {
    const char* name;
    std::string server;   // "" = embedded
    std::string database; // as written to firmen.ini
    bool writeSettings = true;
    std::string password;          // ISC_PASSWORD; "" = none given
    unsigned passwordFileMode = 0; // 0 = no password file
    std::string expectedPart;      // part of the message we gave; "" for the server's own
                                   // words (ConnectionTest checks their codes)
};

TEST(FaultConnection, EveryConnectionFailureIsOneLineWithExitStatus1ThroughTheServer) {
    TestDatabase db(DbMode::Server);
    db.Exec(OrderWithEarlierResult());
    const std::string path = db.Database();
    const std::string missing = fs::path(path).parent_path() / "missing.fdb";
    const std::string password = test::ServerPassword();
    const ConnectionFault faults[] = {
        {"server not running", "localhost/" + std::to_string(FreeLocalPort()), path, true, password, 0, ""},
        {"wrong host", "no-such-host.invalid", path, true, password, 0, "no-such-host.invalid"},
        {"wrong database path", "localhost", missing, true, password, 0, "missing.fdb"},
        {"wrong database path, embedded", "", missing, true, "", 0, "missing.fdb"},
        {"wrong password", "localhost", path, true, "wrong-" + password, 0, ""},
        {"password file readable by others", "localhost", path, true, "", 0644,
         "darf für Gruppe und andere nicht zugänglich sein"},
        {"no password at all", "localhost", path, true, "", 0, "Kein Passwort"},
    };
    for (const ConnectionFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        ProgramFolder folder;
        if (fault.writeSettings)
            folder.WriteConnection(fault.database, fault.server);
        if (fault.passwordFileMode != 0)
            folder.WritePassword(password, fault.passwordFileMode);
        RunOptions options;
        if (!fault.password.empty())
            options.env.emplace_back("ISC_PASSWORD", fault.password);
        const ProgramResult run = folder.Run(options);

        EXPECT_EQ(run.exitStatus, 1);
        const std::string failure = "Kann keine Serververbindung herstellen. (" + fault.database + "): ";
        ASSERT_EQ(run.output.rfind(test::StartLine + failure, 0), 0u) << run.output;
        const std::string message = run.output.substr(test::StartLine.size() + failure.size());
        if (!fault.expectedPart.empty()) {
            EXPECT_NE(message.find(fault.expectedPart), std::string::npos) << message;
        }
        EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
        EXPECT_EQ(message.find('\r'), std::string::npos);
        EXPECT_EQ(run.output.find(password), std::string::npos) << "the password never shows";
        ExpectUntouched(db);
    }
}

// No firmen.ini anywhere: the line says so and where it was looked for, for the run and for the
// report, with no pretence of a connection tried to a database of no name.
TEST(FaultConnection, MissingSettingsFileNamesThePlacesLookedIn) {
    for (const std::string program : {"sollist", "sollist-bericht"}) {
        SCOPED_TRACE(program);
        ProgramFolder folder(program);
        const ProgramResult run = folder.Run();
        EXPECT_EQ(run.output,
                  (program == "sollist" ? test::StartLine : "") +
                      "firmen.ini nicht gefunden (gesucht: " + (folder.Dir() / "firmen.ini").string() + ", " +
                      (folder.Dir() / "etc" / "firmen.ini").string() + ")\n");
        EXPECT_EQ(run.exitStatus, 1);
    }
}

// firmen.ini found, but no database named for the connection: the line names the file, the
// section and the key, for the run and for the report.
TEST(FaultConnection, SettingsWithoutDatabaseNameFileSectionAndKey) {
    const struct {
        const char* name;
        std::string settings;
    } cases[] = {
        {"no such section", test::ConnectionSection(2, "/srv/db/firma.fdb")},
        {"no DataBase key", "[CONNECTION1]\nServer=localhost\n"},
        {"empty DataBase", "[CONNECTION1]\nDataBase=  \nServer=\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string program : {"sollist", "sollist-bericht"}) {
            ProgramFolder folder(program);
            folder.WriteSettings(c.settings);
            const ProgramResult run = folder.Run();
            EXPECT_EQ(run.output, (program == "sollist" ? test::StartLine : "") + "Keine Datenbank in " +
                                      (folder.Dir() / "firmen.ini").string() +
                                      ": der Abschnitt [CONNECTION1] fehlt oder hat kein DataBase=\n");
            EXPECT_EQ(run.exitStatus, 1);
        }
    }
}

// Without Server= the program opens the file itself, also when a password is set and a server
// on this machine holds the file: it does not slip through that server. The run and the report
// say alike that another process has the file open.
TEST(FaultConnection, EmptyServerOpensTheFileItselfEvenWithAPasswordThroughTheServer) {
    TestDatabase db(DbMode::Server); // the server holds the file while the fixture lives
    db.Exec(OrderWithEarlierResult());
    for (const std::string program : {"sollist", "sollist-bericht"}) {
        SCOPED_TRACE(program);
        ProgramFolder folder(program);
        folder.WriteConnection(db.Database(), "");
        RunOptions options;
        options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
        const ProgramResult run = folder.Run(options);

        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_TRUE(run.output.starts_with(
            (program == "sollist" ? test::StartLine : "") + "Kann keine Serververbindung herstellen. (" +
            db.Database() + "): Die Datenbankdatei ist schon von einem anderen Prozess geöffnet"))
            << run.output;
        ExpectUntouched(db);
    }
}

// A database in a folder with German letters, through the server and embedded, for the run and
// the report, whatever locale they run in.
class DatabasePathWithUmlauts : public ::testing::TestWithParam<DbMode> {};

TEST_P(DatabasePathWithUmlauts, RunAndReportConnect) {
    TestDatabase db(GetParam());
    db.Exec(OrderWithEarlierResult());
    // Beside the database, where the server may open files too; the name is the fixture's own.
    const fs::path dir =
        fs::path(db.Database()).parent_path() / (fs::path(db.Database()).stem().string() + " Möbel Müller");
    fs::create_directories(dir);
    const fs::path path = dir / "Übersicht.fdb";
    fs::create_symlink(db.Database(), path);
    struct Cleanup {
        fs::path dir;
        ~Cleanup() { fs::remove_all(dir); }
    } cleanup{dir};
    RunOptions options;
    options.env = {{"LC_ALL", "C"}, {"LANG", std::nullopt}, {"ISC_PASSWORD", test::ServerPassword()}};

    ProgramFolder folder;
    folder.WriteConnection(path.string(), db.Server());
    ExpectNormalRun(folder.Run(options), db);

    ProgramFolder reportFolder("sollist-bericht");
    reportFolder.WriteConnection(path.string(), db.Server());
    const ProgramResult report = reportFolder.Run(options);
    EXPECT_EQ(report.output, "Bericht: " + (reportFolder.Dir() / "sollist-bericht.html").string() + "\n");
    EXPECT_EQ(report.exitStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, DatabasePathWithUmlauts, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         test::DbModeName);

// The surcharge is read before AufSStd is emptied: a value that is no integer ends the run
// with the earlier results still in place.
TEST(FaultConnection, SurchargeThatIsNoIntegerEndsTheRunBeforeAnyOrder) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(OrderWithEarlierResult() +
            "INSERT INTO INIFILE (SECTION, NAME, WERT) VALUES ('FIRMENSTAMM', 'VERTZUSCHL', '15');");
    for (const std::string value : {"15x", "1.5", "", " ", "99999999999999999999", "0x10"}) {
        SCOPED_TRACE("VertZuschl '" + value + "'");
        db.Exec("UPDATE INIFILE SET WERT = '" + value + "' WHERE NAME = 'VERTZUSCHL'");
        ProgramFolder folder;
        folder.WriteConnection(db.Database());
        const ProgramResult run = folder.Run();
        EXPECT_EQ(run.output,
                  test::StartLine + "EConvertError: '" + value + "' is not a valid integer value\n");
        EXPECT_EQ(run.exitStatus, 2);
        ExpectUntouched(db);
    }
}

TEST(FaultConnection, ConnectionNumberThatIsNoIntegerIsOneLineBeforeConnecting) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(OrderWithEarlierResult());
    for (const std::string value : {"zwei", "3.0", "", "99999999999999999999", "1 2", "0x1"}) {
        SCOPED_TRACE("ConnectionNr '" + value + "'");
        ProgramFolder folder;
        folder.WriteConnection(db.Database());
        folder.WriteRegistry("[R7]\nConnectionNr=" + value + "\n");
        const ProgramResult run = folder.Run();
        EXPECT_EQ(run.output, "ERegistryException: Ungültiger Datentyp für 'ConnectionNr'\n");
        EXPECT_EQ(run.exitStatus, 2);
        ExpectUntouched(db);
    }
}

// firmen.ini as people and tools leave it: comments, junk, broken lines, blanks around values,
// and values longer than a line buffer. The connection still comes from the right keys, whole.
TEST(FaultConnection, OddSettingsFilesStillSelectTheRightDatabase) {
    TestDatabase db(DbMode::Embedded);
    db.Exec(OrderWithEarlierResult());
    ProgramFolder folder;
    // A path of over 300 characters to the database, through a symbolic link.
    const fs::path longDir =
        folder.Dir() / std::string(100, 'd') / std::string(100, 'e') / std::string(100, 'f');
    fs::create_directories(longDir);
    const std::string longPath = (longDir / "firma.fdb").string();
    fs::create_symlink(db.Database(), longPath);

    const struct {
        const char* name;
        std::string settings;
    } cases[] = {
        {"blanks and tabs around the value",
         "[CONNECTION1]\nDataBase=  \t" + db.Database() + " \t \nServer=  \n"},
        {"garbage lines",
         "\xEF\xBB\xBF; comment\n# another\ngarbage without equals sign\n\x01\x02\xFF\xFE\x7F\n"
         "=value without key\n[CONNECTION2]\nDataBase=/not/this/one.fdb\n[unclosed section\n"
         "  [ connection1 ]  \r\n  dataBASE = " +
             db.Database() +
             "\r\nDataBase=/second/one/ignored.fdb\n"
             "Server=\n[CONNECTION1\nServer=no-such-host.invalid\n"},
        {"overlong values", "[CONNECTION1]\nText=" + std::string(195, 'x') +
                                "Server=no-such-host.invalid\nDatenPfad=" + std::string(5000, 'p') +
                                "\nDataBase=" + longPath + "\nServer=\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db.Exec("DELETE FROM AUFSSTD");
        folder.WriteSettings(c.settings);
        ExpectNormalRun(folder.Run(), db);
    }
}

} // namespace
} // namespace sollist::batch
