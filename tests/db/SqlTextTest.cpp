// Statement text handling: the filter condition, named parameters, the FROM table, scripts.
#include "db/SqlText.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

TEST(AddFilterTest, GoesIntoTheOutermostWhere) {
    const struct {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"SELECT * FROM POSITIONEN po\nWHERE po.ApNumm = :A\nORDER BY po.ApNumm",
         "SELECT * FROM POSITIONEN po\nWHERE (po.ApNumm = :A) AND po.ApTyp<>1\nORDER BY po.ApNumm"},
        {"SELECT * FROM POSITIONEN po\nORDER BY po.ApNumm",
         "SELECT * FROM POSITIONEN po\nWHERE po.ApTyp<>1\nORDER BY po.ApNumm"},
        {"SELECT * FROM POSITIONEN po", "SELECT * FROM POSITIONEN po\nWHERE po.ApTyp<>1"},
        {"SELECT ApTyp FROM POSITIONEN po GROUP BY ApTyp",
         "SELECT ApTyp FROM POSITIONEN po\nWHERE po.ApTyp<>1\nGROUP BY ApTyp"},
        // WHERE and ORDER BY inside a subquery, a derived table and literals are not the statement's.
        {"SELECT a, (SELECT MAX(x) FROM t WHERE t.y = po.a ORDER BY 1) FROM POSITIONEN po\nORDER BY a",
         "SELECT a, (SELECT MAX(x) FROM t WHERE t.y = po.a ORDER BY 1) FROM POSITIONEN po\nWHERE po.ApTyp<>1\nORDER BY a"},
        {"SELECT * FROM (SELECT * FROM t WHERE b = 1) po WHERE po.c = 'x WHERE y ORDER BY z' OR po.c = 'w'",
         "SELECT * FROM (SELECT * FROM t WHERE b = 1) po WHERE (po.c = 'x WHERE y ORDER BY z' OR po.c = 'w') AND po.ApTyp<>1"},
        {"SELECT * FROM POSITIONEN po -- where in a comment\nORDER BY 1",
         "SELECT * FROM POSITIONEN po -- where in a comment\nWHERE po.ApTyp<>1\nORDER BY 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(AddFilter(c.sql, "po.ApTyp<>1"), c.expected) << c.sql;
    EXPECT_EQ(AddFilter("SELECT 1 FROM T", ""), "SELECT 1 FROM T");
}

TEST(ParamSetTest, EveryOccurrenceIsAPositionAndNamesIgnoreCase) {
    ParamSet params;
    params.Parse("SELECT ':NOPARAM', \"A:B\" FROM T WHERE A = :OfNumm AND B = :x AND C = :OFNUMM -- :C");
    EXPECT_EQ(params.Sql(), "SELECT ':NOPARAM', \"A:B\" FROM T WHERE A = ? AND B = ? AND C = ? -- :C");
    params.Find("ofnumm")->AsString("K1");
    ASSERT_EQ(params.Values().size(), 3u);
    EXPECT_EQ(params.Values()[0], TValue(std::string("K1")));
    EXPECT_EQ(params.Values()[1], Null); // never set: NULL
    EXPECT_EQ(params.Values()[2], TValue(std::string("K1")));
    EXPECT_EQ(params.Find("C"), nullptr);

    // A parameter keeps its value when the text changes but still names it.
    params.Parse("SELECT * FROM T WHERE A = :OFNUMM");
    EXPECT_EQ(params.Values(), std::vector<TValue>{std::string("K1")});
    EXPECT_EQ(params.Find("x"), nullptr);
}

TEST(FirstFromTableTest, UnquotedNamesAreUpperCase) {
    EXPECT_EQ(FirstFromTable("select (select 1 from b) from Positionen po, other"), "POSITIONEN");
    EXPECT_EQ(FirstFromTable("SELECT * FROM \"Mixed\" m"), "Mixed");
    EXPECT_EQ(FirstFromTable("EXECUTE PROCEDURE P"), "");
}

TEST(SplitStatementsTest, TerminatorsLiteralsAndSetTerm) {
    const std::string script = "/* head; */ CREATE TABLE T (A VARCHAR(5));\n"
                               "INSERT INTO T VALUES ('a;b');\n"
                               "SET TERM ^ ;\n"
                               "CREATE PROCEDURE P AS BEGIN INSERT INTO T VALUES ('x'); END^\n"
                               "SET TERM ; ^\n"
                               "COMMIT;";
    const std::vector<std::string> statements = SplitStatements(script);
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_EQ(statements[1], "INSERT INTO T VALUES ('a;b')");
    EXPECT_EQ(statements[2], "CREATE PROCEDURE P AS BEGIN INSERT INTO T VALUES ('x'); END");
    EXPECT_EQ(statements[3], "COMMIT");
}

} // namespace
} // namespace sollist::db
