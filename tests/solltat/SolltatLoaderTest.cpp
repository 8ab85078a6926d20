// The bulk loader on the temporary table SOLLTAT as the calculation declares it: 33 columns
// make the batches smaller than RowsPerBatch asks for.
#include "SolltatValues.h"
#include "TestDatabase.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"
#include "db/TempTable.h"
#include "solltat/DmSolltat.h"

#include <gtest/gtest.h>

#include <vector>

namespace sollist::solltat {
namespace {

using test::DbMode;
using test::DbModeName;
using test::TestDatabase;

class SolltatLoaderTest : public ::testing::TestWithParam<DbMode> {
protected:
    TestDatabase db{GetParam(), false};
    db::TIBCConnection& connection = db.Connection().IBCConnection;
};

TEST_P(SolltatLoaderTest, RowsGoInBatchesOf27AndArriveIntact) {
    db::TIBCTable table(connection);
    DeclareSolltat(table);
    db::CreateTempTable(table, "");

    db::TIBCLoader loader(connection);
    loader.TableName = "SOLLTAT";
    loader.RowsPerBatch = 100;
    const int columns = static_cast<int>(table.FieldDefs().size());
    loader.OnPutData = [columns](db::TIBCLoader& l) {
        for (int row = 1; row <= 60; ++row)
            for (int column = columns - 1; column >= 0; --column) // any column order within a row
                l.PutColumnData(column, row, test::SolltatValue(column, row));
    };
    loader.Load();
    EXPECT_EQ(loader.BatchSizes(), (std::vector<int>{27, 27, 6}));

    db::TIBCQuery query(connection);
    query.SetSQL({"SELECT * FROM SOLLTAT ORDER BY Element"});
    query.Open();
    ASSERT_EQ(query.RecordCount(), 60);
    query.Last();
    EXPECT_EQ(query.FieldByName("Element").AsInteger(), 60);
    EXPECT_EQ(query.FieldByName("PosTM1").AsBoolean(), false);
    EXPECT_EQ(query.FieldByName("TaKoNumm").AsString(), "K0");
    EXPECT_DOUBLE_EQ(query.FieldByName("EhMenge").AsFloat(), 60.5);
    EXPECT_EQ(query.FieldByName("ApTyText").AsString(), "Text 60 mit Umlauten äöü");
}

INSTANTIATE_TEST_SUITE_P(Modes, SolltatLoaderTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

} // namespace
} // namespace sollist::solltat
