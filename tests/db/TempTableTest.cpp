// Global temporary tables built from a table object's declared fields.
#include "TestDatabase.h"

#include "common/Errors.h"
#include "db/DataSet.h"
#include "db/TempTable.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::DbModeName;
using test::TestDatabase;

TEST(TempTableTextTest, OneLinePerDataFieldAndTheKeyLine) {
    TIBCConnection unconnected; // building the text needs no database
    TIBCTable table(unconnected);
    table.TableName = "TMP";
    table.AddField("A", TFieldType::ftString, 10);
    table.AddField(TFieldDef{"LOOKUP", TFieldType::ftString, 5, false, false, true});
    table.AddField("B", TFieldType::ftInteger);
    table.AddField(TFieldDef{"S", TFieldType::ftString}); // no size
    table.AddField("C", TFieldType::ftFloat);
    EXPECT_EQ(BuildCreateTempTableSQL(table, ""),
              "CREATE GLOBAL TEMPORARY TABLE TMP(\nA VarChar(10)\n,B INTEGER\n,S VarChar(20)\n,C FLOAT\n"
              ") ON COMMIT PRESERVE ROWS ");
    EXPECT_EQ(BuildCreateTempTableSQL(table, "A,B"),
              "CREATE GLOBAL TEMPORARY TABLE TMP(\nA VarChar(10)\n,B INTEGER\n,S VarChar(20)\n,C FLOAT\n"
              ",Primary key(A,B)\n) ON COMMIT PRESERVE ROWS ");

    for (TFieldType type : {TFieldType::ftBlob, TFieldType::ftBytes}) {
        TIBCTable bad(unconnected);
        bad.TableName = "TMP";
        bad.AddField("X", type);
        try {
            BuildCreateTempTableSQL(bad, "");
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.kind(), "Exception");
            EXPECT_STREQ(error.what(), "unbekannter Datentyp CreateTempTable");
        }
    }
}

class TempTableTest : public ::testing::TestWithParam<DbMode> {};

// Rows belong to the connection that wrote them; a second call only empties the table.
TEST_P(TempTableTest, CreatedOnceThenEmptiedAndPrivateToTheConnection) {
    TestDatabase db(GetParam(), false);
    TIBCConnection& mine = db.Connection().IBCConnection;
    TIBCConnection other;
    test::PointAt(other, db.Database(), db.Server());

    auto declare = [](TIBCTable& table) {
        table.TableName = "TMP";
        table.AddField("A", TFieldType::ftString, 10);
        table.AddField("B", TFieldType::ftBoolean);
    };
    TIBCTable table(mine), otherTable(other);
    declare(table);
    declare(otherTable);
    CreateTempTable(table, "A");
    EXPECT_EQ(db.QueryValue("SELECT RDB$RELATION_TYPE FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'TMP'"),
              "4"); // global temporary, rows kept on commit

    auto insert = [](TIBCConnection& connection, const std::string& value) {
        TIBCSQL sql(connection);
        sql.SetSQL({"INSERT INTO TMP (A, B) VALUES (:A, TRUE)"});
        sql.ParamByName("A").AsString(value);
        sql.Execute();
    };
    insert(mine, "mine");
    insert(other, "other");

    CreateTempTable(table, "A"); // empties only this connection's rows
    table.Open();
    EXPECT_TRUE(table.IsEmpty());
    otherTable.Open();
    ASSERT_EQ(otherTable.RecordCount(), 1);
    EXPECT_EQ(otherTable.FieldByName("A").AsString(), "other");
    EXPECT_TRUE(otherTable.FieldByName("B").AsBoolean());
}

INSTANTIATE_TEST_SUITE_P(Modes, TempTableTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::db
