#include "formula/BaseFormel.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::formula {
namespace {

struct TLookupCase {
    const char* table;
    char mode;
    double value;
    double expected;
};

void PrintTo(const TLookupCase& c, std::ostream* out) { *out << c.table << ' ' << c.mode << ' ' << c.value; }

const TLookupCase kLookups[] = {
    {"16;19;22;25;28", 'g', 20, 22},
    {"16;19;22;25;28", 'k', 20, 19},
    {"16;19;22;25;28", 'g', 22, 22},
    {"16;19;22;25;28", 'k', 22, 22},
    {"16;19;22;25;28", 'g', 16, 16},
    {"16;19;22;25;28", 'k', 16, 16},
    {"16;19;22;25;28", 'g', 28, 28},
    {"16;19;22;25;28", 'k', 28, 28},
    {"16;19;22;25;28", 'g', 27.9, 28},
    {"16;19;22;25;28", 'k', 16.1, 16},
    {"16;19;22;25;28;", 'k', 28, 28}, // a trailing ";" is harmless
    {"16;19;;25", 'g', 19, 19},       // ";;" cuts the table: 25 is not an entry
    {"5", 'g', 5, 5},
    {"007;010", 'k', 9, 7},
    {"10;5;20", 'g', 12, 20}, // unsorted: first entry >= value in stored order
    {"10;5;20", 'k', 12, 5},  // the entry before the first one > value
    {"0;2147483647", 'g', 1, 2147483647},
    {"1;2;3;4;5;6;7;8;9;1;2;3;4;5;6;7;8;9;1;9", 'k', 9, 9}, // exactly 20 entries
};

class TValueTableTest : public testing::TestWithParam<TLookupCase> {};

TEST_P(TValueTableTest, RoundsToATableEntry) {
    const auto& c = GetParam();
    EXPECT_EQ(LookupValueTable(c.table, c.mode, c.value), c.expected) << c.table << " " << c.mode << c.value;
}

INSTANTIATE_TEST_SUITE_P(Tables, TValueTableTest, testing::ValuesIn(kLookups));

struct TTableErrorCase {
    const char* table;
    double value;
    const char* message;
};

TEST(TValueTableErrors, RefusedTables) {
    const TTableErrorCase cases[] = {
        {"16;19;22;25;28", 15.9, "Wert liegt nicht innerhalb des Tabellenwertebereichs !"},
        {"16;19;22;25;28", 28.1, "Wert liegt nicht innerhalb des Tabellenwertebereichs !"},
        {"16;19;;25", 20, "Wert liegt nicht innerhalb des Tabellenwertebereichs !"},
        {"16;1A;22", 20, "Fehlerhafte Tabelleneinträge"},
        {"16; 19", 17, "Fehlerhafte Tabelleneinträge"},
        {"-5;10", 0, "Fehlerhafte Tabelleneinträge"},
        {"", 0, "Keine Tabelleneinträge"},
        {";16;19", 17, "Keine Tabelleneinträge"},
        {"1;2;3;4;5;6;7;8;9;1;2;3;4;5;6;7;8;9;1;2;3", 2, "Mehr als 20 Tabelleneinträge"},
    };
    for (const auto& c : cases) {
        for (char mode : {'g', 'k'}) {
            try {
                const double value = LookupValueTable(c.table, mode, c.value);
                ADD_FAILURE() << c.table << " gave " << value;
            } catch (const EParseErr& error) {
                EXPECT_STREQ(error.what(), c.message) << c.table << " " << mode;
            }
        }
    }
}

TEST(TValueTableErrors, EntryBeyond32BitsIsAConversionFault) {
    EXPECT_THROW(LookupValueTable("16;2147483648", 'g', 20), EConvertError);
    EXPECT_THROW(LookupValueTable("99999999999999999999999;5", 'k', 20), EConvertError);
}

} // namespace
} // namespace sollist::formula
