#include "db/TempTable.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Statement.h"

#include <fmt/format.h>

namespace sollist::db {

namespace {
std::string ColumnType(const TFieldDef& field) {
    switch (field.DataType) {
    case TFieldType::ftString: return fmt::format("VarChar({})", field.Size > 0 ? field.Size : 20);
    case TFieldType::ftDate: return "DATE";
    case TFieldType::ftDateTime: return "TIMESTAMP";
    case TFieldType::ftFloat: return "FLOAT";
    case TFieldType::ftTime: return "TIME";
    case TFieldType::ftInteger: return "INTEGER";
    case TFieldType::ftSmallint: return "SMALLINT";
    case TFieldType::ftBoolean: return "BOOLEAN";
    case TFieldType::ftMemo: return "BLOB SUB_TYPE TEXT";
    default: throw Exception("unbekannter Datentyp CreateTempTable");
    }
}
} // namespace

std::string BuildCreateTempTableSQL(const TIBCTable& table, const std::string& primaryKey) {
    std::string sql = "CREATE GLOBAL TEMPORARY TABLE " + table.TableName + "(";
    bool first = true;
    for (const TFieldDef& field : table.FieldDefs()) {
        if (field.Calculated)
            continue; // calculated and look-up fields have no column
        sql += "\n" + std::string(first ? "" : ",") + field.Name + " " + ColumnType(field);
        first = false;
    }
    if (!primaryKey.empty())
        sql += "\n,Primary key(" + primaryKey + ")";
    return sql + "\n) ON COMMIT PRESERVE ROWS ";
}

void CreateTempTable(TIBCTable& table, const std::string& primaryKey) {
    if (table.Exists()) {
        table.EmptyTable(); // an existing table is neither checked nor changed
        return;
    }
    TIBCConnection& connection = table.Connection();
    connection.Prepare(BuildCreateTempTableSQL(table, primaryKey)).Execute({});
    connection.CommitDefinition();
}

} // namespace sollist::db
