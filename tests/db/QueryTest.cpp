// Queries against a fresh database: reading rules, declared fields, filters, parameter types.
#include "ArtTable.h"

namespace sollist::db {
namespace {

class QueryTest : public ArtTest {};

TEST_F(QueryTest, ReadingRules) {
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
}

// Without declared fields, every column is a field of the kind and length it is described with.
TEST_F(QueryTest, FieldsFollowTheColumns) {
    TIBCQuery query(connection);
    OpenArt(query);
    const struct {
        const char* name;
        TFieldType type;
        int size;
    } fields[] = {{"NR", TFieldType::ftString, 8},     {"NAME", TFieldType::ftString, 20},
                  {"MENGE", TFieldType::ftFloat, 0},   {"AKTIV", TFieldType::ftSmallint, 0},
                  {"ANZ", TFieldType::ftInteger, 0},   {"DATUM", TFieldType::ftDate, 0},
                  {"ZEIT", TFieldType::ftDateTime, 0}, {"TEXT", TFieldType::ftMemo, 0}};
    ASSERT_EQ(query.FieldCount(), 8);
    for (int i = 0; i < query.FieldCount(); ++i) {
        const TFieldDef& def = query.FieldDefAt(i);
        EXPECT_EQ(def.Name, fields[i].name);
        EXPECT_EQ(def.DataType, fields[i].type) << def.Name;
        EXPECT_EQ(def.Size, fields[i].size) << def.Name;
    }
}

// ExecSQL runs the statement with the parameters set by name and commits it at once: closing
// the connection, which rolls back what was not committed, keeps the change.
TEST_F(QueryTest, ExecSQLRunsAStatementWithoutRowsAndCommitsIt) {
    TIBCQuery update(connection, "qryUpdate");
    update.SetSQL({"UPDATE ART SET ANZ = :ANZ", "WHERE NR = :NR"});
    update.ParamByName("ANZ").AsInteger(9);
    update.ParamByName("NR").AsString("B");
    update.ExecSQL();
    connection.Close();

    TIBCQuery query(connection);
    OpenArt(query, "WHERE ANZ = 9");
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
}

TEST_F(QueryTest, WithoutTheOptionABooleanDomainReadsAsInteger) {
    TIBCQuery query(connection);
    query.SetSQL({"SELECT AKTIV FROM ART WHERE NR = 'B'"});
    query.Open();
    EXPECT_EQ(query.Fields(0).DataType(), TFieldType::ftSmallint);
    EXPECT_EQ(query.Fields(0).Value(), TValue(std::int64_t{0}));
}

TEST_F(QueryTest, DeclaredFieldsMustBeColumns) {
    TIBCQuery declared(connection, "qryDecl");
    declared.SetSQL({"SELECT NR FROM ART"});
    declared.AddField("NAME", TFieldType::ftString, 20);
    EXPECT_EQ(DatabaseError([&] { declared.Open(); }), "qryDecl: Das Feld 'NAME' wurde nicht gefunden");
}

TEST_F(QueryTest, FilterReopensAndEmptyFilterRestores) {
    TIBCQuery query(connection);
    OpenArt(query, "WHERE ANZ = :ANZ");
    query.ParamByName("ANZ").AsInteger(7);
    query.Close();
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);
    query.FilterSQL("NAME = 'zweiter'");
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.EffectiveSQL(),
              "SELECT * FROM ART\nWHERE (ANZ = :ANZ) AND NAME = 'zweiter'\nORDER BY NR DESC");
    query.FilterSQL("");
    EXPECT_EQ(query.EffectiveSQL(), query.SQLText());
    EXPECT_EQ(query.RecordCount(), 2);
}

TEST_F(QueryTest, ParameterValuesAreConvertedToTheDescribedType) {
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

// The business schema loads and the program connection reaches it, embedded and via the server.
class SchemaTest : public ::testing::TestWithParam<test::DbMode> {};

TEST_P(SchemaTest, SchemaLoadsAndProgramConnectionReadsIt) {
    test::TestDatabase db(GetParam());
    db.Exec("INSERT INTO inifile (SECTION, NAME, WERT) VALUES ('A;B', 'x', 'y')");
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM inifile"), "1");
    TIBCQuery query(db.Connection().IBCConnection);
    query.SetSQL({"SELECT COUNT(*) AS N FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'SOLLTAT'"});
    query.Open();
    EXPECT_EQ(query.FieldByName("N").AsInteger(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SchemaTest, ::testing::Values(test::DbMode::Embedded, test::DbMode::Server),
                         test::DbModeName);

} // namespace
} // namespace sollist::db
