// Queries of the data module rewritten so that the server's work follows the order rather than
// the master data, or so that short texts need no blob read: on databases built for it they
// must return what the original text returns, row for row and in the same order.
#include "db/DataSet.h"
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

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
        row.reserve(static_cast<std::size_t>(qry.FieldCount()));
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

    TSollStammdaten stammdaten;
    Tdm_Solltat dm(db.Connection().IBCConnection, stammdaten);
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

const std::vector<std::string> kOriginalPosTyp = {
    "Select ty.APTYOFNUMM,ty.APTYAPNUMM,ty.APTYBGLF,ty.APTYLFD,ty.APTYEC1,ty.APTYEC2,ty.APTYEC3,ty.APTYEC4,",
    "       ty.APTYDiCalc,ty.ApTyErsch,ty.ApTyName,ty.ApTyNameB,ty.ApTyText,",
    "       po.ApMenge,tmw.MWWERT,bg.APBGERSCHW",
    "from POS_TYP ty ",
    " join POSITIONEN po on (ty.ApTyOfNumm=po.ApOfNumm AND ty.ApTyApNumm=po.ApNumm)",
    " join POS_BGR bg on (ty.ApTyOfNumm=bg.ApBgOfNumm AND ty.ApTyApNumm=bg.ApBgApNumm AND ty.ApTyBgLf=bg.APBGLFNR)",
    " join TABMW tmw on (po.APMWST=tmw.MWKENNZ)",
    "WHERE ty.APTYOFNUMM=:OFNUMM",
    "order by APTYOFNUMM,APTYAPNUMM,APTYBGLF,APTYLFD"};

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Texts on both sides of the width that still comes in the row, counted in characters of
// two bytes and one, and NULL and empty ones; a position left out by the filter.
TEST(PosTypQuery, ShortTextsInTheRowLongOnesAsBlobsTheSameRowsAsTheOriginal) {
    TestDatabase db(test::DbMode::Embedded);
    const std::vector<std::string> texts = {"NULL",
                                            "''",
                                            "'Eiche; geölt'",
                                            "'" + Repeated("ä", 1000) + "'",
                                            "'" + Repeated("ä", 1001) + "'",
                                            "'" + Repeated("x", 1000) + "'",
                                            "'" + Repeated("xy", 3000) + "'"};
    std::string sql = "INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('1', 8.1);";
    for (const char* pos : {"P1", "P2"}) {
        sql += fmt::format("INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST, APTYP) "
                           "VALUES ('A1', '{0}', 2, '1', {1});"
                           "INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGERSCHW) "
                           "VALUES ('A1', '{0}', 1, 1.5);",
                           pos, pos == std::string("P2") ? 1 : 0);
        for (std::size_t i = 0; i < texts.size(); ++i)
            sql += fmt::format("INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, "
                               "APTYNAME, APTYTEXT) VALUES ('A1', '{}', 1, {}, 1, 'T', {});",
                               pos, 10 - i, texts[i]);
    }
    db.Exec(sql);

    TSollStammdaten stammdaten;
    Tdm_Solltat dm(db.Connection().IBCConnection, stammdaten);
    db::TIBCQuery original(db.Connection().IBCConnection, "original");
    original.SetSQL(kOriginalPosTyp);
    original.BooleanDomainFields = true; // as the data module reads flags
    for (const std::string filter : {"", "po.ApTyp<>1"}) {
        SCOPED_TRACE("filter " + filter);
        original.FilterSQL(filter);
        dm.qryPosTyp.FilterSQL(filter);
        const auto expected = Rows(original, "A1");
        ASSERT_EQ(expected.size(), filter.empty() ? 14u : 7u);
        const auto rows = Rows(dm.qryPosTyp, "A1");
        ASSERT_EQ(rows.size(), expected.size());
        const int textColumn = 12, shortColumn = 13;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::vector<db::TValue> row = rows[r];
            // the text is in one of the two columns, the other one NULL
            const bool inRow = !std::holds_alternative<std::monostate>(row[shortColumn]);
            EXPECT_TRUE(!inRow || std::holds_alternative<std::monostate>(row[textColumn])) << r;
            if (inRow)
                row[textColumn] = row[shortColumn];
            row.erase(row.begin() + shortColumn);
            EXPECT_EQ(row, expected[r]) << "row " << r;
            const auto* text = std::get_if<std::string>(&row[textColumn]);
            const bool longText = text != nullptr && text->size() > 2000;
            EXPECT_EQ(inRow, text != nullptr && !longText) << r;
        }
    }
}

} // namespace
} // namespace sollist::solltat
