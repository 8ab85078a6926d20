// The rows of an open data object: navigation, first-match searches, misuse.
#include "ArtTable.h"

namespace sollist::db {
namespace {

class RowSetTest : public ArtTest {};

TEST_F(RowSetTest, NavigationStopsAtBothEndsOnTheEdgeRow) {
    TIBCQuery query(connection);
    OpenArt(query);
    query.Last();
    query.Prior();
    query.Prior();
    EXPECT_FALSE(query.Bof());
    query.Prior(); // before the first row: Bof, the row stays
    EXPECT_TRUE(query.Bof());
    EXPECT_EQ(query.FieldByName("NR").AsString(), "Grüße");
    query.Last();
    EXPECT_TRUE(query.Eof());
    query.Prior();
    EXPECT_FALSE(query.Eof());
}

TEST_F(RowSetTest, EmptyResult) {
    TIBCQuery query(connection);
    OpenArt(query, "WHERE NR = 'none'");
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.Bof());
    EXPECT_EQ(query.FieldByName("NAME").AsString(), "");
}

TEST_F(RowSetTest, LocateAndFindKeyTakeTheFirstMatchAndStayOnAMiss) {
    TIBCQuery query(connection);
    OpenArt(query);
    query.Last(); // 'B'
    EXPECT_FALSE(query.Locate("ANZ", {std::int64_t{8}}));
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    EXPECT_FALSE(query.FindKey({std::string("grüße")})); // case-sensitive
    EXPECT_EQ(query.FieldByName("NR").AsString(), "B");
    EXPECT_FALSE(query.Locate("NAME", {std::string("zweit")})); // no partial match

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

TEST_F(RowSetTest, MisuseMessages) {
    TIBCQuery query(connection, "qryArt");
    OpenArt(query);
    EXPECT_EQ(DatabaseError([&] { query.FieldByName("NIX"); }),
              "qryArt: Das Feld 'NIX' wurde nicht gefunden");
    EXPECT_EQ(DatabaseError([&] { query.FieldByName("NR").AsString("x"); }),
              "qryArt: Dataset not in edit or insert mode");

    TIBCTable table(connection, "tbArt");
    table.TableName = "ART";
    table.Open();
    EXPECT_EQ(DatabaseError([&] { table.FindKey({std::string("B")}); }),
              "tbArt: Key fields required to call FindKey or FindNearest");
}

} // namespace
} // namespace sollist::db
