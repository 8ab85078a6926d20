#pragma once
// Synthetic row values for the 33 columns of the target-activity table SOLLTAT (declared by
// solltat::DeclareSolltat), for loader tests and benchmarks that need a table that wide.
#include "db/Value.h"

namespace sollist::test {

// A value of the column's kind for a row: integers, 0/1 for booleans, short texts within the
// column's size, floats with a fraction, and a text with umlauts for the text blob.
db::TValue SolltatValue(int column, int row);

} // namespace sollist::test
