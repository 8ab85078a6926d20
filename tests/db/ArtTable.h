#pragma once
// A fresh embedded database with table ART of three rows, for the data object tests.
#include "TestDatabase.h"

#include "db/DataSet.h"
#include "db/DbErrors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace sollist::db {

// The message of the EDatabaseError that action raises ("" when it raises none).
inline std::string DatabaseError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.what();
    }
    return {};
}

class ArtTest : public ::testing::Test {
protected:
    ArtTest() {
        db.Exec("CREATE DOMAIN D_BOOLEAN AS SMALLINT;"
                "CREATE TABLE ART (NR CHAR(8) NOT NULL PRIMARY KEY, NAME VARCHAR(20), MENGE NUMERIC(9,2),"
                " AKTIV D_BOOLEAN, ANZ INTEGER, DATUM DATE, ZEIT TIMESTAMP, TEXT BLOB SUB_TYPE TEXT);"
                "INSERT INTO ART (NR, NAME, MENGE, AKTIV, ANZ, DATUM, ZEIT) VALUES"
                " ('Grüße', 'erster', 1.25, 1, 7, '2024-02-29', '2024-02-29 18:00:00');"
                "INSERT INTO ART (NR, NAME, AKTIV, ANZ) VALUES ('B', 'zweiter', 0, 7);"
                "INSERT INTO ART (NR) VALUES ('C')");
    }

    // Rows in order 'Grüße', 'C', 'B'.
    void OpenArt(TIBCQuery& query, const std::string& where = "") {
        query.SetSQL({"SELECT * FROM ART", where, "ORDER BY NR DESC"});
        query.Open();
    }

    test::TestDatabase db{test::DbMode::Embedded, false};
    TIBCConnection& connection = db.Connection().IBCConnection;
};

} // namespace sollist::db
