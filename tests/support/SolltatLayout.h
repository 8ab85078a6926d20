#pragma once
// The 33 columns of the target-activity table SOLLTAT as the calculation declares them, and
// synthetic row values, for loader tests and benchmarks that need a table that wide.
#include "db/DataSet.h"

#include <string>

namespace sollist::test {

constexpr int kSolltatColumns = 33;

// Declares the SOLLTAT fields (and table name) on table.
void DeclareSolltat(db::TIBCTable& table);

// A value of the column's kind for a row: integers, 0/1 for booleans, short texts within the
// column's size, floats with a fraction, and a text with umlauts for the text blob.
db::TValue SolltatValue(int column, int row);

} // namespace sollist::test
