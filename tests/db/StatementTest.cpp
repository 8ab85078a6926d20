// Binding values to a prepared statement's parameters.
#include "ArtTable.h"

namespace sollist::db {
namespace {

class StatementTest : public ArtTest {};

// Blob text goes as VARCHAR while it fits one and as a real blob beyond; the same prepared
// statement switches between both without cutting or overrunning anything.
TEST_F(StatementTest, BlobParametersOfChangingLength) {
    const std::vector<std::size_t> lengths{10, 100000, 20, 32764, 32765, 5}; // bytes - 1
    TIBCSQL insert(connection);
    insert.SetSQL({"INSERT INTO ART (NR, ANZ, TEXT) VALUES (:NR, :ANZ, :TEXT)"});
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        insert.ParamByName("NR").AsString("L" + std::to_string(i));
        insert.ParamByName("ANZ").AsInteger(static_cast<std::int64_t>(lengths[i]));
        insert.ParamByName("TEXT").AsString(std::string(lengths[i] - 1, 'x') + "ä");
        insert.Execute();
    }
    EXPECT_EQ(db.QueryValue("SELECT COUNT(*) FROM ART WHERE OCTET_LENGTH(TEXT) = ANZ + 1 AND NR LIKE 'L%'"),
              "6");

    std::string umlauts;
    for (int i = 0; i < 10000; ++i) umlauts += "ä";
    insert.ParamByName("NR").AsString("U");
    insert.ParamByName("TEXT").AsString(umlauts);
    insert.Execute();
    EXPECT_EQ(db.QueryValue("SELECT CHAR_LENGTH(TEXT) FROM ART WHERE NR = 'U'"), "10000");
}

} // namespace
} // namespace sollist::db
