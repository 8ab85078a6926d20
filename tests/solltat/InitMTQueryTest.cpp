// The material preload query of the data module is a join rewritten from the original
// "MatMaNumm in (select .. union ..)" form. On tables built without keys or NOT NULL, holding
// duplicates, NULLs, case and blank variants, both must return the same rows in the same order.
#include "db/DataSet.h"
#include "solltat/DmSolltat.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::solltat {
namespace {

using test::TestDatabase;

const std::vector<std::string> kOriginalInitMT = {"Select MatMaNumm,MATTAT,MATERSCHW,TAEINHKZ",
                                                  "from MATTATIG join TAETIGKE on (MATTAT=TANUMM)",
                                                  "where MatMaNumm in ",
                                                  "(Select ApMaMaNumm from POS_MAT where ApMaOfNumm=:OFNUMM ",
                                                  " union ",
                                                  " Select PTMMaNumm from POSTYMAT where PTMOfNumm=:OFNUMM) ",
                                                  "Order by MatMaNumm,MatTat"};

// Rows of a query for one order, every column as read.
std::vector<std::vector<db::TValue>> Rows(db::TIBCQuery& qry, const std::string& OfNumm) {
    qry.Close();
    qry.ParamByName("OFNUMM").AsString(OfNumm);
    qry.Open();
    std::vector<std::vector<db::TValue>> rows;
    for (; !qry.Eof(); qry.Next()) {
        std::vector<db::TValue> row;
        for (int i = 0; i < qry.FieldCount(); ++i) row.push_back(qry.Fields(i).Value());
        rows.push_back(std::move(row));
    }
    qry.Close();
    return rows;
}

TEST(InitMTQuery, JoinReturnsTheRowsOfTheOriginalInTheSameOrder) {
    TestDatabase db(test::DbMode::Embedded, /*loadSchema*/ false);
    // The business tables' columns, without keys or NOT NULL, so that duplicates and NULLs fit.
    db.Exec("CREATE TABLE TAETIGKE (TANUMM CHAR(10), TAEINHKZ CHAR(3));"
            "CREATE TABLE MATTATIG (MATMANUMM CHAR(13), MATTAT CHAR(10), MATERSCHW DOUBLE PRECISION);"
            "CREATE TABLE POS_MAT (APMAOFNUMM CHAR(10), APMAMANUMM CHAR(13));"
            "CREATE TABLE POSTYMAT (PTMOFNUMM CHAR(10), PTMMANUMM CHAR(13));");
    db.Exec("INSERT INTO TAETIGKE VALUES ('T1', 'M2');"
            "INSERT INTO TAETIGKE VALUES ('T2', NULL);"
            "INSERT INTO TAETIGKE VALUES ('T3', 'STK');"
            "INSERT INTO TAETIGKE VALUES ('t1', 'M1');"
            // M1 in both sources and twice in each; M2 only through part types; m1 differs by case
            "INSERT INTO POS_MAT VALUES ('A1', 'M1');"
            "INSERT INTO POS_MAT VALUES ('A1', 'M1');"
            "INSERT INTO POS_MAT VALUES ('A1', 'm1');"
            "INSERT INTO POS_MAT VALUES ('A1', NULL);"
            "INSERT INTO POS_MAT VALUES ('A1', 'OHNE');"
            "INSERT INTO POS_MAT VALUES (NULL, 'M9');"
            "INSERT INTO POS_MAT VALUES ('A2', 'M9');"
            "INSERT INTO POSTYMAT VALUES ('A1', 'M1');"
            "INSERT INTO POSTYMAT VALUES ('A1', 'M2');"
            "INSERT INTO POSTYMAT VALUES ('A1', 'M2 ');"
            "INSERT INTO POSTYMAT VALUES ('A1', NULL);"
            "INSERT INTO POSTYMAT VALUES ('A3', 'M2');"
            // inserted out of order; a duplicate row; NULL factor, unit and activity; an
            // activity missing from TAETIGKE; a material of no order
            "INSERT INTO MATTATIG VALUES ('M2', 'T3', 2.5);"
            "INSERT INTO MATTATIG VALUES ('M1', 'T2', NULL);"
            "INSERT INTO MATTATIG VALUES ('M1', 'T1', 1.5);"
            "INSERT INTO MATTATIG VALUES ('M1', 'T1', 1.5);"
            "INSERT INTO MATTATIG VALUES ('M1', 't1', 3);"
            "INSERT INTO MATTATIG VALUES ('M1', NULL, 4);"
            "INSERT INTO MATTATIG VALUES ('M1', 'T9', 5);"
            "INSERT INTO MATTATIG VALUES ('m1', 'T3', 6);"
            "INSERT INTO MATTATIG VALUES (NULL, 'T1', 7);"
            "INSERT INTO MATTATIG VALUES ('M9', 'T1', 8);"
            "INSERT INTO MATTATIG VALUES ('M7', 'T1', 9);");

    Tdm_Solltat dm(db.Connection().IBCConnection);
    db::TIBCQuery original(db.Connection().IBCConnection, "original");
    original.SetSQL(kOriginalInitMT);
    ASSERT_NE(dm.qryInitMT.SQLText(), original.SQLText());

    const struct {
        std::string order;
        std::size_t rows;
    } cases[] = {{"A1", 6}, {"A2", 1}, {"A3", 1}, {"A4", 0}, {"", 0}};
    for (const auto& c : cases) {
        const auto expected = Rows(original, c.order);
        EXPECT_EQ(expected.size(), c.rows) << c.order; // the fixture covers what it means to
        EXPECT_EQ(Rows(dm.qryInitMT, c.order), expected) << c.order;
    }
}

} // namespace
} // namespace sollist::solltat
