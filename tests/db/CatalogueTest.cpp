// The catalogue of a connection: domains, primary keys and relations as the system tables
// store them, and what it keeps across a reconnect.
#include "TestDatabase.h"

#include "db/Catalogue.h"
#include "db/Connection.h"

#include <gtest/gtest.h>

namespace sollist::db {
namespace {

using test::DbMode;
using test::TestDatabase;

class CatalogueTest : public ::testing::Test {
protected:
    CatalogueTest() {
        db.Exec("CREATE DOMAIN D_BOOLEAN AS SMALLINT;"
                "CREATE TABLE T (A INTEGER NOT NULL, B VARCHAR(5) NOT NULL, F D_BOOLEAN, PRIMARY KEY (B, A));"
                "CREATE TABLE \"Gemischt\" (X INTEGER)");
    }
    TestDatabase db{DbMode::Embedded, false};
    TCatalogue& catalogue = db.Connection().IBCConnection.Catalogue();
};

TEST_F(CatalogueTest, NamesAsStored) {
    EXPECT_EQ(catalogue.DomainName("T", "F"), "D_BOOLEAN");
    EXPECT_EQ(catalogue.DomainName("T", "NIX"), "");
    EXPECT_EQ(catalogue.DomainName("NIX", "F"), "");
    EXPECT_EQ(catalogue.PrimaryKeyFields("T"), (std::vector<std::string>{"B", "A"})); // key order
    EXPECT_TRUE(catalogue.PrimaryKeyFields("Gemischt").empty());

    const struct {
        const char* name;
        bool exists;
    } relations[] = {
        {"T", true}, {"Gemischt", true}, {"GEMISCHT", false}, {"t", false}, {"RDB$RELATIONS", true}};
    for (const auto& relation : relations)
        EXPECT_EQ(catalogue.RelationExists(relation.name), relation.exists) << relation.name;
}

// Domains and keys are read once; a reconnect reads them again, as the database may have
// changed or be another one.
TEST_F(CatalogueTest, ReadOnceUntilTheConnectionCloses) {
    EXPECT_EQ(catalogue.DomainName("T", "F"), "D_BOOLEAN");
    EXPECT_TRUE(catalogue.PrimaryKeyFields("Gemischt").empty());
    db.Exec("ALTER TABLE T ADD G D_BOOLEAN;"
            "ALTER TABLE \"Gemischt\" ALTER X SET NOT NULL;"
            "ALTER TABLE \"Gemischt\" ADD PRIMARY KEY (X)");
    EXPECT_EQ(catalogue.DomainName("T", "G"), "");
    EXPECT_TRUE(catalogue.PrimaryKeyFields("Gemischt").empty());

    TIBCConnection& connection = db.Connection().IBCConnection;
    connection.Close();
    connection.Connect();
    EXPECT_EQ(catalogue.DomainName("T", "G"), "D_BOOLEAN");
    EXPECT_EQ(catalogue.PrimaryKeyFields("Gemischt"), (std::vector<std::string>{"X"}));
}

} // namespace
} // namespace sollist::db
