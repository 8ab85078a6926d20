// What a described column is: its field kind, its length in characters and its precision.
#include "TestDatabase.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

TEST(ColumnInfoTest, KindCharactersAndPrecisionOfEachType) {
    const struct {
        const char* type;
        TFieldType kind;
        int characters;
        int precision;
    } cases[] = {
        {"CHAR(3)", TFieldType::ftString, 3, 0}, // UTF8: a 12-byte slot
        {"VARCHAR(7)", TFieldType::ftString, 7, 0},
        {"VARCHAR(5) CHARACTER SET OCTETS", TFieldType::ftString, 5, 0},
        {"VARCHAR(5) CHARACTER SET UNICODE_FSS", TFieldType::ftString, 5, 0},
        {"SMALLINT", TFieldType::ftSmallint, 0, 4},
        {"INTEGER", TFieldType::ftInteger, 0, 9},
        {"BIGINT", TFieldType::ftInteger, 0, 18},
        {"NUMERIC(4,1)", TFieldType::ftFloat, 0, 4},
        {"NUMERIC(5,2)", TFieldType::ftFloat, 0, 9},
        {"DECIMAL(18,3)", TFieldType::ftFloat, 0, 18},
        {"FLOAT", TFieldType::ftFloat, 0, 0},
        {"DOUBLE PRECISION", TFieldType::ftFloat, 0, 0},
        {"DATE", TFieldType::ftDate, 0, 0},
        {"TIME", TFieldType::ftTime, 0, 0},
        {"TIMESTAMP", TFieldType::ftDateTime, 0, 0},
        {"BOOLEAN", TFieldType::ftBoolean, 0, 0},
        {"BLOB SUB_TYPE TEXT", TFieldType::ftMemo, 0, 0},
        {"BLOB", TFieldType::ftBlob, 0, 0},
    };
    test::TestDatabase db{test::DbMode::Embedded, false};
    TIBCConnection& connection = db.Connection().IBCConnection;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const std::vector<ColumnInfo>& columns =
            connection.Prepare(std::string("SELECT CAST(NULL AS ") + c.type + ") AS X FROM RDB$DATABASE")
                .Outputs();
        ASSERT_EQ(columns.size(), 1u);
        EXPECT_EQ(columns[0].name, "X");
        EXPECT_EQ(columns[0].kind, c.kind);
        EXPECT_EQ(columns[0].characters, c.characters);
        EXPECT_EQ(columns[0].precision, c.precision);
    }
}

} // namespace
} // namespace sollist::db
