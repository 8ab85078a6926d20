// Queries against a fresh database: parameters, filters, reading rules, navigation, searches.
#include "TestDatabase.h"

#include "db/DataSet.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::TestDatabase;

class QueryTest : public ::testing::Test {
protected:
    TestDatabase db{DbMode::Embedded, false};
};

TEST_F(QueryTest, RepeatedParameterTakesOneValueEverywhere)
{
    db.Exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, A VARCHAR(10), B VARCHAR(10));"
            "INSERT INTO T VALUES (1, 'x', 'x'); INSERT INTO T VALUES (2, 'x', 'y');"
            "INSERT INTO T VALUES (3, 'y', 'y')");
    TIBCQuery query(db.Connection().IBCConnection, "qryT");
    query.SetSQL({"SELECT ID FROM T", "WHERE A = :VAL AND B = :val", "ORDER BY ID"});
    query.ParamByName("Val").AsString("y");
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 3);
}

} // namespace
} // namespace sollist::db

namespace sollist::db {
namespace {

// The business schema loads and the program connection reaches it, embedded and via the server.
class SchemaTest : public ::testing::TestWithParam<test::DbMode> {};

TEST_P(SchemaTest, SchemaLoadsAndProgramConnectionReadsIt)
{
    test::TestDatabase db(GetParam());
    db.Exec("INSERT INTO inifile (SECTION, NAME, WERT) VALUES ('A;B', 'x', 'y')");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM inifile"), "1");
    TIBCQuery query(db.Connection().IBCConnection);
    query.SetSQL({"SELECT COUNT(*) AS N FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'SOLLTAT'"});
    query.Open();
    EXPECT_EQ(query.FieldByName("N").AsInteger(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SchemaTest, ::testing::Values(test::DbMode::Embedded, test::DbMode::Server),
                         [](const auto& info) { return info.param == test::DbMode::Server ? "Server" : "Embedded"; });

} // namespace
} // namespace sollist::db
