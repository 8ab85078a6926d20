#include "config/DBIniFile.h"

#include "common/Errors.h"
#include "db/Value.h"
#include "support/Environment.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::config {
namespace {

class DBIniFileTest : public ::testing::Test {
protected:
    test::EnvironmentGuard locale_{"LC_ALL", "C"}; // numbers written with "."
    test::TestDatabase db_;
    db::TIBCConnection& connection_ = db_.Connection().IBCConnection;
};

TEST_F(DBIniFileTest, Kind1LooksUpSectionAndNameInUpperCase) {
    db_.Exec("insert into inifile values ('FIRMENSTAMM', 'VERTZUSCHL', '15');"
             "insert into inifile values ('Firmenstamm', 'VertZuschl', '99')");
    TDBIniFile ini(connection_, 1);
    EXPECT_EQ(ini.ReadInteger("Firmenstamm", "VertZuschl", 0), 15);
    EXPECT_EQ(ini.ReadInteger("Firmenstamm", "Fehlt", 7), 7);
    EXPECT_EQ(ini.ReadString("firmenstamm", "vertzuschl", "x"), "15");
}

TEST_F(DBIniFileTest, Kind1WritesOnlyExistingValues) {
    db_.Exec("insert into inifile values ('A', 'DA', 'alt')");
    TDBIniFile ini(connection_, 1);
    ini.WriteString("a", "da", "neu");
    ini.WriteString("a", "fehlt", "neu");
    EXPECT_EQ(db_.QueryValue("select WERT from inifile where SECTION='A' and NAME='DA'"), "neu");
    EXPECT_EQ(db_.QueryValue("select count(*) from inifile"), "1");
}

TEST_F(DBIniFileTest, Kind2WritesCreateValuesAndEveryTypeReadsBack) {
    TDBIniFile ini(connection_, 2);
    const double day = db::EncodeDate(2024, 3, 1);
    ini.WriteString("Liste", "Text", "Grüße");
    ini.WriteInteger("Liste", "Int", -42);
    ini.WriteFloat("Liste", "Float", 1.15);
    ini.WriteBool("Liste", "An", true);
    ini.WriteBool("Liste", "Aus", false);
    ini.WriteDate("Liste", "Tag", day + 0.5);
    EXPECT_EQ(db_.QueryValue("select WERT from listenini where SECTION='LISTE' and IDENT='FLOAT'"), "1.15");
    EXPECT_EQ(db_.QueryValue("select WERT from listenini where SECTION='LISTE' and IDENT='TAG'"),
              "01.03.2024");
    EXPECT_EQ(ini.ReadString("Liste", "Text", ""), "Grüße");
    EXPECT_EQ(ini.ReadInteger("Liste", "Int", 0), -42);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Liste", "Float", 0), 1.15);
    EXPECT_TRUE(ini.ReadBool("Liste", "An", false));
    EXPECT_FALSE(ini.ReadBool("Liste", "Aus", true));
    EXPECT_DOUBLE_EQ(ini.ReadDate("Liste", "Tag", 0), day);
    ini.WriteInteger("Liste", "Int", 5); // second write of the same key updates it
    EXPECT_EQ(ini.ReadInteger("Liste", "Int", 0), 5);
    EXPECT_EQ(db_.QueryValue("select count(*) from listenini"), "6");
}

TEST_F(DBIniFileTest, StoredTextDecidesBetweenValueDefaultAndConversionError) {
    db_.Exec("insert into listenini values ('S', 'LEER', '');"
             "insert into listenini values ('S', 'NULL', NULL);"
             "insert into listenini values ('S', 'TRUE', 'true');"
             "insert into listenini values ('S', 'NULLEINS', '01');"
             "insert into listenini values ('S', 'ABC', 'abc')");
    TDBIniFile ini(connection_, 2);
    EXPECT_EQ(ini.ReadString("S", "Leer", "default"), ""); // found: not the default
    EXPECT_EQ(ini.ReadString("S", "Null", "default"), "");
    EXPECT_FALSE(ini.ReadBool("S", "True", true)); // only "1" is true
    EXPECT_FALSE(ini.ReadBool("S", "NullEins", true));
    EXPECT_FALSE(ini.ReadBool("S", "Null", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Leer", 2.5), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "Null", 2.5), 2.5);
    EXPECT_EQ(ini.ReadInteger("S", "Null", 3), 3);
    EXPECT_THROW(ini.ReadInteger("S", "Leer", 3), EConvertError);
    EXPECT_THROW(ini.ReadInteger("S", "Abc", 3), EConvertError);
    EXPECT_THROW(ini.ReadFloat("S", "Abc", 3), EConvertError);
    EXPECT_THROW(ini.ReadDate("S", "Null", 3), EConvertError);
    EXPECT_THROW(ini.ReadDate("S", "Leer", 3), EConvertError);
    EXPECT_THROW(ini.ReadDate("S", "Abc", 3), EConvertError);
    EXPECT_DOUBLE_EQ(ini.ReadDate("S", "Fehlt", 3), 3);
}

TEST_F(DBIniFileTest, FetchedSectionAnswersFromMemoryUntilAnotherSectionIsRead) {
    db_.Exec("insert into listenini values ('A', 'X', 'a1');"
             "insert into listenini values ('B', 'X', 'b1')");
    TDBIniFile ini(connection_, 2);
    ini.FetchWholeSection("A");
    db_.Exec("update listenini set WERT = 'a2' where SECTION = 'A';"
             "insert into listenini values ('A', 'NEU', 'n')");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "a1"); // the fetched rows
    EXPECT_EQ(ini.ReadString("A", "Neu", "default"), "default");
    ini.FetchWholeSection("A"); // same section: nothing happens
    EXPECT_EQ(ini.ReadString("A", "X", ""), "a1");

    ini.FetchWholeSection("B");
    EXPECT_EQ(ini.ReadString("B", "X", ""), "b1");
    EXPECT_EQ(ini.ReadString("A", "X", ""), "a2"); // another section: a fresh query
    EXPECT_EQ(ini.ReadString("A", "Neu", ""), "n");
}

TEST_F(DBIniFileTest, EraseSectionOnlyOnKind2) {
    db_.Exec("insert into inifile values ('A', 'X', '1');"
             "insert into listenini values ('A', 'X', '1');"
             "insert into listenini values ('A', 'Y', '2');"
             "insert into listenini values ('B', 'X', '3')");
    TDBIniFile kind1(connection_, 1);
    try {
        kind1.EraseSection("A");
        FAIL();
    } catch (const Exception& error) {
        EXPECT_STREQ(error.kind(), "Exception");
        EXPECT_STREQ(error.what(), "EraseSection ist nur bei listen.ini erlaubt!");
    }
    EXPECT_EQ(db_.QueryValue("select count(*) from inifile"), "1");

    TDBIniFile kind2(connection_, 2);
    kind2.EraseSection("a");
    EXPECT_EQ(db_.QueryValue("select count(*) from listenini"), "1");
    EXPECT_EQ(db_.QueryValue("select SECTION from listenini"), "B");
}

} // namespace
} // namespace sollist::config
