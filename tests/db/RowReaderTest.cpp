// Rows read into structs: the reader gives what FieldByName gives, member by member.
#include "ArtTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sollist::db {
namespace {

class RowReaderTest : public ArtTest {};

// Every kind of member, and a member bound to no field.
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
    std::int32_t NotRead = -1;
};

// Bound in an order other than the members' and the fields': each member gets its own field.
TEST_F(RowReaderTest, MembersReadAsTheirFieldsReadIncludingNull) {
    TIBCQuery query(connection, "qryArt");
    query.BooleanDomainFields = true;
    OpenArt(query);
    const auto read = RowReader<TArtRow>(query, {{"TEXT", &TArtRow::Text},
                                                 {"ANZ", &TArtRow::Anz32},
                                                 {"NR", &TArtRow::Nr},
                                                 {"ZEIT", &TArtRow::Zeit},
                                                 {"NAME", &TArtRow::Name},
                                                 {"DATUM", &TArtRow::Datum},
                                                 {"MENGE", &TArtRow::Menge},
                                                 {"AKTIV", &TArtRow::Aktiv},
                                                 {"ANZ", &TArtRow::Anz}});
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
    EXPECT_EQ(rows[0].Name, "erster");
    EXPECT_DOUBLE_EQ(rows[0].Menge, 1.25);
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
    struct TDay {
        double Day = 0, Anz = 0;
    };
    const TDay row = RowReader<TDay>(query, {{"TAG", &TDay::Day}, {"ANZ", &TDay::Anz}})();
    EXPECT_EQ(row.Day, EncodeDate(2024, 2, 29));
    EXPECT_EQ(row.Anz, 7.0);
}

// Names are looked up when the reader is made; a member bound twice (a second field meant for
// another member) is refused there too, and a 32-bit member never takes a value cut to fit.
TEST_F(RowReaderTest, BindingMistakesAndOverflowAreErrors) {
    TIBCQuery query(connection, "qryArt");
    OpenArt(query, "WHERE NR = 'none'");
    EXPECT_EQ(DatabaseError([&] {
                  RowReader<TArtRow>(query, {{"NR", &TArtRow::Nr}, {"NIX", &TArtRow::Name}});
              }),
              "qryArt: Das Feld 'NIX' wurde nicht gefunden");
    EXPECT_EQ(DatabaseError([&] {
                  RowReader<TArtRow>(query, {{"NR", &TArtRow::Nr}, {"NAME", &TArtRow::Nr}});
              }),
              "qryArt: Die Felder 'NR' und 'NAME' lesen in dasselbe Element");
    EXPECT_TRUE(ReadRows<TArtRow>(query, {{"NR", &TArtRow::Nr}}).empty());

    TIBCQuery wide(connection, "qryWide");
    wide.SetSQL(
        {"SELECT CAST(2147483648 AS BIGINT) AS BIG, CAST(-2147483648 AS BIGINT) AS LOW FROM RDB$DATABASE"});
    wide.Open();
    const TArtRow low = RowReader<TArtRow>(wide, {{"LOW", &TArtRow::Anz32}, {"BIG", &TArtRow::Anz}})();
    EXPECT_EQ(low.Anz32, -2147483648LL);
    EXPECT_EQ(low.Anz, 2147483648LL);
    EXPECT_EQ(DatabaseError([&] {
                  RowReader<TArtRow>(wide, {{"BIG", &TArtRow::Anz32}})();
              }),
              "qryWide: Der Wert 2147483648 des Feldes 'BIG' passt nicht in 32 Bit");
}

} // namespace
} // namespace sollist::db
