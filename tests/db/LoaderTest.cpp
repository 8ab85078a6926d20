// The bulk loader against fresh databases (the 33 columns of SOLLTAT: tests/solltat/SolltatLoaderTest.cpp).
#include "TestDatabase.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/DbErrors.h"
#include "db/Loader.h"
#include "db/StatementObserver.h"

#include <firebird/Interface.h>
#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::DbModeName;
using test::TestDatabase;

class LoaderTest : public ::testing::TestWithParam<DbMode> {
protected:
    TestDatabase db{GetParam(), false};
    TIBCConnection& connection = db.Connection().IBCConnection;
    TIBCLoader loader{connection};

    void Target(const std::string& table, int rowsPerBatch) {
        loader.TableName = table;
        loader.RowsPerBatch = rowsPerBatch;
    }
};

TEST_P(LoaderTest, NarrowTableUsesRowsPerBatchAndCommits) {
    db.Exec("CREATE TABLE NARROW (ID INTEGER, NAME VARCHAR(5))");
    Target("NARROW", 100);
    loader.OnPutData = [](TIBCLoader& l) {
        for (int row = 1; row <= 250; ++row) {
            l.PutColumnData(0, row, std::int64_t{row});
            l.PutColumnData(1, row, Null);
        }
    };
    loader.Load();
    EXPECT_EQ(loader.BatchSizes(), (std::vector<int>{100, 100, 50}));
    // The fixture's own attachment sees the rows: the load is committed.
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) || '/' || SUM(ID) || '/' || COUNT(NAME) FROM NARROW"),
              "250/31375/0");
}

// The statements a connection runs.
class RecordedStatements : public StatementObserver {
public:
    explicit RecordedStatements(TIBCConnection& connection) : connection_(connection) {
        connection_.SetStatementObserver(this);
    }
    ~RecordedStatements() override { connection_.SetStatementObserver(nullptr); }
    void Executed(const std::string& sql, Kind, Firebird::IMessageMetadata*, const unsigned char*) override {
        statements.push_back(sql);
    }
    void Ended(bool, bool) override {}
    std::vector<std::string> statements;

private:
    TIBCConnection& connection_;
};

// Batch parameters take the type of their column; exact numbers keep their scale, text its
// length in characters.
TEST_P(LoaderTest, BatchParametersAreDeclaredWithTheColumnTypes) {
    db.Exec("CREATE TABLE TYPES (S SMALLINT, I INTEGER, B BIGINT, N1 NUMERIC(4,1), N2 NUMERIC(9,2),"
            " N3 DECIMAL(18,3), N4 NUMERIC(3), F FLOAT, D DOUBLE PRECISION, DT DATE, T TIME, TS TIMESTAMP,"
            " BO BOOLEAN, C CHAR(3), V VARCHAR(7), O VARCHAR(5) CHARACTER SET OCTETS,"
            " M BLOB SUB_TYPE TEXT, BB BLOB)");
    Target("TYPES", 1);
    loader.OnPutData = [](TIBCLoader& l) { l.PutColumnData(0, 1, std::int64_t{1}); };
    RecordedStatements recorded(connection);
    loader.Load();
    ASSERT_EQ(recorded.statements.size(), 1u);
    EXPECT_EQ(recorded.statements[0],
              "EXECUTE BLOCK (P0_0 SMALLINT =?,P0_1 INTEGER =?,P0_2 BIGINT =?,P0_3 NUMERIC(4,1) =?,"
              "P0_4 NUMERIC(9,2) =?,P0_5 NUMERIC(18,3) =?,P0_6 SMALLINT =?,P0_7 DOUBLE PRECISION =?,"
              "P0_8 DOUBLE PRECISION =?,P0_9 DATE =?,P0_10 TIME =?,P0_11 TIMESTAMP =?,P0_12 BOOLEAN =?,"
              "P0_13 VARCHAR(3) =?,P0_14 VARCHAR(7) =?,P0_15 VARCHAR(5) =?,P0_16 BLOB =?,P0_17 BLOB =?) "
              "AS BEGIN INSERT INTO TYPES(S,I,B,N1,N2,N3,N4,F,D,DT,T,TS,BO,C,V,O,M,BB) VALUES (:P0_0,:P0_1,"
              ":P0_2,:P0_3,:P0_4,:P0_5,:P0_6,:P0_7,:P0_8,:P0_9,:P0_10,:P0_11,:P0_12,:P0_13,:P0_14,:P0_15,"
              ":P0_16,:P0_17); END");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM TYPES WHERE S = 1"), "1");
}

TEST_P(LoaderTest, EmptyLoadSendsNothing) {
    db.Exec("CREATE TABLE NARROW (ID INTEGER)");
    Target("NARROW", 50);
    loader.Load();
    EXPECT_TRUE(loader.BatchSizes().empty());
}

// A failing batch or callback commits nothing of the load, not even with the next write.
TEST_P(LoaderTest, FailedLoadLeavesNoRowsBehind) {
    db.Exec("CREATE TABLE NARROW (ID INTEGER NOT NULL); CREATE TABLE OTHER (ID INTEGER)");
    Target("NARROW", 10);
    auto rows = [](int count, bool nullLast) {
        return [=](TIBCLoader& l) {
            for (int row = 1; row <= count; ++row)
                l.PutColumnData(0, row, nullLast && row == count ? Null : TValue(std::int64_t{row}));
        };
    };
    loader.OnPutData = rows(25, true); // third batch violates NOT NULL
    EXPECT_THROW(loader.Load(), EIBCError);
    loader.OnPutData = [&](TIBCLoader& l) {
        rows(15, false)(l);
        throw Exception("callback failed");
    };
    EXPECT_THROW(loader.Load(), Exception);

    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO OTHER VALUES (1)"});
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM NARROW"), "0");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM OTHER"), "1");
}

// A figure beyond a FLOAT column's range is the server's refusal, told by its code.
TEST_P(LoaderTest, ValueBeyondTheColumnRangeIsRefusedWithTheServersCode) {
    db.Exec("CREATE TABLE NARROW (F FLOAT)");
    Target("NARROW", 10);
    loader.OnPutData = [](TIBCLoader& l) { l.PutColumnData(0, 1, 1e70); };
    try {
        loader.Load();
        FAIL() << "no error";
    } catch (const EIBCError& error) {
        EXPECT_EQ(error.Code(), isc_arith_except) << error.what();
        EXPECT_EQ(error.SqlState(), "22003");
    }
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM NARROW"), "0");
}

INSTANTIATE_TEST_SUITE_P(Modes, LoaderTest, ::testing::Values(DbMode::Embedded, DbMode::Server), DbModeName);

} // namespace
} // namespace sollist::db
