// The connection: target string, password lookup, connect failures, default connection,
// statement cache and transactions.
#include "Environment.h"
#include "ProgramRun.h"
#include "TestDatabase.h"
#include "UserConfig.h"

#include "db/Connection.h"
#include "db/Convert.h"
#include "db/DataSet.h"
#include "db/DbErrors.h"
#include "db/FbApi.h"
#include "db/Password.h"
#include "db/ReadView.h"
#include "db/Statement.h"
#include "db/Transaction.h"

#include <firebird/Interface.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

namespace sollist::db {
namespace {

namespace fs = std::filesystem;
using test::DbMode;
using test::EnvironmentGuard;
using test::TestDatabase;

// A private configuration directory, optionally holding a password file with the given mode.
class ConfigHome {
public:
    ConfigHome() {
        std::string pattern = (fs::temp_directory_path() / "sollist-config-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    ~ConfigHome() { fs::remove_all(dir_); }
    std::string Dir() const { return dir_; }
    std::string File() const { return test::PasswordFile(dir_).string(); }
    void WritePassword(const std::string& password, mode_t mode) const {
        test::WritePasswordFile(dir_, password + "\nsecond line\n", mode);
    }

private:
    std::string dir_;
};

// How Connect failed: kind, text and, for an EIBCError, the server's code and SQLSTATE.
struct Failure {
    std::string kind;
    std::string message;
    std::intptr_t code = 0;
    std::string sqlState;
};

Failure ConnectError(TIBCConnection& connection) {
    try {
        connection.Connect();
    } catch (const EIBCError& error) {
        return {error.kind(), error.what(), error.Code(), error.SqlState()};
    } catch (const Exception& error) {
        return {error.kind(), error.what(), 0, {}};
    }
    return {};
}

TEST(ConnectionTargetTest, ServerPrefixAndTrimmedDatabase) {
    TIBCConnection connection;
    connection.SetDatabase("  /data/firma.fdb \t");
    EXPECT_EQ(connection.Database(), "/data/firma.fdb");
    EXPECT_EQ(connection.ConnectString(), "/data/firma.fdb");
    connection.SetServer("db-host");
    EXPECT_EQ(connection.ConnectString(), "db-host:/data/firma.fdb");
}

TEST(PasswordTest, EnvironmentComesFirstThenThePrivateFile) {
    ConfigHome home;
    EXPECT_EQ(LookupPassword("from-env", home.Dir()), "from-env");
    EXPECT_EQ(PasswordFilePath(home.Dir()), home.File());
    home.WritePassword("from-file", 0600);
    EXPECT_EQ(LookupPassword("", home.Dir()), "from-file");
}

TEST(PasswordTest, RefusesAMissingOrSharedFileWithoutShowingThePassword) {
    ConfigHome home;
    for (mode_t mode : {0644, 0620, 0604, 0660}) {
        home.WritePassword("geheim-123", mode);
        try {
            LookupPassword("", home.Dir());
            ADD_FAILURE() << "mode " << std::oct << mode << " accepted";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.kind(), "Exception");
            EXPECT_NE(std::string(error.what()).find(home.File()), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find("geheim"), std::string::npos) << error.what();
        }
    }
    // A byte order mark or a blank first line would reach the server as the password.
    const std::pair<const char*, const char*> unusable[] = {
        {"\xEF\xBB\xBFgeheim-123", "beginnt mit einer Byte-Order-Markierung (BOM): bitte ohne BOM speichern"},
        {"\r\ngeheim-123", "ist leer: das Passwort gehört in die erste Zeile"},
        {" \ngeheim-123", "ist leer: das Passwort gehört in die erste Zeile"}};
    for (const auto& [content, message] : unusable) {
        home.WritePassword(content, 0600);
        try {
            LookupPassword("", home.Dir());
            ADD_FAILURE() << "accepted: " << content;
        } catch (const Exception& error) {
            EXPECT_TRUE(std::string(error.what()).ends_with(message)) << error.what();
            EXPECT_NE(std::string(error.what()).find(home.File()), std::string::npos) << error.what();
        }
    }
    fs::remove(home.File());
    EXPECT_THROW(LookupPassword("", home.Dir()), Exception);
    EXPECT_THROW(LookupPassword("", ""), Exception);
}

class ServerConnectionTest : public ::testing::Test {
protected:
    TestDatabase db{DbMode::Server, false};
    TIBCConnection connection;

    void SetUp() override {
        connection.SetServer(db.Server());
        connection.SetDatabase(db.Database());
    }
};

// The connection takes the password it is given, not one of the environment.
TEST_F(ServerConnectionTest, ConnectsWithThePasswordItIsGiven) {
    connection.Password = test::ServerPassword();
    EnvironmentGuard otherPassword("ISC_PASSWORD", "falsch-987");
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

// Failures are told apart by code and SQLSTATE; the server's wording may change.
TEST_F(ServerConnectionTest, ConnectFailures) {
    {
        connection.Password = "falsch-987";
        const Failure failure = ConnectError(connection);
        EXPECT_EQ(failure.kind, "EIBCError");
        EXPECT_EQ(failure.code, isc_login) << failure.message;
        EXPECT_EQ(failure.sqlState, "28000");
        EXPECT_EQ(failure.message.find("falsch-987"), std::string::npos);
    }
    connection.Password = test::ServerPassword();
    connection.SetDatabase(db.Database() + ".missing");
    Failure failure = ConnectError(connection);
    EXPECT_EQ(failure.kind, "EIBCError");
    EXPECT_EQ(failure.code, isc_io_error) << failure.message;
    EXPECT_EQ(failure.sqlState, "08001");
    EXPECT_FALSE(connection.Connected());

    connection.SetServer("localhost/" + std::to_string(test::FreeLocalPort())); // nobody listens
    connection.SetDatabase(db.Database());
    failure = ConnectError(connection);
    EXPECT_EQ(failure.code, isc_network_error) << failure.message;
    EXPECT_EQ(failure.sqlState, "08006");
}

// The server keeps a transaction's lock timeout in 16 bits; sollist refuses a longer one on its
// command line.
TEST_F(ServerConnectionTest, LongestLockTimeoutIsTheServers) {
    connection.Password = test::ServerPassword();
    connection.LockTimeout = TIBCConnection::MaxLockTimeout;
    EXPECT_NE(connection.DefaultTransaction(), nullptr);
    connection.Close();
    connection.LockTimeout = TIBCConnection::MaxLockTimeout + 1;
    const Failure failure = [&] {
        try {
            connection.DefaultTransaction();
        } catch (const EIBCError& error) {
            return Failure{error.kind(), error.what(), error.Code(), error.SqlState()};
        }
        return Failure{};
    }();
    EXPECT_EQ(failure.code, isc_bad_tpb_content) << failure.message;
}

TEST(EmbeddedConnectionTest, MissingFileIsAClientLibraryError) {
    TIBCConnection connection;
    connection.SetDatabase("/nonexistent/dir/none.fdb");
    const Failure failure = ConnectError(connection);
    EXPECT_EQ(failure.kind, "EIBCError");
    EXPECT_EQ(failure.code, isc_io_error) << failure.message;
}

class EmbeddedConnectionFixture : public ::testing::Test {
protected:
    TestDatabase db{DbMode::Embedded, false};
    TIBCConnection& connection = db.Connection().IBCConnection;
};

TEST_F(EmbeddedConnectionFixture, EachTextIsPreparedOncePerConnection) {
    PreparedStatement& first = connection.Prepare("SELECT 1 FROM RDB$DATABASE");
    EXPECT_EQ(&connection.Prepare("SELECT 1 FROM RDB$DATABASE"), &first);
    EXPECT_NE(&connection.Prepare("SELECT 2 FROM RDB$DATABASE"), &first);
}

TEST_F(EmbeddedConnectionFixture, SettingTheDatabaseDisconnects) {
    ASSERT_TRUE(connection.Connected());
    connection.SetDatabase(db.Database());
    EXPECT_FALSE(connection.Connected());
}

TEST_F(EmbeddedConnectionFixture, WritesAreCommittedAtOnceAndTheExplicitTransactionRollsBack) {
    db.Exec("CREATE TABLE T (A INTEGER)");
    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO T VALUES (:A)"});
    insert.ParamByName("a").AsInteger(1);
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM T"), "1"); // seen by another attachment

    {
        TIBCTransaction transaction(connection);
        transaction.StartTransaction();
        EXPECT_TRUE(transaction.Active());
    } // rolled back, nothing lost
    TIBCTransaction& entry = db.Connection().IBCTransaction;
    entry.StartTransaction();
    entry.Commit();
    EXPECT_FALSE(entry.Active());
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM T"), "1");
}

// While a read view is open, the connection's statements read the database as committed when
// it began: a row committed meanwhile by another attachment is not seen until the view ends.
// A global temporary table may be written in it and reads back what was written; a write of
// any other table is refused.
TEST_F(EmbeddedConnectionFixture, ReadViewReadsOneSnapshotAndWritesOnlyTemporaryTables) {
    db.Exec("CREATE TABLE T (A INTEGER);"
            "CREATE GLOBAL TEMPORARY TABLE G (A INTEGER) ON COMMIT PRESERVE ROWS;"
            "INSERT INTO T VALUES (1)");
    auto count = [&](const std::string& table) {
        std::string value;
        connection.Prepare("SELECT COUNT(*) FROM " + table).Query({}, [&](std::vector<TValue>& row) {
            value = ValueToString(row.at(0));
        });
        return value;
    };
    {
        TIBCReadView view(connection);
        EXPECT_THROW(TIBCReadView{connection}, EDatabaseError); // one at a time
        EXPECT_EQ(count("T"), "1");
        db.Exec("INSERT INTO T VALUES (2)");
        EXPECT_EQ(count("T"), "1");
        connection.Prepare("INSERT INTO G VALUES (1)").Execute({});
        EXPECT_EQ(count("G"), "1");
        EXPECT_THROW(connection.Prepare("INSERT INTO T VALUES (3)").Execute({}), EIBCError);
    }
    EXPECT_EQ(count("T"), "2");
}

// The entry's transaction spans the whole run. Held open on the server it would pin the
// connection's oldest transaction, so the versions each order deletes from the connection's
// temporary table could never be collected and every order would scan all earlier ones (the run
// slowed down order by order). It must not hold a server transaction while it is active.
TEST_F(EmbeddedConnectionFixture, TheExplicitTransactionHoldsNoServerTransactionWhileActive) {
    TIBCConnection& program = db.Connection().IBCConnection;
    const std::string serverTransactions =
        "SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION";
    program.DefaultTransaction();
    const std::string before = db.QueryValue(serverTransactions);

    TIBCTransaction& entry = db.Connection().IBCTransaction;
    entry.StartTransaction();
    EXPECT_TRUE(entry.Active());
    EXPECT_EQ(db.QueryValue(serverTransactions), before);
    entry.Commit();
    EXPECT_FALSE(entry.Active());
    EXPECT_THROW(entry.Commit(), EDatabaseError);
}

// CancelOperation from another thread, as a stop by a signal uses it: repeated until the
// connection's statement gives way.
class ConnectionCancelTest : public ::testing::TestWithParam<DbMode> {
protected:
    TestDatabase db{GetParam(), false};
    TIBCConnection connection;

    void SetUp() override {
        db.Exec("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1)");
        connection.SetServer(db.Server());
        connection.SetDatabase(db.Database());
        connection.Password = test::ServerPassword();
        connection.LockTimeout = 60;
        connection.Connect();
    }

    // The embedded engine cancels a rollback too; the work then waits for the next one.
    void RollBackUnlessCancelled() {
        try {
            connection.AutoRollback();
        } catch (const EIBCError& error) {
            EXPECT_TRUE(error.HasCode(isc_cancelled)) << error.what();
        }
    }
};

// Cancels the connection every period until the returned guard goes.
class RepeatedCancel {
public:
    RepeatedCancel(TIBCConnection& connection, std::chrono::microseconds period)
        : thread_([&connection, period, this] {
              while (!done_) {
                  connection.CancelOperation();
                  std::this_thread::sleep_for(period);
              }
          }) {}
    ~RepeatedCancel() {
        done_ = true;
        thread_.join();
    }
    RepeatedCancel(const RepeatedCancel&) = delete;
    RepeatedCancel& operator=(const RepeatedCancel&) = delete;

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// A write waiting for a row another transaction holds gives way at once, not at the lock timeout.
TEST_P(ConnectionCancelTest, EndsAWaitForAHeldRow) {
    db.Connection().IBCConnection.Prepare("UPDATE T SET A = A").Execute({}); // held, not committed
    const auto start = std::chrono::steady_clock::now();
    std::intptr_t code = 0;
    {
        const RepeatedCancel cancel(connection, std::chrono::milliseconds(100));
        try {
            connection.Prepare("UPDATE T SET A = 2").Execute({});
        } catch (const EIBCError& error) {
            code = error.Code();
        }
    }
    EXPECT_EQ(code, isc_cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    db.Connection().IBCConnection.AutoRollback();
}

// One canceller for several connections, as the stop of a run on several workers uses it: the
// waits on both give way. The second connection is made from the first one's settings.
TEST_P(ConnectionCancelTest, OneCancellerEndsTheWaitsOfSeveralConnections) {
    TIBCConnection second;
    second.Use(connection.Settings());
    second.Connect();
    db.Connection().IBCConnection.Prepare("UPDATE T SET A = A").Execute({}); // held, not committed
    TIBCConnection* const both[] = {&connection, &second};
    std::atomic<std::intptr_t> codes[2] = {0, 0};
    {
        std::vector<std::jthread> waits;
        for (int i = 0; i < 2; ++i)
            waits.emplace_back([&, i] {
                try {
                    both[i]->Prepare("UPDATE T SET A = 2").Execute({});
                    codes[i] = -1;
                } catch (const EIBCError& error) {
                    codes[i] = error.Code();
                }
            });
        TIBCCanceller canceller;
        while (codes[0] == 0 || codes[1] == 0) { // the lock timeout ends it at the latest
            canceller.Cancel({both[0], both[1]});
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    EXPECT_EQ(codes[0], isc_cancelled);
    EXPECT_EQ(codes[1], isc_cancelled);
    RollBackUnlessCancelled();
    db.Connection().IBCConnection.AutoRollback();
}

// Cancels arriving while the connection sends one short statement after the other: each
// statement is done or cancelled, and none is lost on the way. A lost one would wait for its
// answer forever: after 20 s without an answer the watchdog cuts the line, and the test fails.
TEST_P(ConnectionCancelTest, CancelsAmidShortStatementsLoseNone) {
    std::atomic<int> answered{0};
    std::atomic<bool> stalled{false};
    const std::jthread watchdog([&](const std::stop_token& stop) {
        int seen = -1;
        auto since = std::chrono::steady_clock::now();
        while (!stop.stop_requested() && !stalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (answered != seen) {
                seen = answered;
                since = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - since > std::chrono::seconds(20)) {
                stalled = true;
                Firebird::CheckStatusWrapper status(fb::Master()->getStatus());
                connection.Attachment()->cancelOperation(&status, fb_cancel_abort);
                status.dispose();
            }
        }
    });
    int cancelled = 0;
    {
        const RepeatedCancel cancel(connection, std::chrono::milliseconds(1));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            try {
                TIBCQuery query(connection, "qryT");
                query.SetSQL({"SELECT A FROM T"});
                query.Open();
                query.Close();
                connection.Prepare("DELETE FROM T WHERE A = 99").Execute({});
                connection.AutoCommit();
            } catch (const EIBCError& error) {
                ASSERT_FALSE(stalled) << "a statement got no answer for 20 s";
                ASSERT_TRUE(error.HasCode(isc_cancelled)) << error.what();
                ++cancelled;
                RollBackUnlessCancelled();
            }
            ++answered;
        }
    }
    EXPECT_GT(answered, 100);
    // Through a server a statement this short is seldom still running when its cancel arrives.
    if (GetParam() == DbMode::Embedded) {
        EXPECT_GT(cancelled, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectionCancelTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         test::DbModeName);

} // namespace
} // namespace sollist::db
