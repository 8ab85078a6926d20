// Statement text and named parameters, alike for queries and single statements.
#include "ArtTable.h"

namespace sollist::db {
namespace {

class StatementTextTest : public ArtTest {};

TEST_F(StatementTextTest, RepeatedParameterTakesOneValueEverywhere) {
    db.Exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, A VARCHAR(10), B VARCHAR(10));"
            "INSERT INTO T VALUES (1, 'x', 'x'); INSERT INTO T VALUES (2, 'x', 'y');"
            "INSERT INTO T VALUES (3, 'y', 'y')");
    TIBCQuery query(connection, "qryT");
    query.SetSQL({"SELECT ID FROM T", "WHERE A = :VAL AND B = :val", "ORDER BY ID"});
    query.ParamByName("Val").AsString("y");
    query.Open();
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("id").AsInteger(), 3);

    TIBCSQL update(connection);
    update.SetSQL({"UPDATE T SET A = :VAL", "WHERE B = :val"});
    update.ParamByName("vaL").AsString("y");
    update.Execute();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM T WHERE A = 'y'"), "2");
}

TEST_F(StatementTextTest, UnknownParameterNamesTheObject) {
    TIBCQuery query(connection, "qryArt");
    OpenArt(query);
    TIBCSQL named(connection, "sqlArt");
    named.SetSQL({"DELETE FROM ART WHERE NR = :NR"});
    TIBCSQL unnamed(connection);
    unnamed.SetSQL({"DELETE FROM ART WHERE NR = :NR"});
    EXPECT_EQ(DatabaseError([&] { query.ParamByName("NIX"); }), "qryArt: Parameter 'NIX' nicht gefunden");
    EXPECT_EQ(DatabaseError([&] { named.ParamByName("NIX"); }), "sqlArt: Parameter 'NIX' nicht gefunden");
    EXPECT_EQ(DatabaseError([&] { unnamed.ParamByName("NIX"); }), "Parameter 'NIX' nicht gefunden");
}

} // namespace
} // namespace sollist::db
