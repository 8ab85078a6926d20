// Tables: reading by name, writing appended and edited rows at once, emptying, existence.
#include "ArtTable.h"

#include <functional>
#include <initializer_list>

namespace sollist::db {
namespace {

class TableTest : public ArtTest {
protected:
    TableTest() {
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

TEST_F(TableTest, AppendAndEditWriteAtOnceAndStayVisible) {
    ASSERT_TRUE(table.FindKey({std::string("B")})); // builds the index on NR
    table.Append();
    table.FieldByName("NR").AsString("A");
    table.FieldByName("ANZ").AsString("3");
    table.FieldByName("TEXT").AsString(std::string(100000, 'x')); // several blob segments
    table.Post();
    EXPECT_EQ(db.QueryValue("SELECT ANZ FROM ART WHERE NR = 'A'"), "3");
    EXPECT_EQ(db.QueryValue("SELECT CHAR_LENGTH(TEXT) FROM ART WHERE NR = 'A'"), "100000");
    ASSERT_TRUE(table.FindKey({std::string("A")})); // the index learnt the posted row
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

TEST_F(TableTest, PostChecksRequiredFieldsAndEmptyTextAsNull) {
    table.SetEmptyStrToNull = true;
    table.Append();
    table.FieldByName("NR").AsString("");
    EXPECT_EQ(DatabaseError([&] { table.Post(); }), "tbArt: Feld 'NR' muss einen Wert haben");
    table.Cancel();
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART"), "3");
}

TEST_F(TableTest, UpdateOfARowDeletedMeanwhileFails) {
    ASSERT_TRUE(table.FindKey({std::string("C")}));
    db.Exec("DELETE FROM ART WHERE NR = 'C'");
    table.Edit();
    table.FieldByName("NAME").AsString("dritter");
    EXPECT_EQ(DatabaseError([&] { table.Post(); }), "tbArt: Update failed. Found 0 records");
}

TEST_F(TableTest, UpdateHittingSeveralRowsFailsAndChangesNothing) {
    db.Exec(
        "CREATE TABLE DUP (K INTEGER, V INTEGER); INSERT INTO DUP VALUES (1, 1); INSERT INTO DUP VALUES (1, 2)");
    TIBCTable dup(connection);
    dup.TableName = "DUP";
    dup.KeyFields = "K";
    dup.Open();
    dup.Edit();
    dup.FieldByName("V").AsInteger(9);
    EXPECT_EQ(DatabaseError([&] { dup.Post(); }), "Update failed. Found 2 records");
    dup.Cancel();
    table.EmptyTable(); // a later write commits, but not the failed update
    EXPECT_EQ(db.QueryValue("SELECT SUM(V) FROM DUP"), "3");
}

// AppendRows writes the rows in one statement; when the server refuses it, the rows go one at
// a time, so the error is the one posting the refused row raises, and the rows before it
// are written as posting them would write them.
TEST_F(TableTest, AppendRowsWritesTogetherOrRaisesWhatOneRowRaises) {
    table.AppendRows({{std::string("D1"), std::string("eins"), std::int64_t{1}, std::string("lang")},
                      {std::string("D2"), Null, std::int64_t{2}, Null},
                      {std::string("D3"), std::string("drei"), Null, std::string(40000, 't')}});
    EXPECT_EQ(db.QueryValue(
                  "SELECT LIST(TRIM(NR) || '/' || COALESCE(NAME, '-') || '/' || COALESCE(ANZ, '-') || '/' "
                  "|| COALESCE(CHAR_LENGTH(TEXT), '-'), ' ') FROM (SELECT * FROM ART WHERE NR LIKE 'D%' "
                  "ORDER BY NR)"),
              "D1/eins/1/4 D2/-/2/- D3/drei/-/40000");
    ASSERT_TRUE(table.FindKey({std::string("D2")})); // the rows are visible
    EXPECT_EQ(table.RecordCount(), 6);
    // A writer that never reads them back drops them from memory, and writes on.
    table.ForgetRows();
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 0);
    table.AppendRows({{std::string("D4")}, {std::string("D5")}});
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART WHERE NR LIKE 'D%'"), "5");

    auto errorOf = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EIBCError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    const std::string alone = errorOf([&] {
        table.Append();
        table.FieldByName("NR").AsString("B");
        table.Post();
    });
    ASSERT_NE(alone.find("PRIMARY"), std::string::npos) << alone;
    table.Cancel();
    EXPECT_EQ(errorOf([&] {
                  table.AppendRows({{std::string("E1")}, {std::string("B")}, {std::string("E2")}});
              }),
              alone);
    table.Cancel();
    EXPECT_EQ(db.QueryValue("SELECT LIST(TRIM(NR)) FROM ART WHERE NR LIKE 'E%'"), "E1");
    EXPECT_EQ(DatabaseError([&] {
                  table.AppendRows({{std::string("F1")}, {Null}});
              }),
              "tbArt: Feld 'NR' muss einen Wert haben");
}

TEST_F(TableTest, EmptyTableLeavesAnOpenTableOpenAndEmpty) {
    table.EmptyTable();
    EXPECT_TRUE(table.Active());
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART"), "0");
}

TEST_F(TableTest, ExistsByCatalogueName) {
    db.Exec("CREATE TABLE \"Gemischt\" (A INTEGER)");
    EXPECT_TRUE(table.Exists()); // open
    const struct {
        const char* name;
        bool exists;
    } cases[] = {
        {" art ", true}, {"\"Gemischt\"", true}, {"gemischt", false}, {"\"art\"", false}, {"NIX", false}};
    for (const auto& c : cases) {
        TIBCTable other(connection);
        other.TableName = c.name;
        EXPECT_EQ(other.Exists(), c.exists) << c.name;
    }
}

// A read-only table reads like any other and refuses every write.
TEST_F(TableTest, ReadOnlyTableRefusesToWrite) {
    table.ReadOnly = true;
    ASSERT_TRUE(table.FindKey({std::string("B")}));
    for (const auto& write : std::initializer_list<std::function<void()>>{
             [&] { table.Append(); }, [&] { table.Edit(); }, [&] { table.Post(); }})
        EXPECT_EQ(DatabaseError(write), "tbArt: Cannot modify a read-only dataset");
    EXPECT_EQ(DatabaseError([&] { table.FieldByName("NAME").AsString("x"); }),
              "tbArt: Dataset not in edit or insert mode");
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "zweiter");

    table.ReadOnly = false;
    table.Edit();
    table.FieldByName("NAME").AsString("x");
    table.Post();
    EXPECT_EQ(db.QueryValue("SELECT NAME FROM ART WHERE NR = 'B'"), "x");
}

TEST_F(TableTest, NeedsATableName) {
    TIBCTable unnamed(connection, "tbNix");
    EXPECT_EQ(DatabaseError([&] { unnamed.Open(); }), "tbNix: TableName must be defined");
}

} // namespace
} // namespace sollist::db
