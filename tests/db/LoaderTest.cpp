// The bulk loader against fresh databases (the 33 columns of SOLLTAT: tests/solltat/SolltatLoaderTest.cpp).
#include "TestDatabase.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"

#include <firebird/Interface.h>
#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::TestDatabase;

class LoaderTest : public ::testing::TestWithParam<DbMode> {
protected:
    TestDatabase db{GetParam(), false};
    TIBCConnection& connection = db.Connection().IBCConnection;
    TIBCLoader loader{connection};

    void Target(const std::string& table, int rowsPerBatch)
    {
        loader.TableName = table;
        loader.RowsPerBatch = rowsPerBatch;
    }
};

TEST_P(LoaderTest, NarrowTableUsesRowsPerBatchAndCommits)
{
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
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) || '/' || SUM(ID) || '/' || COUNT(NAME) FROM NARROW"), "250/31375/0");
}

TEST_P(LoaderTest, EmptyLoadSendsNothing)
{
    db.Exec("CREATE TABLE NARROW (ID INTEGER)");
    Target("NARROW", 50);
    loader.Load();
    EXPECT_TRUE(loader.BatchSizes().empty());
}

// A failing batch or callback commits nothing of the load, not even with the next write.
TEST_P(LoaderTest, FailedLoadLeavesNoRowsBehind)
{
    db.Exec("CREATE TABLE NARROW (ID INTEGER NOT NULL); CREATE TABLE OTHER (ID INTEGER)");
    Target("NARROW", 10);
    auto rows = [](int count, bool nullLast) {
        return [=](TIBCLoader& l) {
            for (int row = 1; row <= count; ++row)
                l.PutColumnData(0, row, nullLast && row == count ? Null : TValue(std::int64_t{row}));
        };
    };
    loader.OnPutData = rows(25, true);           // third batch violates NOT NULL
    EXPECT_THROW(loader.Load(), EIBCError);
    loader.OnPutData = [&](TIBCLoader& l) { rows(15, false)(l); throw Exception("callback failed"); };
    EXPECT_THROW(loader.Load(), Exception);

    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO OTHER VALUES (1)"});
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM NARROW"), "0");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM OTHER"), "1");
}

// A figure beyond a FLOAT column's range is the server's refusal, told by its code.
TEST_P(LoaderTest, ValueBeyondTheColumnRangeIsRefusedWithTheServersCode)
{
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

INSTANTIATE_TEST_SUITE_P(Modes, LoaderTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         [](const auto& info) { return info.param == DbMode::Server ? "Server" : "Embedded"; });

} // namespace
} // namespace sollist::db
