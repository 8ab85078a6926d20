// Temporary tables and the bulk loader against fresh databases.
#include "SolltatLayout.h"
#include "TestDatabase.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"
#include "db/TempTable.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::DeclareSolltat;
using test::SolltatValue;
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

TEST_P(LoaderTest, SolltatRowsGoInBatchesOf27AndArriveIntact)
{
    TIBCTable table(connection);
    DeclareSolltat(table);
    CreateTempTable(table, "");

    Target("SOLLTAT", 100);
    loader.OnPutData = [](TIBCLoader& l) {
        for (int row = 1; row <= 60; ++row)
            for (int column = 32; column >= 0; --column)   // any column order within a row
                l.PutColumnData(column, row, SolltatValue(column, row));
    };
    loader.Load();
    EXPECT_EQ(loader.BatchSizes(), (std::vector<int>{27, 27, 6}));

    TIBCQuery query(connection);
    query.SetSQL({"SELECT * FROM SOLLTAT ORDER BY Element"});
    query.Open();
    ASSERT_EQ(query.RecordCount(), 60);
    query.Last();
    EXPECT_EQ(query.FieldByName("Element").AsInteger(), 60);
    EXPECT_EQ(query.FieldByName("PosTM1").AsBoolean(), false);
    EXPECT_EQ(query.FieldByName("TaKoNumm").AsString(), "K0");
    EXPECT_DOUBLE_EQ(query.FieldByName("EhMenge").AsFloat(), 60.5);
    EXPECT_EQ(query.FieldByName("ApTyText").AsString(), "Text 60 mit Umlauten äöü");
}

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

INSTANTIATE_TEST_SUITE_P(Modes, LoaderTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         [](const auto& info) { return info.param == DbMode::Server ? "Server" : "Embedded"; });

} // namespace
} // namespace sollist::db
