// The database server killed in the middle of a run: the program ends within a bounded time
// with one error line, and the orders finished before the kill are stored whole. The test
// starts a server of its own (own port, configuration, security database and lock folder),
// so the shared server and the tests using it are never disturbed.
#include "OrderHoursData.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sollist::batch {
namespace {

namespace fs = std::filesystem;
using namespace testdata;
using namespace std::chrono_literals;
using test::FreeLocalPort;

constexpr const char* FirebirdLibDir = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
constexpr const char* ServerProgram = "/usr/sbin/firebird";

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// A Firebird server process of the test's own, rooted in a private folder: the installed
// plugins and messages, its own firebird.conf with a free loopback port, and a fresh
// security database holding the user TARVEX.
class PrivateServer {
public:
    PrivateServer() : root_(fs::temp_directory_path() / ("sollist_fbserver_" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "lock");
        for (const char* shared : {"intl", "plugins", "lib", "UDF", "firebird.msg", "plugins.conf"})
            fs::create_symlink(fs::path(FirebirdLibDir) / shared, root_ / shared);
        port_ = FreeLocalPort();
        const std::string security = (root_ / "security3.fdb").string();
        std::ofstream(root_ / "firebird.conf") << "RemoteServicePort = " << port_
                                               << "\nRemoteBindAddress = 127.0.0.1\nAuthServer = Srp\n"
                                                  "UserManager = Srp\nWireCrypt = Enabled\n"
                                                  "SecurityDatabase = "
                                               << security << "\n";
        std::ofstream(root_ / "databases.conf") << "security.db = " << security << "\n";
        std::ofstream(root_ / "users.sql")
            << "create database '" << security << "';\n"
            << "create user TARVEX password '" << Password() << "';\ncommit;\n";
        const std::string env =
            "FIREBIRD='" + root_.string() + "' FIREBIRD_LOCK='" + (root_ / "lock").string() + "'";
        if (std::system(
                (env + " isql-fb -q -user SYSDBA -i '" + (root_ / "users.sql").string() + "' >/dev/null 2>&1")
                    .c_str()) != 0)
            throw std::runtime_error("cannot create the private security database");
        Start();
    }
    ~PrivateServer() {
        Kill();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    std::string Server() const { return "localhost/" + std::to_string(port_); }
    static std::string Password() { return "tarvex"; }

    // SIGSTOP: the server keeps its connections open and answers nothing, as a hung one.
    void Pause() { ::kill(pid_, SIGSTOP); }

    // SIGKILL, as when the machine's server dies: no shutdown of attachments.
    void Kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    void Start() {
        std::vector<std::string> env = {"FIREBIRD=" + root_.string(),
                                        "FIREBIRD_LOCK=" + (root_ / "lock").string(),
                                        "PATH=/usr/sbin:/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(ServerProgram), nullptr};
        if (::posix_spawn(&pid_, ServerProgram, nullptr, nullptr, argv, envp.data()) != 0)
            throw std::runtime_error("cannot start the private server");
        for (int i = 0; i < 100 && !Accepts(port_); ++i) std::this_thread::sleep_for(50ms);
        if (!Accepts(port_))
            throw std::runtime_error("the private server does not listen");
    }

    fs::path root_;
    int port_ = 0;
    pid_t pid_ = 0;
};

// Every order: 2 pieces of MONT (1 target hour) and a booking of 2 hours.
std::string OrdersWithBookings(int orders) {
    return std::string(MasterData) + R"(
SET TERM ^ ;
EXECUTE BLOCK AS
DECLARE i INTEGER = 0;
DECLARE nr CHAR(10);
BEGIN
  WHILE (i < )" +
           std::to_string(orders) + R"() DO BEGIN
    nr = 'K' || (1000 + i);
    INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ASMONTZULG) VALUES (:nr, :nr, 'KM');
    INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST) VALUES (:nr, '1', 1, '1');
    INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, PTMGMULT, PTERSCHW, PTBEZEICH)
        VALUES (:nr, '1', 1, 'MONT', 2, 0, 1, 'x');
    INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEOFNUMM, ZETARMTAT)
        VALUES ('ANNA', '2024-05-02', 7, 9, :nr, 'MONT');
    i = i + 1;
  END
END^
SET TERM ; ^
)";
}

TEST(FaultServerKill, ServerKilledMidRunEndsInOneLineAndKeepsTheFinishedOrders) {
    constexpr int Orders = 300;
    test::TestDatabase db(test::DbMode::Embedded);
    db.Exec(OrdersWithBookings(Orders));
    PrivateServer server;
    test::ProgramFolder folder;
    folder.WriteConnection(db.Database(), server.Server());
    test::RunOptions options;
    options.env.emplace_back("ISC_PASSWORD", PrivateServer::Password());
    options.timeout = 60s;
    int progressLines = 0;
    options.onLine = [&](const std::string& line) {
        if (line.starts_with("Berechnung") && ++progressLines == 3)
            server.Kill();
    };
    const test::ProgramResult run = folder.Run(options);
    server.Kill();

    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_LT(run.elapsed, 30s);
    // The start line, progress lines, then exactly one error line.
    std::vector<std::string> lines;
    for (std::size_t begin = 0, end; (end = run.output.find('\n', begin)) != std::string::npos;
         begin = end + 1)
        lines.push_back(run.output.substr(begin, end - begin));
    ASSERT_GE(lines.size(), 5u) << run.output;
    EXPECT_EQ(lines.front() + "\n", test::StartLine);
    EXPECT_TRUE(lines.back().starts_with("EIBCError: ")) << lines.back();
    EXPECT_TRUE(run.output.ends_with("\n"));
    std::vector<std::string> printed;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string prefix = "Berechnung für Offert ", suffix = " läuft..";
        ASSERT_TRUE(lines[i].starts_with(prefix) && lines[i].ends_with(suffix)) << lines[i];
        printed.push_back(lines[i].substr(prefix.size(), lines[i].size() - prefix.size() - suffix.size()));
    }
    ASSERT_LT(printed.size(), static_cast<std::size_t>(Orders)) << "the kill came after the run";

    // Every order before the last one printed is stored whole; the last one was in progress:
    // nothing of it is stored, or all of it when the server died after its commit but before
    // answering; no other order is touched.
    std::string finished;
    for (std::size_t i = 0; i + 1 < printed.size(); ++i) finished += (i ? ",'" : "'") + printed[i] + "'";
    const std::string count = std::to_string(printed.size() - 1);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM IN (" + finished +
                            ") AND ASSOLLSTND = 1 "
                            "AND ASISTSTND = 2 AND ASISTBIS = '2024-05-02' AND ASKOLETZT = 'MON'"),
              count);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM IN (" + finished +
                            ") AND ASRMTAT = 'MONT' "
                            "AND ASKONUMM = 'MON' AND ASSOLLSTD = 1 AND ASISTSTD = 2"),
              count);
    const std::string last = "'" + printed.back() + "'";
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM = " + last),
              db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM = " + last +
                            " AND ASSOLLSTND IS NOT NULL"));
    const std::string touched = finished + "," + last;
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM NOT IN (" + touched +
                            ") AND ASSOLLSTND IS NOT NULL"),
              "0");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM NOT IN (" + touched + ")"), "0");
}

// The server stops answering (its process stopped) while the run works, then the run gets
// SIGTERM: the first signal ends it within a bounded time with a line saying the server does
// not answer, a second one at once. Either way the status is 128 + the signal's number.
TEST(FaultServerKill, StopEndsARunOnAServerThatDoesNotAnswer) {
    test::TestDatabase db(test::DbMode::Embedded);
    db.Exec(OrdersWithBookings(300));
    for (const int signals : {1, 2}) {
        SCOPED_TRACE(std::to_string(signals) + " signal(s)");
        PrivateServer server;
        test::ProgramFolder folder;
        folder.WriteConnection(db.Database(), server.Server());
        test::RunOptions options;
        options.env.emplace_back("ISC_PASSWORD", PrivateServer::Password());
        options.timeout = 60s;
        int pid = 0, progressLines = 0;
        std::chrono::steady_clock::time_point signalled;
        options.onStart = [&](int started) { pid = started; };
        options.onLine = [&](const std::string& line) {
            if (!line.starts_with("Berechnung") || ++progressLines != 3)
                return;
            server.Pause();
            ::kill(pid, SIGTERM);
            signalled = std::chrono::steady_clock::now();
            if (signals == 2) {
                std::this_thread::sleep_for(500ms);
                ::kill(pid, SIGTERM);
            }
        };
        const test::ProgramResult run = folder.Run(options);
        const auto stopped = std::chrono::steady_clock::now() - signalled;
        server.Kill();

        ASSERT_FALSE(run.timedOut) << run.output;
        EXPECT_EQ(run.exitStatus, 128 + SIGTERM) << run.output;
        EXPECT_EQ(run.output.find("Lauf durch"), run.output.rfind("Lauf durch")) << "one stop line";
        if (signals == 1) {
            EXPECT_TRUE(run.output.ends_with("Lauf durch Signal SIGTERM abgebrochen; der Datenbankserver "
                                             "antwortet seit 15 s nicht, er nimmt das Offert in Arbeit "
                                             "zurück, die fertigen sind gespeichert.\n"))
                << run.output;
            EXPECT_LT(stopped, 25s);
        } else {
            EXPECT_TRUE(
                run.output.ends_with("Lauf durch Signal SIGTERM abgebrochen; das Offert in Arbeit ist "
                                     "zurückgenommen, die fertigen sind gespeichert.\n"))
                << run.output;
            EXPECT_LT(stopped, 5s);
        }
    }
}

// The report on a server that stops answering while it reads: SIGTERM ends it within a bounded
// time, with its own line and status, and no file written.
TEST(FaultServerKill, ReportStoppedOnAServerThatDoesNotAnswerWritesNothing) {
    test::TestDatabase db(test::DbMode::Embedded);
    db.Exec(OrdersWithBookings(3));
    PrivateServer server;
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteConnection(db.Database(), server.Server());
    server.Pause();
    test::RunOptions options;
    options.env.emplace_back("ISC_PASSWORD", PrivateServer::Password());
    options.timeout = 60s;
    options.onStart = [](int pid) {
        std::this_thread::sleep_for(1s); // the report waits for the server by then
        ::kill(pid, SIGTERM);
    };
    const test::ProgramResult run = folder.Run(options);
    server.Kill();

    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.output, "Bericht durch Signal SIGTERM abgebrochen; der Datenbankserver antwortet seit 15 s "
                          "nicht; keine Datei geschrieben.\n");
    EXPECT_EQ(run.exitStatus, 128 + SIGTERM);
    EXPECT_FALSE(fs::exists(folder.Dir() / "sollist-bericht.html"));
}

} // namespace
} // namespace sollist::batch
