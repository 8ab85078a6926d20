#pragma once
// A table addressed by name, with key and order fields: reads all its rows, and writes an
// appended or edited row at once (INSERT or UPDATE, committed).
#include "db/Query.h"

#include <string>
#include <vector>

namespace sollist::db {

class TIBCTable : public TIBCDataSet {
public:
    using TIBCDataSet::TIBCDataSet;

    std::string TableName;
    std::string KeyFields;   // "A;B"
    std::string OrderFields; // "A;B"

    void Append();
    void Edit();
    void Post();
    void Cancel();
    void EmptyTable();
    // Appends the rows (values in field order) and writes them with one statement. Should that
    // fail, they are written one at a time instead, so that a refused row raises what posting
    // it alone raises.
    void AppendRows(const std::vector<std::vector<TValue>>& rows);
    bool Exists();

protected:
    std::string BuildSQL() const override;
    std::vector<std::string> KeyFieldNames() override;
    void PostRow() override;

private:
    void RequireTableName() const;
    void RequireActive() const;
    void RequireWritable() const;
    void CheckRequired() const;
    void InsertRow();
    void UpdateRow();
};

} // namespace sollist::db
