// The connection: target string, password lookup, connect failures, default connection,
// statement cache and transactions.
#include "Environment.h"
#include "ProgramRun.h"
#include "TestDatabase.h"
#include "UserConfig.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Errors.h"
#include "db/Password.h"
#include "db/Transaction.h"

#include <firebird/Interface.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

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
    EnvironmentGuard config("XDG_CONFIG_HOME", home.Dir());
    {
        EnvironmentGuard password("ISC_PASSWORD", "from-env");
        EXPECT_EQ(LookupPassword(), "from-env");
    }
    EnvironmentGuard noPassword("ISC_PASSWORD", std::nullopt);
    EXPECT_EQ(PasswordFilePath(), home.File());
    home.WritePassword("from-file", 0600);
    EXPECT_EQ(LookupPassword(), "from-file");
}

TEST(PasswordTest, RefusesAMissingOrSharedFileWithoutShowingThePassword) {
    ConfigHome home;
    EnvironmentGuard config("XDG_CONFIG_HOME", home.Dir());
    EnvironmentGuard noPassword("ISC_PASSWORD", std::nullopt);
    for (mode_t mode : {0644, 0620, 0604, 0660}) {
        home.WritePassword("geheim-123", mode);
        try {
            LookupPassword();
            ADD_FAILURE() << "mode " << std::oct << mode << " accepted";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.kind(), "Exception");
            EXPECT_NE(std::string(error.what()).find(home.File()), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find("geheim"), std::string::npos) << error.what();
        }
    }
    fs::remove(home.File());
    EXPECT_THROW(LookupPassword(), Exception);
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

} // namespace
} // namespace sollist::db
