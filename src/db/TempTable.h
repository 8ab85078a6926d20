#pragma once
#include <string>

namespace sollist::db {

class TIBCTable;

// Makes sure table.TableName exists as a global temporary table (ON COMMIT PRESERVE ROWS)
// built from the table's declared fields, and is empty. primaryKey: "A,B" or empty.
void CreateTempTable(TIBCTable& table, const std::string& primaryKey);

// The CREATE statement CreateTempTable would run (lines joined with "\n").
std::string BuildCreateTempTableSQL(const TIBCTable& table, const std::string& primaryKey);

} // namespace sollist::db
