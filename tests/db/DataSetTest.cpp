// Queries and tables on a fresh database: reading rules, navigation, searches, writing rows.
#include "TestDatabase.h"

#include "common/Errors.h"
#include "db/DataSet.h"

#include <gtest/gtest.h>

#include <functional>

namespace sollist::db {
namespace {

using test::DbMode;
using test::TestDatabase;

// The message of the EDatabaseError that action raises ("" when it raises none).
std::string DatabaseError(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.what();
    }
    return {};
}

class DataSetTest : public ::testing::Test {
protected:
    DataSetTest()
    {
        db.Exec("CREATE DOMAIN D_BOOLEAN AS SMALLINT;"
                "CREATE TABLE ART (NR CHAR(8) NOT NULL PRIMARY KEY, NAME VARCHAR(20), MENGE NUMERIC(9,2),"
                " AKTIV D_BOOLEAN, ANZ INTEGER, DATUM DATE, ZEIT TIMESTAMP, TEXT BLOB SUB_TYPE TEXT);"
                "INSERT INTO ART (NR, NAME, MENGE, AKTIV, ANZ, DATUM, ZEIT) VALUES"
                " ('Grüße', 'erster', 1.25, 1, 7, '2024-02-29', '2024-02-29 18:00:00');"
                "INSERT INTO ART (NR, NAME, AKTIV, ANZ) VALUES ('B', 'zweiter', 0, 7);"
                "INSERT INTO ART (NR) VALUES ('C')");
    }

    void OpenArt(TIBCQuery& query, const std::string& where = "")
    {
        query.SetSQL({"SELECT * FROM ART", where, "ORDER BY NR DESC"});
        query.Open();
    }

    TestDatabase db{DbMode::Embedded, false};
    TIBCConnection& connection = db.Connection().IBCConnection;
};

TEST_F(DataSetTest, ReadingRules)
{
    TIBCQuery query(connection, "qryArt");
    query.BooleanDomainFields = true;
    OpenArt(query);
    ASSERT_EQ(query.RecordCount(), 3);
    // Row 'Grüße': the CHAR(8) key comes without its padding (UTF8 sends 32 bytes).
    EXPECT_EQ(query.FieldByName("nr").AsString(), "Grüße");
    EXPECT_DOUBLE_EQ(query.FieldByName("MENGE").AsFloat(), 1.25);
    EXPECT_EQ(query.FieldByName("AKTIV").DataType(), TFieldType::ftBoolean);
    EXPECT_TRUE(query.FieldByName("AKTIV").AsBoolean());
    EXPECT_EQ(query.FieldByName("DATUM").AsDateTime(), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(query.FieldByName("ZEIT").AsDateTime(), EncodeDate(2024, 2, 29) + 0.75);

    // Row 'C': NULL reads as "", 0, false and the zero date.
    query.Last();
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    query.Prior();
    EXPECT_EQ(query.FieldByName("NR").AsString(), "C");
    EXPECT_EQ(query.FieldByName("NAME").AsString(), "");
    EXPECT_EQ(query.FieldByName("ANZ").AsInteger(), 0);
    EXPECT_FALSE(query.FieldByName("AKTIV").AsBoolean());
    EXPECT_EQ(query.FieldByName("DATUM").AsDateTime(), 0.0);
    EXPECT_EQ(query.FieldByName("DATUM").AsDateTime(), EncodeDate(1899, 12, 30));

    query.Prior();
    EXPECT_FALSE(query.Bof());
    query.Prior();   // before the first row: Bof, the row stays
    EXPECT_TRUE(query.Bof());
    EXPECT_EQ(query.FieldByName("NR").AsString(), "Grüße");
    query.Last();
    EXPECT_TRUE(query.Eof());
    query.Prior();
    EXPECT_FALSE(query.Eof());
}

TEST_F(DataSetTest, WithoutTheOptionABooleanDomainReadsAsInteger)
{
    TIBCQuery query(connection);
    query.SetSQL({"SELECT AKTIV FROM ART WHERE NR = 'B'"});
    query.Open();
    EXPECT_EQ(query.Fields(0).DataType(), TFieldType::ftSmallint);
    EXPECT_EQ(query.Fields(0).Value(), TValue(std::int64_t{0}));
}

TEST_F(DataSetTest, EmptyResult)
{
    TIBCQuery query(connection);
    OpenArt(query, "WHERE NR = 'none'");
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.Bof());
    EXPECT_EQ(query.FieldByName("NAME").AsString(), "");
}

TEST_F(DataSetTest, FilterReopensAndEmptyFilterRestores)
{
    TIBCQuery query(connection);
    OpenArt(query, "WHERE ANZ = :ANZ");
    query.ParamByName("ANZ").AsInteger(7);
    query.Close();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    query.FilterSQL("NAME = 'zweiter'");
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.EffectiveSQL(), "SELECT * FROM ART\nWHERE (ANZ = :ANZ) AND NAME = 'zweiter'\nORDER BY NR DESC");
    query.FilterSQL("");
    EXPECT_EQ(query.EffectiveSQL(), query.SQLText());
    EXPECT_EQ(query.RecordCount(), 2);
}

TEST_F(DataSetTest, ParameterValuesAreConvertedToTheDescribedType)
{
    TIBCQuery query(connection);
    OpenArt(query, "WHERE ANZ = :ANZ AND DATUM = :D");
    query.Close();
    query.ParamByName("ANZ").AsString(" 7 ");
    query.ParamByName("D").AsString("29.02.2024");
    query.Open();
    EXPECT_EQ(query.RecordCount(), 1);

    query.Close();
    query.ParamByName("ANZ").AsString("sieben");
    EXPECT_THROW(query.Open(), EConvertError);
}

TEST_F(DataSetTest, LocateAndFindKeyTakeTheFirstMatchAndStayOnAMiss)
{
    TIBCQuery query(connection);
    OpenArt(query);
    query.Last();   // 'B'
    EXPECT_FALSE(query.Locate("ANZ", {std::int64_t{8}}));
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    EXPECT_FALSE(query.FindKey({std::string("grüße")}));   // case-sensitive
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    EXPECT_FALSE(query.Locate("NAME", {std::string("zweit")}));   // no partial match

    // Rows in order 'Grüße', 'C', 'B': the first with ANZ = 7 from the top, given as text or float.
    EXPECT_TRUE(query.Locate("anz", {std::string("7")}));
    EXPECT_EQ(query.FieldByName("NR").AsString(), "Grüße");
    EXPECT_TRUE(query.Locate("ANZ;NAME", {7.0, std::string("zweiter")}));
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    EXPECT_TRUE(query.Locate("NAME", {Null}));
    EXPECT_EQ(query.FieldByName("NR").AsString(), "C");
    // A query's key is the primary key of its first table.
    EXPECT_TRUE(query.FindKey({std::string("B")}));
    EXPECT_EQ(query.RecNo(), 2);
}

TEST_F(DataSetTest, MisuseMessages)
{
    TIBCQuery query(connection, "qryArt");
    OpenArt(query);
    EXPECT_EQ(DatabaseError([&] { query.FieldByName("NIX"); }), "qryArt: Das Feld 'NIX' wurde nicht gefunden");
    EXPECT_EQ(DatabaseError([&] { query.ParamByName("NIX"); }), "qryArt: Parameter 'NIX' nicht gefunden");

    TIBCTable table(connection, "tbArt");
    EXPECT_EQ(DatabaseError([&] { table.Open(); }), "tbArt: TableName must be defined");
    table.TableName = "ART";
    table.Open();
    EXPECT_EQ(DatabaseError([&] { table.FindKey({std::string("B")}); }),
              "tbArt: Key fields required to call FindKey or FindNearest");

    TIBCQuery declared(connection, "qryDecl");
    declared.SetSQL({"SELECT NR FROM ART"});
    declared.AddField("NAME", TFieldType::ftString, 20);
    EXPECT_EQ(DatabaseError([&] { declared.Open(); }), "qryDecl: Das Feld 'NAME' wurde nicht gefunden");
}

class TableTest : public DataSetTest {
protected:
    TableTest()
    {
        table.TableName = "ART";
        table.KeyFields = "NR";
        table.OrderFields = "NR";
        table.AddField("NR", TFieldType::ftString, 8, true);
        table.AddField("NAME", TFieldType::ftString, 20);
        table.AddField("ANZ", TFieldType::ftInteger);
        table.AddField("TEXT", TFieldType::ftMemo);
        table.Open();
    }
    TIBCTable table{connection, "tbArt"};
};

TEST_F(TableTest, AppendAndEditWriteAtOnceAndStayVisible)
{
    ASSERT_TRUE(table.FindKey({std::string("B")}));   // builds the index on NR
    table.Append();
    table.FieldByName("NR").AsString("A");
    table.FieldByName("ANZ").AsString("3");
    table.FieldByName("TEXT").AsString(std::string(100000, 'x'));   // several blob segments
    table.Post();
    EXPECT_EQ(db.QueryValue("SELECT ANZ FROM ART WHERE NR = 'A'"), "3");
    EXPECT_EQ(db.QueryValue("SELECT CHAR_LENGTH(TEXT) FROM ART WHERE NR = 'A'"), "100000");
    ASSERT_TRUE(table.FindKey({std::string("A")}));   // the index learnt the posted row
    EXPECT_EQ(table.RecNo(), 3);

    // Edit the key itself: the row is found by the key as read.
    ASSERT_TRUE(table.FindKey({std::string("B")}));
    table.Edit();
    table.FieldByName("NR").AsString("BB");
    table.FieldByName("NAME").Clear();
    table.Post();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART WHERE NR = 'BB' AND NAME IS NULL AND ANZ = 7"), "1");
    EXPECT_FALSE(table.FindKey({std::string("B")}));
    EXPECT_TRUE(table.FindKey({std::string("BB")}));

    table.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_TRUE(table.Locate("NR", {std::string("A")}));
    EXPECT_EQ(table.FieldByName("TEXT").AsString().size(), 100000u);
}

// Blob text goes as VARCHAR while it fits one and as a real blob beyond; the same prepared
// statement switches between both without cutting or overrunning anything.
TEST_F(DataSetTest, BlobParametersOfChangingLength)
{
    const std::vector<std::size_t> lengths{10, 100000, 20, 32764, 32765, 5};   // bytes - 1
    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO ART (NR, ANZ, TEXT) VALUES (:NR, :ANZ, :TEXT)"});
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        insert.ParamByName("NR").AsString("L" + std::to_string(i));
        insert.ParamByName("ANZ").AsInteger(static_cast<std::int64_t>(lengths[i]));
        insert.ParamByName("TEXT").AsString(std::string(lengths[i] - 1, 'x') + "ä");
        insert.Execute();
    }
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART WHERE OCTET_LENGTH(TEXT) = ANZ + 1 AND NR LIKE 'L%'"), "6");

    std::string umlauts;
    for (int i = 0; i < 10000; ++i)
        umlauts += "ä";
    insert.ParamByName("NR").AsString("U");
    insert.ParamByName("TEXT").AsString(umlauts);
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT CHAR_LENGTH(TEXT) FROM ART WHERE NR = 'U'"), "10000");
}

TEST_F(TableTest, PostChecksRequiredFieldsAndEmptyTextAsNull)
{
    table.SetEmptyStrToNull = true;
    table.Append();
    table.FieldByName("NR").AsString("");
    EXPECT_EQ(DatabaseError([&] { table.Post(); }), "tbArt: Feld 'NR' muss einen Wert haben");
    table.Cancel();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART"), "3");
}

TEST_F(TableTest, UpdateOfARowDeletedMeanwhileFails)
{
    ASSERT_TRUE(table.FindKey({std::string("C")}));
    db.Exec("DELETE FROM ART WHERE NR = 'C'");
    table.Edit();
    table.FieldByName("NAME").AsString("dritter");
    EXPECT_EQ(DatabaseError([&] { table.Post(); }), "tbArt: Update failed. Found 0 records");
}

TEST_F(TableTest, UpdateHittingSeveralRowsFailsAndChangesNothing)
{
    db.Exec("CREATE TABLE DUP (K INTEGER, V INTEGER); INSERT INTO DUP VALUES (1, 1); INSERT INTO DUP VALUES (1, 2)");
    TIBCTable dup(connection);
    dup.TableName = "DUP";
    dup.KeyFields = "K";
    dup.Open();
    dup.Edit();
    dup.FieldByName("V").AsInteger(9);
    EXPECT_EQ(DatabaseError([&] { dup.Post(); }), "Update failed. Found 2 records");
    dup.Cancel();
    table.EmptyTable();   // a later write commits, but not the failed update
    EXPECT_EQ(db.QueryValue("SELECT SUM(V) FROM DUP"), "3");
}

TEST_F(TableTest, EmptyTableLeavesAnOpenTableOpenAndEmpty)
{
    table.EmptyTable();
    EXPECT_TRUE(table.Active());
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART"), "0");
}

TEST_F(TableTest, ExistsByCatalogueName)
{
    db.Exec("CREATE TABLE \"Gemischt\" (A INTEGER)");
    EXPECT_TRUE(table.Exists());   // open
    const struct { const char* name; bool exists; } cases[] = {
        {" art ", true}, {"\"Gemischt\"", true}, {"gemischt", false}, {"\"art\"", false}, {"NIX", false}};
    for (const auto& c : cases) {
        TIBCTable other(connection);
        other.TableName = c.name;
        EXPECT_EQ(other.Exists(), c.exists) << c.name;
    }
}

} // namespace
} // namespace sollist::db
