// Temporary tables and the bulk loader against fresh databases.
#include "TestDatabase.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"
#include "db/TempTable.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::TestDatabase;

// The 33 columns of the target-activity table, as the calculation declares them.
void DeclareSolltat(TIBCTable& table)
{
    using F = TFieldType;
    table.TableName = "SOLLTAT";
    const struct { const char* name; F type; int size; } fields[] = {
        {"OffertNr", F::ftString, 10}, {"SollPos", F::ftString, 10}, {"Element", F::ftInteger, 0},
        {"Taetigkeit", F::ftString, 10}, {"PosT1Lfd", F::ftInteger, 0}, {"PosM1Lfd", F::ftInteger, 0},
        {"PosTM1", F::ftBoolean, 0}, {"EhMenge", F::ftFloat, 0}, {"Stueck", F::ftFloat, 0},
        {"ApTyMe", F::ftFloat, 0}, {"TatArt", F::ftString, 1}, {"TaKoNumm", F::ftString, 3},
        {"TaVarEh", F::ftFloat, 0}, {"TaVarSt", F::ftFloat, 0}, {"TaFixZt", F::ftFloat, 0},
        {"TaMont", F::ftBoolean, 0}, {"MontZul", F::ftString, 3}, {"ZulEh", F::ftString, 3},
        {"ZulWert", F::ftFloat, 0}, {"TaName", F::ftString, 20}, {"TaEinhKz", F::ftString, 3},
        {"TaRmTat", F::ftString, 10}, {"TaRmName", F::ftString, 20}, {"PosMenge", F::ftFloat, 0},
        {"KoLk", F::ftFloat, 0}, {"KoLnk", F::ftSmallint, 0}, {"KoPgk", F::ftFloat, 0},
        {"KoPgkGrenz", F::ftFloat, 0}, {"MwSt", F::ftFloat, 0}, {"Gewinn", F::ftInteger, 0},
        {"Prov", F::ftFloat, 0}, {"ApTyName", F::ftString, 30}, {"ApTyText", F::ftMemo, 0}};
    for (const auto& f : fields)
        table.AddField(f.name, f.type, f.size);
}

TValue SolltatValue(int column, int row)
{
    switch (column) {
    case 6: case 15: return std::int64_t{row % 2};
    case 2: case 4: case 5: case 25: case 29: return std::int64_t{row};
    case 10: return std::string("A");
    case 0: case 1: case 3: case 11: case 16: case 17: case 19: case 20: case 21: case 22: case 31:
        return std::string(column == 11 ? "K" : "R") + std::to_string(row % 10);
    case 32: return fmt::format("Text {} mit Umlauten äöü", row);
    default: return row + 0.5;
    }
}

class LoaderTest : public ::testing::TestWithParam<DbMode> {
protected:
    TestDatabase db{GetParam(), false};
    TIBCConnection& connection = db.Connection().IBCConnection;
};

TEST_P(LoaderTest, SolltatRowsGoInBatchesOf27AndArriveIntact)
{
    TIBCTable table;
    DeclareSolltat(table);
    CreateTempTable(table, "");

    TIBCLoader loader;
    loader.Connection = &connection;
    loader.TableName = "SOLLTAT";
    loader.RowsPerBatch = 100;
    loader.OnPutData = [](TIBCLoader& l) {
        for (int row = 1; row <= 60; ++row)
            for (int column = 32; column >= 0; --column)   // any column order within a row
                l.PutColumnData(column, row, SolltatValue(column, row));
    };
    loader.Load();
    EXPECT_EQ(loader.BatchSizes(), (std::vector<int>{27, 27, 6}));

    TIBCQuery query;
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
    TIBCLoader loader;
    loader.Connection = &connection;
    loader.TableName = "NARROW";
    loader.RowsPerBatch = 100;
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
    TIBCLoader loader;
    loader.Connection = &connection;
    loader.TableName = "NARROW";
    loader.Load();
    EXPECT_TRUE(loader.BatchSizes().empty());
}

// A failing batch or callback commits nothing of the load, not even with the next write.
TEST_P(LoaderTest, FailedLoadLeavesNoRowsBehind)
{
    db.Exec("CREATE TABLE NARROW (ID INTEGER NOT NULL); CREATE TABLE OTHER (ID INTEGER)");
    TIBCLoader loader;
    loader.Connection = &connection;
    loader.TableName = "NARROW";
    loader.RowsPerBatch = 10;
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

    TIBCSQL insert;
    insert.SetSQL({"INSERT INTO OTHER VALUES (1)"});
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM NARROW"), "0");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM OTHER"), "1");
}

TEST_P(LoaderTest, LoadWithoutConnectionFails)
{
    TIBCLoader loader;
    loader.TableName = "NARROW";
    try {
        loader.Load();
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.kind(), "Exception");
        EXPECT_STREQ(error.what(), "Connection is not defined");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, LoaderTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         [](const auto& info) { return info.param == DbMode::Server ? "Server" : "Embedded"; });

} // namespace
} // namespace sollist::db
