// Rows read into structs: the reader gives what FieldByName gives, member by member.
#include "ArtTable.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace sollist::db {
namespace {

class RowReaderTest : public ArtTest {};

// Every kind of member, and a member after the named ones.
struct TArtRow {
    std::string Nr;
    std::string Name;
    double Menge = 0;
    bool Aktiv = false;
    std::int64_t Anz = 0;
    std::int32_t Anz32 = 0;
    double Datum = 0;
    double Zeit = 0;
    std::string Text;
    int NotRead = -1;
};

TEST_F(RowReaderTest, MembersReadAsTheirFieldsReadIncludingNull) {
    TIBCQuery query(connection, "qryArt");
    query.BooleanDomainFields = true;
    OpenArt(query);
    const auto read =
        RowReader<TArtRow>(query, "NR", "NAME", "MENGE", "AKTIV", "ANZ", "ANZ", "DATUM", "ZEIT", "TEXT");
    query.Last(); // ReadAll starts from the first row all the same
    const std::vector<TArtRow> rows = ReadAll(query, read);
    ASSERT_EQ(rows.size(), 3U);
    int i = 0;
    for (query.First(); !query.Eof(); query.Next(), ++i) {
        const TArtRow& row = rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.Nr, query.FieldByName("NR").AsString());
        EXPECT_EQ(row.Name, query.FieldByName("NAME").AsString());
        EXPECT_EQ(row.Menge, query.FieldByName("MENGE").AsFloat());
        EXPECT_EQ(row.Aktiv, query.FieldByName("AKTIV").AsBoolean());
        EXPECT_EQ(row.Anz, query.FieldByName("ANZ").AsInteger());
        EXPECT_EQ(row.Anz32, query.FieldByName("ANZ").AsInteger());
        EXPECT_EQ(row.Datum, query.FieldByName("DATUM").AsDateTime());
        EXPECT_EQ(row.Zeit, query.FieldByName("ZEIT").AsDateTime());
        EXPECT_EQ(row.Text, query.FieldByName("TEXT").AsString());
        EXPECT_EQ(row.NotRead, -1);
    }
    EXPECT_EQ(rows[0].Nr, "Grüße"); // without the CHAR padding
    EXPECT_DOUBLE_EQ(rows[0].Zeit, EncodeDate(2024, 2, 29) + 0.75);
    EXPECT_EQ(rows[1].Nr, "C"); // NULL: "", 0, false, the zero date
    EXPECT_EQ(rows[1].Name, "");
    EXPECT_FALSE(rows[1].Aktiv);
    EXPECT_EQ(rows[1].Datum, 0.0);
}

// A declared date field over a text column converts the text as AsDateTime does; an integer
// field read as float is AsFloat's number.
TEST_F(RowReaderTest, FloatMembersOfDateFieldsTakeTheDayNumber) {
    TIBCQuery query(connection, "qryText");
    Declare(query, {"SELECT CAST('29.02.2024' AS VARCHAR(10)) AS TAG, ANZ FROM ART WHERE NR = 'B'"},
            {{"TAG", TFieldType::ftDate}, {"ANZ", TFieldType::ftInteger}});
    query.Open();
    const auto [day, anz] = RowReader<std::tuple<double, double>>(query, "TAG", "ANZ")();
    EXPECT_EQ(day, EncodeDate(2024, 2, 29));
    EXPECT_EQ(anz, 7.0);
}

TEST_F(RowReaderTest, NamesAreLookedUpWhenTheReaderIsMade) {
    TIBCQuery query(connection, "qryArt");
    OpenArt(query, "WHERE NR = 'none'");
    EXPECT_EQ(DatabaseError([&] { RowReader<TArtRow>(query, "NR", "NIX"); }),
              "qryArt: Das Feld 'NIX' wurde nicht gefunden");
    struct TNr {
        std::string Nr;
    };
    EXPECT_TRUE(ReadRows<TNr>(query, "NR").empty());
}

} // namespace
} // namespace sollist::db
