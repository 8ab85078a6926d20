#pragma once
// Bulk loader: inserts many rows into one table in EXECUTE BLOCK batches.
#include "db/Value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sollist::db {

class TIBCConnection;
struct ColumnInfo;

// One EXECUTE BLOCK inserting rows rows into table, the values of each row in the order of
// columns, the rows one after another.
std::string BatchInsertSql(const std::string& table, const std::vector<ColumnInfo>& columns, int rows);

class TIBCLoader {
public:
    explicit TIBCLoader(TIBCConnection& connection);
    ~TIBCLoader();

    std::string TableName;
    int RowsPerBatch = 50;
    std::function<void(TIBCLoader&)> OnPutData;

    void Load();
    // column from 0, row from 1 (increasing)
    void PutColumnData(int column, int row, const TValue& value);

    // Rows per executed batch of the last Load, for tests and benchmarks.
    const std::vector<int>& BatchSizes() const;

private:
    TIBCConnection& connection_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sollist::db
