// A database of character set NONE whose texts are Windows-1252 bytes, as older installations
// have them: the program reads and writes UTF-8, the database holds one byte per letter. The
// fixture's own attachment works as the business system's clients do and shows the bytes as
// Windows-1252 text.
#include "TestDatabase.h"

#include "common/Text.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbCharset;
using test::DbMode;
using test::TestDatabase;

class NoneDatabaseTest : public ::testing::Test {
protected:
    NoneDatabaseTest() {
        // U declares its character set: the server converts it, the program must not.
        db.Exec(
            "CREATE TABLE T (K CHAR(8) NOT NULL PRIMARY KEY, V VARCHAR(12), M BLOB SUB_TYPE TEXT,"
            " U VARCHAR(12) CHARACTER SET UTF8);"
            "INSERT INTO T (K, V, M, U) VALUES ('MÖBEL-1', 'Türen ölen', 'Rückwand weiß', _WIN1252 'Grüße €')");
    }

    TestDatabase db{DbMode::Embedded, false, DbCharset::None};
    TIBCConnection& connection = db.Connection().IBCConnection;
};

TEST_F(NoneDatabaseTest, ColumnsBlobsAndKeysReadAsUtf8) {
    TIBCQuery query(connection, "qryT");
    query.SetSQL({"SELECT K, V, M, U FROM T WHERE K = :K"});
    query.ParamByName("K").AsString("MÖBEL-1");
    query.Open();
    ASSERT_FALSE(query.IsEmpty());
    EXPECT_EQ(query.FieldByName("K").AsString(), "MÖBEL-1");
    EXPECT_EQ(query.FieldByName("V").AsString(), "Türen ölen");
    EXPECT_EQ(query.FieldByName("M").AsString(), "Rückwand weiß");
    EXPECT_EQ(query.FieldByName("U").AsString(), "Grüße €");
    struct TRow {
        std::string K, V, M, U;
    };
    const TRow row =
        RowReader<TRow>(query, {{"K", &TRow::K}, {"V", &TRow::V}, {"M", &TRow::M}, {"U", &TRow::U}})();
    EXPECT_EQ(row.V, "Türen ölen");
    EXPECT_EQ(row.M, "Rückwand weiß");
    EXPECT_TRUE(query.Locate("K", {std::string("MÖBEL-1")}));
    EXPECT_TRUE(query.FindKey({std::string("MÖBEL-1")}));
}

// Every way of writing: a table's insert and update, a statement with a text long enough for
// a wider slot, a blob given as VARCHAR and as a real blob, and the bulk loader.
TEST_F(NoneDatabaseTest, WritesStoreOneBytePerLetter) {
    TIBCTable table(connection, "tbT");
    table.TableName = "T";
    table.KeyFields = "K";
    table.Open();
    table.Append();
    table.FieldByName("K").AsString("ÄRA-2");
    table.FieldByName("V").AsString("Öl für Türen");
    table.FieldByName("M").AsString("kurz: ß");
    table.Post();
    ASSERT_TRUE(table.FindKey({std::string("MÖBEL-1")}));
    table.Edit();
    table.FieldByName("V").AsString("Schränke");
    table.Post();

    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO T (K, V, M) VALUES (:K, :V, :M)"});
    insert.ParamByName("K").AsString("ÜBER-3");
    insert.ParamByName("V").AsString("ääääääääääää"); // 24 bytes of UTF-8 for 12 characters
    insert.ParamByName("M").AsString(std::string(40000, 'x') + "ö");
    insert.Execute();

    TIBCLoader loader(connection);
    loader.TableName = "T";
    loader.OnPutData = [](TIBCLoader& l) {
        for (int c = 0; c < 4; ++c) l.PutColumnData(c, 1, Null);
        l.PutColumnData(0, 1, std::string("LÄDEN-4"));
        l.PutColumnData(1, 1, std::string("Ölbad"));
        l.PutColumnData(2, 1, std::string("Glanz ÿ"));
    };
    loader.Load();

    EXPECT_EQ(db.QueryValue("SELECT LIST(TRIM(K) || '=' || V || '/' || OCTET_LENGTH(V), ' ') FROM "
                            "(SELECT * FROM T ORDER BY K)"),
              "LÄDEN-4=Ölbad/5 MÖBEL-1=Schränke/8 ÄRA-2=Öl für Türen/12 ÜBER-3=ääääääääääää/12");
    EXPECT_EQ(db.QueryValue("SELECT LIST(OCTET_LENGTH(M), ' ') FROM (SELECT * FROM T ORDER BY K)"),
              "7 13 7 40001");
    EXPECT_EQ(db.QueryValue("SELECT M FROM T WHERE K = 'LÄDEN-4'"), "Glanz ÿ");
    EXPECT_EQ(db.QueryValue("SELECT SUBSTRING(M FROM 40001) FROM T WHERE K = 'ÜBER-3'"), "ö");
}

// What Windows-1252 cannot hold becomes "?" (as in the error log); another code page is a
// setting of the connection.
TEST_F(NoneDatabaseTest, CodePageDecidesTheBytes) {
    TIBCSQL update(connection);
    update.SetSQL({"UPDATE T SET V = :V"});
    update.ParamByName("V").AsString("€ 5 中");
    update.Execute();
    EXPECT_EQ(db.QueryValue("SELECT V FROM T"), "€ 5 ?");

    connection.SetCodePage(*text::CodePage::Find("ISO-8859-15"));
    update.Execute();
    EXPECT_EQ(db.QueryValue("SELECT V FROM T"), "¤ 5 ?"); // the euro sign's byte 0xA4
    TIBCQuery query(connection, "qryT");
    query.SetSQL({"SELECT V FROM T"});
    query.Open();
    EXPECT_EQ(query.FieldByName("V").AsString(), "€ 5 ?");
}

} // namespace
} // namespace sollist::db
